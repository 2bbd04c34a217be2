#include "game/BonusTable.h"

#include <algorithm>

namespace ripple {

void BonusTable::read(const int32_t* values, int count, const std::string& source,
                      DataProblems& problems) {
    layouts = 0;
    rows.clear();
    if (!values || count < 2) {
        problems.report(source, 0,
                        "no data block with the layout and bonus counts; no layouts "
                        "and no bonus rounds");
        return;
    }
    layouts = std::max(values[0], 0);
    int wanted = std::max(values[1], 0);
    int complete = (count - 2) / rowIntegers;
    if (wanted > complete)
        problems.report(source, 0,
                        "the data block declares " + std::to_string(wanted) +
                            " bonus rows but holds " + std::to_string(complete) + " complete ones");
    int present = std::min(wanted, complete);
    for (int r = 0; r < present; ++r) {
        const int32_t* in = values + 2 + rowIntegers * r;
        Row row{};
        for (int i = 0; i < 10; ++i)
            row[static_cast<size_t>(i)] = dataInt16(in[i]);
        row[fieldLayout] = dataInt16(in[10]);
        row[fieldKind] = dataInt16(in[11]);
        rows.push_back(row);
    }
}

const BonusTable::Row* BonusTable::row(int index) const {
    if (rows.empty())
        return nullptr;
    if (index < 1 || index > rowCount())
        index = 1;
    const Row& r = rows[static_cast<size_t>(index - 1)];
    if (r[fieldKind] != kindTimed && r[fieldKind] != kindClearing)
        return nullptr;
    return &r;
}

} // namespace ripple
