#include "gfx/ImageArray.h"

namespace lang {} // namespace lang
