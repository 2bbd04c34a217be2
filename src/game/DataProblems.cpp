#include "game/DataProblems.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace ripple {

void DataProblems::report(const std::string& file, int line, const std::string& text) {
    std::string message(file);
    if (line > 0) {
        message.push_back(':');
        message.append(std::to_string(line));
    }
    message.append(": ");
    message.append(text);
    if (!quiet)
        std::fprintf(stderr, "%s\n", message.c_str());
    list.push_back(std::move(message));
}

bool DataProblems::mentions(const std::string& text) const {
    for (const std::string& message : list)
        if (message.find(text) != std::string::npos)
            return true;
    return false;
}

int32_t dataInt32(double value) {
    if (!std::isfinite(value))
        return 0;
    value = std::trunc(value);
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int16_t dataInt16(double value) {
    int32_t wide = dataInt32(value);
    if (wide > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (wide < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(wide);
}

} // namespace ripple
