#pragma once

#include "sound/BufferedSource.h"

#include <memory>

namespace sound {

// A WAV or Ogg Vorbis sound decoded incrementally while it plays.
class Stream : public BufferedSource {
    LANG_CLASS(Stream, lang::Object);

    ~Stream() override;

    // Null when the data is not a readable sound or holds no frames. The
    // memory is read while the stream plays: the caller keeps it valid and
    // unchanged until the stream is destroyed.
    static lang::Ref<Stream> open(SoundEngine* engine, const void* data, size_t size);
    static lang::Ref<Stream> openFile(SoundEngine* engine, const char* path);

protected:
    int decode(int16_t* out, int frames) override;
    bool rewindDecoder() override;

private:
    Stream(SoundEngine* engine, std::unique_ptr<SoundFile> file);

    std::unique_ptr<SoundFile> file;
};

} // namespace sound
