#include "sound/Stream.h"

#include "sound/SoundFile.h"

namespace sound {

using lang::adopt;
using lang::Ref;

Stream::Stream(SoundEngine* engine, std::unique_ptr<SoundFile> file_)
    : BufferedSource(engine, file_->getRate()), file(std::move(file_)) {}

Stream::~Stream() {
    unregister();
}

Ref<Stream> Stream::open(SoundEngine* engine, const void* data, size_t size) {
    auto file = SoundFile::openMemory(data, size);
    if (!file || file->getDeclaredFrames() <= 0)
        return nullptr;
    return adopt(new Stream(engine, std::move(file)));
}

Ref<Stream> Stream::openFile(SoundEngine* engine, const char* path) {
    auto file = SoundFile::openFile(path);
    if (!file || file->getDeclaredFrames() <= 0)
        return nullptr;
    return adopt(new Stream(engine, std::move(file)));
}

int Stream::decode(int16_t* out, int frames) {
    return file->readStereo(out, frames);
}

bool Stream::rewindDecoder() {
    return file->rewind();
}

} // namespace sound
