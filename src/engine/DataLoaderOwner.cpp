#include "engine/DataLoaderOwner.h"

#include "core/String.h"

namespace engine {

lang::Ref<lang::Object> DataLoaderOwner::createSprite(const lang::String&, lang::IntArray*,
                                                      lang::ObjectArray*, DataLoader*) {
    return nullptr;
}

} // namespace engine
