#include "io/ResourceItem.h"

namespace lang {} // namespace lang
