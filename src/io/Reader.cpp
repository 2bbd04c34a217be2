#include "io/Reader.h"

namespace lang {} // namespace lang
