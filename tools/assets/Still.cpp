#include "Generator.h"

#include "gfx/PngEncoder.h"

namespace assets {

bool Generator::writeStill(const std::string&, std::string&) {
    return true;
}

} // namespace assets
