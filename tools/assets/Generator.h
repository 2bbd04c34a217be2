#pragma once
#include "Art.h"
#include "Sources.h"

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

// One entry of the resource file.
struct Entry {
    std::string name;
    std::vector<uint8_t> bytes;
    bool text = false;
};

// Draws, synthesises and packs the game's data from the sources. The same
// sources always give the same bytes: nothing depends on time, threads'
// timing or the machine.
class Generator {
public:
    explicit Generator(const Sources& sources);

    Raster image(const ImageSpec& spec);
    // The sound's file bytes: a WAV for a sample, a tracker module for music.
    std::vector<uint8_t> sound(const SoundSpec& spec);
    // Every image and sound of the manifests, then every scene file, in the
    // manifests' order; keys without the "+". False (with `error`) when an
    // image cannot be encoded or a scene file cannot be read.
    bool entries(std::vector<Entry>& out, std::string& error);
    // Writes ripple.bin, copies the level files and writes the desktop icons
    // (icons/<size>/ripple.png for 48, 64, 128 and 256 px) into `outDir`.
    bool writeData(const std::string& outDir, std::string& error);
    bool writeDesktopIcons(const std::string& outDir, std::string& error);
    // Writes a contact sheet of every image, each sound's waveform and a
    // composed still of a level in play into `docsDir`.
    bool writeSheets(const std::string& docsDir, std::string& error);

    // A composed still of a level in play: background, tracks, balls of
    // every colour, power-ups, the fish spraying, numbers and a dialog.
    bool writeStill(const std::string& path, std::string& error);

    const Sources& sources() const { return src; }

private:
    const Sources& src;
    ArtContext art;
};

} // namespace assets
