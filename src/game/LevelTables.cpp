#include "game/LevelTables.h"

#include "core/Exception.h"
#include "core/IntArray.h"
#include "io/DataFolder.h"
#include "io/FileInputStream.h"
#include "platform/Files.h"

namespace ripple {

LevelTables::LevelTables() : folders(lang::DataFolder::searchFolders()) {}

lang::Ref<lang::InputStream> LevelTables::open(const std::string& name,
                                               DataProblems& problems) const {
    std::string path = lang::DataFolder::find(folders, name.c_str());
    if (path.empty()) {
        problems.report(platform::nativePath(name.c_str()), 0, "Error Opening " + name);
        return nullptr;
    }
    lang::Ref<lang::InputStream> stream;
    lang::Ref<lang::Exception> error = lang::tryCatch(
        [&] { stream = lang::adopt<lang::InputStream>(new lang::FileInputStream(path.c_str())); });
    if (error) {
        problems.report(path, 0, error->messageText().getChars());
        return nullptr;
    }
    return stream;
}

bool LevelTables::loadBalance(int difficulty, DataProblems& problems) {
    const char* name = BalanceTable::fileName(difficulty);
    if (!name) {
        problems.report("balance", 0,
                        "no balance file for difficulty " + std::to_string(difficulty));
        return false;
    }
    lang::Ref<lang::InputStream> in = open(name, problems);
    return in && balance.read(in.get(), name, problems);
}

bool LevelTables::loadScene(const lang::IntArray* dataBlock, DataProblems& problems) {
    bonus.read(dataBlock ? dataBlock->values() : nullptr, dataBlock ? dataBlock->size() : 0,
               "<data>", problems);
    layouts.clear();
    for (int n = 1; n <= bonus.layoutCount(); ++n) {
        std::string name = TrackLayout::fileName(n);
        lang::Ref<lang::InputStream> in = open(name, problems);
        if (!in)
            break;
        TrackLayout layout;
        layout.read(in.get(), platform::nativePath(name.c_str()), problems);
        layouts.push_back(std::move(layout));
    }
    lang::Ref<lang::InputStream> in = open(MapPoints::fileName, problems);
    if (!in)
        return false;
    mapPoints.read(in.get(), MapPoints::fileName, problems);
    return true;
}

const TrackLayout* LevelTables::layout(int n) const {
    if (n < 1 || n > layoutCount())
        return nullptr;
    return &layouts[static_cast<size_t>(n - 1)];
}

int LevelTables::playableLayout(int n) const {
    const TrackLayout* wanted = layout(n);
    if (wanted && wanted->usableTrackCount() > 0)
        return n;
    const TrackLayout* first = layout(1);
    return first && first->usableTrackCount() > 0 ? 1 : 0;
}

int LevelTables::levelLayout(int level) const {
    return playableLayout(balance.row(level)[BalanceTable::fieldLayout]);
}

int LevelTables::bonusLayout(int index) const {
    const BonusTable::Row* row = bonus.row(index);
    return row ? playableLayout((*row)[BonusTable::fieldLayout]) : 0;
}

} // namespace ripple
