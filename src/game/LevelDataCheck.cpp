#include "game/LevelDataCheck.h"

#include "core/Exception.h"
#include "core/IntArray.h"
#include "game/BalanceTable.h"
#include "game/BonusTable.h"
#include "game/LevelFileReader.h"
#include "game/MapPoints.h"
#include "game/RippleBall.h"
#include "game/TrackLayout.h"
#include "io/FileInputStream.h"
#include "platform/Files.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace ripple {

namespace {

lang::Ref<lang::InputStream> openFile(const std::string& path) {
    lang::Ref<lang::InputStream> stream;
    lang::Ref<lang::Exception> error = lang::tryCatch(
        [&] { stream = lang::adopt<lang::InputStream>(new lang::FileInputStream(path.c_str())); });
    return error ? nullptr : stream;
}

std::string levelName(int level) {
    return "level " + std::to_string(level);
}

} // namespace

int LevelDataCheck::topSpeed(int colour) {
    return colour >= 0 && colour <= 8 ? static_cast<int>(RippleBall::topSpeedOf(colour)) : 0;
}

LevelDataCheck::LevelDataCheck(std::string levelsFolder, std::string scene)
    : folder(std::move(levelsFolder)), sceneFile(std::move(scene)) {
    tables.folders = {folder};
}

bool LevelDataCheck::run() {
    lang::Ref<lang::IntArray> block = readDataBlock();
    bool sceneRead = tables.loadScene(block.get(), found);
    for (int n = 1; n <= tables.layoutCount(); ++n)
        checkLayout(n);
    checkBonusRows();
    if (sceneRead)
        checkMapPoints();
    for (int d = 0; d < 3; ++d)
        checkBalance(d);
    return found.empty();
}

// The numbers of the main data file's "<data>" section, as the data loader
// takes them: at most 500, up to the first word. Remembers each number's line.
lang::Ref<lang::IntArray> LevelDataCheck::readDataBlock() {
    lang::Ref<lang::InputStream> in = openFile(sceneFile);
    if (!in) {
        found.report(sceneFile, 0, "Error Opening " + sceneFile);
        return nullptr;
    }
    LevelFileReader reader(in.get(), sceneFile, found);
    std::vector<int32_t> values;
    bool inData = false;
    bool any = false;
    for (LevelFileReader::Token t = reader.next(); t != LevelFileReader::Token::End;
         t = reader.next()) {
        if (t == LevelFileReader::Token::Word) {
            inData = lang::String(reader.word().c_str()).equalsIgnoreCase("<data>");
            if (inData) {
                values.clear();
                dataLines.clear();
                any = true;
            }
        } else if (inData && values.size() < 500) {
            values.push_back(dataInt32(reader.number()));
            dataLines.push_back(reader.line());
        }
    }
    if (!any)
        return nullptr;
    lang::Ref<lang::IntArray> block =
        lang::adopt(new lang::IntArray(static_cast<int>(values.size())));
    std::copy(values.begin(), values.end(), block->values());
    return block;
}

void LevelDataCheck::checkLayout(int n) {
    const TrackLayout& layout = *tables.layout(n);
    std::string file = platform::nativePath(TrackLayout::fileName(n).c_str());
    int tracks = layout.trackCount();
    if (tracks < minTracks)
        found.report(file, 0,
                     std::to_string(tracks) + " tracks; a layout has at least " +
                         std::to_string(minTracks));
    if (layout.usableTrackCount() < tracks)
        found.report(file, 0,
                     "track " + std::to_string(layout.usableTrackCount()) + " has no path");
    int k = 0;
    for (const OverlayRect& r : layout.overlays()) {
        ++k;
        if (r.width <= 0 || r.height <= 0 || r.x < 0 || r.y < 0 || r.x + r.width > screenWidth ||
            r.y + r.height > screenHeight)
            found.report(file, 0,
                         "overlay " + std::to_string(k) + " is empty or leaves the screen");
    }
    checkTrackPoints(n, file);

    for (int t = 0; t < tracks; ++t) {
        const std::vector<PathPoint>& path = layout.path(t);
        for (size_t i = 1; i < path.size(); ++i)
            if (std::abs(path[i].x - path[i - 1].x) > 1 ||
                std::abs(path[i].y - path[i - 1].y) > 1) {
                found.report(file, 0,
                             "track " + std::to_string(t) + ": path points " +
                                 std::to_string(i - 1) + " and " + std::to_string(i) +
                                 " are more than a pixel apart");
                break;
            }
        if (t > 0 && layout.length(t) > 0 && layout.length(t - 1) > 0 &&
            layout.bottomX(t) - layout.bottomX(t - 1) < bottomSpacing)
            found.report(file, 0,
                         "tracks " + std::to_string(t - 1) + " and " + std::to_string(t) +
                             " end less than " + std::to_string(bottomSpacing) +
                             " pixels apart, or out of order");
        for (int u = t + 1; u < tracks; ++u) {
            // The other track's points in bands of trackGap rows: only the
            // bands next to a point can hold one closer than the gap.
            std::vector<std::vector<const PathPoint*>> bands(screenHeight / trackGap + 3);
            auto bandOf = [](int y) {
                return std::clamp(y / trackGap + 1, 0, screenHeight / trackGap + 2);
            };
            for (const PathPoint& b : layout.path(u))
                bands[static_cast<size_t>(bandOf(b.y))].push_back(&b);
            int closest = INT_MAX;
            const PathPoint* where = nullptr;
            for (const PathPoint& a : path)
                for (int band = std::max(0, bandOf(a.y) - 1);
                     band <= std::min(bandOf(a.y) + 1, screenHeight / trackGap + 2); ++band)
                    for (const PathPoint* b : bands[static_cast<size_t>(band)]) {
                        int dx = a.x - b->x;
                        int dy = a.y - b->y;
                        if (dx * dx + dy * dy < closest) {
                            closest = dx * dx + dy * dy;
                            where = &a;
                        }
                    }
            if (where && closest < trackGap * trackGap)
                found.report(
                    file, 0,
                    "tracks " + std::to_string(t) + " and " + std::to_string(u) + " come within " +
                        std::to_string(static_cast<int>(std::sqrt(closest))) + " pixels at (" +
                        std::to_string(where->x) + ", " + std::to_string(where->y) + ")");
        }
    }
}

// Control points are read again with their lines, so a point that leaves the
// play field is named where it is written. A path runs straight between its
// control points, so the points bound the whole path.
void LevelDataCheck::checkTrackPoints(int n, const std::string& file) {
    lang::Ref<lang::InputStream> in = tables.open(TrackLayout::fileName(n), found);
    if (!in)
        return;
    DataProblems again(true);
    LevelFileReader reader(in.get(), file, again);
    LevelFileReader::Token t;
    while ((t = reader.next()) == LevelFileReader::Token::Number) {
    }
    double count = 0;
    if (t == LevelFileReader::Token::End || !reader.nextNumber(count))
        return;
    int track = 0;
    std::vector<double> group;
    int groupLine = 0;
    while (track < TrackLayout::maxTracks && (t = reader.next()) != LevelFileReader::Token::End) {
        if (t == LevelFileReader::Token::Word) {
            group.clear();
            ++track;
            continue;
        }
        if (group.empty())
            groupLine = reader.line();
        group.push_back(reader.number());
        if (group.size() < 4)
            continue;
        int x = dataInt16(group[0]);
        int y = dataInt16(group[1]);
        group.clear();
        if (x < ballRadius || x > screenWidth - ballRadius || y < ballRadius ||
            y > sprayerTop - ballRadius)
            found.report(file, groupLine,
                         "track " + std::to_string(track) + ": point (" + std::to_string(x) + ", " +
                             std::to_string(y) + ") leaves the play field (x " +
                             std::to_string(ballRadius) + ".." +
                             std::to_string(screenWidth - ballRadius) + ", y " +
                             std::to_string(ballRadius) + ".." +
                             std::to_string(sprayerTop - ballRadius) + ", above the sprayer)");
    }
}

// Our balance files hold one level record per line; a line with another
// count of numbers is a record cut short or run together with the next.
std::vector<int> LevelDataCheck::recordLines(const std::string& name) {
    std::vector<int> lines(1, 0);
    lang::Ref<lang::InputStream> in = tables.open(name, found);
    if (!in)
        return lines;
    DataProblems again(true);
    LevelFileReader reader(in.get(), name, again);
    int countLine = 0;
    int line = 0;
    int numbers = 0;
    auto endLine = [&] {
        if (numbers == 0)
            return;
        if (numbers != BalanceTable::fieldCount)
            found.report(name, line,
                         "a level record needs " + std::to_string(BalanceTable::fieldCount) +
                             " numbers, this line has " + std::to_string(numbers));
        lines.push_back(line);
        numbers = 0;
    };
    for (LevelFileReader::Token t = reader.next(); t != LevelFileReader::Token::End;
         t = reader.next()) {
        if (t != LevelFileReader::Token::Number) {
            found.report(name, reader.line(), "\"" + reader.word() + "\" where a number belongs");
            continue;
        }
        if (countLine == 0) {
            countLine = reader.line();
            continue;
        }
        if (reader.line() != line) {
            endLine();
            line = reader.line();
        }
        ++numbers;
    }
    endLine();
    return lines;
}

void LevelDataCheck::checkBalance(int difficulty) {
    std::string name = BalanceTable::fileName(difficulty);
    std::vector<int> lines = recordLines(name);
    if (!tables.loadBalance(difficulty, found))
        return;
    const BalanceTable& table = tables.balance;
    if (table.levelCount() != levelCount)
        found.report(name, 0,
                     std::to_string(table.levelCount()) + " levels; the map has " +
                         std::to_string(levelCount));
    for (int k = 1; k <= table.levelCount(); ++k) {
        const BalanceTable::Row& row = table.row(k);
        int line = k < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(k)] : 0;
        auto problem = [&](const std::string& text) {
            found.report(name, line, levelName(k) + ": " + text);
        };
        LevelSummary s;
        s.level = k;
        s.layout = row[BalanceTable::fieldLayout];
        s.credit = row[BalanceTable::fieldCredit];
        s.page = row[BalanceTable::fieldHint];
        s.wild = row[BalanceTable::fieldWild];
        double speedSum = 0;
        for (int f = 0; f < BalanceTable::fieldCount; ++f)
            if (row[static_cast<size_t>(f)] < 0)
                problem("field " + std::to_string(f) + " is negative");
        for (int c = 0; c <= BalanceTable::fieldWild; ++c) {
            int balls = std::max<int>(0, row[static_cast<size_t>(c)]);
            s.balls += balls;
            speedSum += balls * topSpeed(c);
            if (balls > 0 && c < BalanceTable::fieldWild) {
                ++s.colours;
                s.topSpeed = std::max(s.topSpeed, topSpeed(c));
            }
        }
        for (int f = BalanceTable::fieldGreed; f <= BalanceTable::fieldPoints; ++f)
            s.powerUps += std::max<int>(0, row[static_cast<size_t>(f)]);
        s.meanSpeed = s.balls > 0 ? speedSum / s.balls : 0;
        const TrackLayout* layout = tables.layout(s.layout);
        s.tracks = layout ? layout->usableTrackCount() : 0;

        if (s.balls < 1)
            problem("no balls: the level would be won before it starts");
        if (tables.playableLayout(s.layout) != s.layout || s.layout < 1)
            problem("layout " + std::to_string(s.layout) + " has no tracks");
        if (s.credit < 1)
            problem("no pieces in play at the start: nothing would ever roll");
        else if (s.tracks > 0 && s.credit > s.tracks)
            problem(std::to_string(s.credit) + " pieces in play on " + std::to_string(s.tracks) +
                    " tracks");
        if (s.credit < 2 && row[BalanceTable::fieldColourBomb] > 0)
            problem("colour bombs with one piece in play: a bomb needs two balls of a colour on "
                    "the tracks");
        if (s.page < 0 || s.page > lastPage)
            problem("start page " + std::to_string(s.page) + " is not 0.." +
                    std::to_string(lastPage));
        summaries[difficulty].push_back(s);
    }
}

void LevelDataCheck::checkBonusRows() {
    const BonusTable& rows = tables.bonus;
    int wanted = levelCount / 5 - 1; // after levels 5, 10, ... 45; the last level ends the run
    if (rows.rowCount() < wanted)
        found.report(sceneFile, dataLines.empty() ? 0 : dataLines[0],
                     std::to_string(rows.rowCount()) + " bonus rows; " + std::to_string(wanted) +
                         " rounds follow every fifth level");
    for (int r = 1; r <= rows.rowCount(); ++r) {
        size_t first = 2 + static_cast<size_t>(BonusTable::rowIntegers * (r - 1));
        int line = first < dataLines.size() ? dataLines[first] : 0;
        auto problem = [&](const std::string& text) {
            found.report(sceneFile, line, "bonus row " + std::to_string(r) + ": " + text);
        };
        const BonusTable::Row* row = rows.row(r);
        if (!row) {
            problem("its kind is neither 1 (timed) nor 2 (clearing)");
            continue;
        }
        BonusSummary s;
        s.round = r;
        s.kind = (*row)[BonusTable::fieldKind];
        s.layout = (*row)[BonusTable::fieldLayout];
        s.greed = (*row)[BonusTable::fieldGreed];
        s.credit = (*row)[BonusTable::fieldCredit];
        for (int c = 0; c <= BonusTable::fieldWild; ++c)
            s.balls += std::max<int>(0, (*row)[static_cast<size_t>(c)]);
        const TrackLayout* layout = tables.layout(s.layout);
        s.tracks = layout ? layout->usableTrackCount() : 0;
        for (int f = 0; f <= BonusTable::fieldCredit; ++f)
            if ((*row)[static_cast<size_t>(f)] < 0)
                problem("integer " + std::to_string(f) + " is negative");
        int expected = r % 2 == 1 ? BonusTable::kindTimed : BonusTable::kindClearing;
        if (s.kind != expected)
            problem("kind " + std::to_string(s.kind) +
                    "; the timed (1) and clearing (2) rounds take turns");
        if (tables.playableLayout(s.layout) != s.layout || s.layout < 1)
            problem("layout " + std::to_string(s.layout) + " has no tracks");
        if (s.credit < 1)
            problem("no pieces in play: nothing would ever roll");
        if (s.kind == BonusTable::kindTimed && s.greed < 1)
            problem("a timed round with no greed pieces to catch");
        if (s.kind == BonusTable::kindClearing && s.balls < 1)
            problem("a clearing round with no balls");
        bonus.push_back(s);
    }
}

void LevelDataCheck::checkMapPoints() {
    lang::Ref<lang::InputStream> in = tables.open(MapPoints::fileName, found);
    if (!in)
        return;
    DataProblems again(true);
    LevelFileReader reader(in.get(), MapPoints::fileName, again);
    std::vector<int> lines;
    int numbers = 0;
    for (LevelFileReader::Token t = reader.next(); t != LevelFileReader::Token::End;
         t = reader.next())
        if (t == LevelFileReader::Token::Number && numbers++ % 2 == 0)
            lines.push_back(reader.line());
    for (int k = 1; k <= MapPoints::count; ++k) {
        MapPoints::Point p = tables.mapPoints.point(k);
        if (p.x < 0 || p.y < 0 || p.x > screenWidth - mapCell || p.y > screenHeight - mapCell)
            found.report(MapPoints::fileName,
                         k <= static_cast<int>(lines.size()) ? lines[static_cast<size_t>(k - 1)]
                                                             : 0,
                         "map point " + std::to_string(k) + " (" + std::to_string(p.x) + ", " +
                             std::to_string(p.y) + ") is off the map");
    }
}

} // namespace ripple
