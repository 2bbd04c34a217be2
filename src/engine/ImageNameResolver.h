#pragma once

#include "core/String.h"

namespace engine {

// Maps an overridable image name (one written with a leading "@") to the name
// of the image to try first: a "+" resource key or a file name. When that
// image cannot be loaded the loader falls back to `fallback`.
class ImageNameResolver : public lang::Object {
public:
    // `bare` is the name without its "@"; `fallback` is "+" followed by it.
    // Returns a new string owned by the caller, or null for "use the fallback".
    virtual lang::Ref<lang::String> resolve(const lang::String& bare,
                                            const lang::String& fallback) = 0;
};

} // namespace engine
