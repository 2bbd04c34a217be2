#include "gfx/FancyHelper.h"

namespace lang {} // namespace lang
