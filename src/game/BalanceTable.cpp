#include "game/BalanceTable.h"

#include "game/LevelFileReader.h"

#include <algorithm>

namespace ripple {

namespace {

// Reads up to `records` records; returns the complete ones (the last record is
// dropped when the file ends inside it). `values` counts the numbers read.
std::vector<BalanceTable::Row> readBlock(LevelFileReader& reader, int records, int& values) {
    std::vector<BalanceTable::Row> block;
    values = 0;
    for (int k = 0; k < records; ++k) {
        BalanceTable::Row row{};
        for (int f = 0; f < BalanceTable::fieldCount; ++f) {
            double value = 0;
            if (!reader.nextNumber(value))
                return block;
            ++values;
            row[static_cast<size_t>(f)] = dataInt16(value);
        }
        block.push_back(row);
    }
    return block;
}

} // namespace

const char* BalanceTable::fileName(int difficulty) {
    static const char* const names[] = {"balancedataeasy.dat", "balancedatanormal.dat",
                                        "balancedatahard.dat"};
    return difficulty >= 0 && difficulty < 3 ? names[difficulty] : nullptr;
}

bool BalanceTable::read(lang::InputStream* in, const std::string& file, DataProblems& problems) {
    LevelFileReader reader(in, file, problems);
    double count = 0;
    if (!reader.nextNumber(count)) {
        problems.report(file, reader.line(), "no level count; the file is not used");
        return false;
    }
    int levels = dataInt16(count);
    if (levels < 1) {
        reader.report("level count " + std::to_string(levels) +
                      " is below 1; the file is not used");
        return false;
    }
    int values = 0;
    std::vector<Row> first = readBlock(reader, levels, values);
    if (first.empty()) {
        reader.report("no complete level record; the file is not used");
        return false;
    }
    if (static_cast<int>(first.size()) < levels) {
        reader.report("the file ends after " + std::to_string(first.size()) + " of " +
                      std::to_string(levels) + " level records; the level count becomes " +
                      std::to_string(first.size()));
        levels = static_cast<int>(first.size());
    }
    std::vector<Row> table(1, Row{});
    table.insert(table.end(), first.begin(), first.end());

    // Each further block is announced by one token that is skipped.
    while (reader.next() != LevelFileReader::Token::End) {
        std::vector<Row> block = readBlock(reader, levels, values);
        if (values == 0) {
            reader.report("a stray value at the end of the file is ignored");
            break;
        }
        if (static_cast<int>(block.size()) < levels) {
            reader.report("the file ends inside a block of level records; that block is ignored");
            break;
        }
        std::copy(block.begin(), block.end(), table.begin() + 1);
    }
    rows = std::move(table);
    return true;
}

const BalanceTable::Row& BalanceTable::row(int level) const {
    int last = levelCount();
    if (last < 1)
        return rows[0];
    return rows[static_cast<size_t>(std::clamp(level, 1, last))];
}

} // namespace ripple
