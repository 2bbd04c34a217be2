// Generates the game's data: every image and sound the manifests name, drawn
// and synthesised from the readable sources in data/, packed with the scene
// files into ripple.bin, and the level files copied beside it.
//
//   ripple-assets DATA_DIR OUT_DIR [--sheets DOCS_DIR]
//
// Exit status: 0 done, 1 a source or an output failed, 2 bad arguments.
#include "Generator.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--sheets") == 0)) {
        std::fprintf(stderr, "usage: ripple-assets DATA_DIR OUT_DIR [--sheets DOCS_DIR]\n");
        return 2;
    }
    assets::Sources sources;
    std::string error;
    if (!assets::readSources(argv[1], sources, error)) {
        std::fprintf(stderr, "ripple-assets: %s\n", error.c_str());
        return 1;
    }
    assets::Generator generator(sources);
    if (!generator.writeData(argv[2], error)) {
        std::fprintf(stderr, "ripple-assets: %s\n", error.c_str());
        return 1;
    }
    if (argc == 5 && !generator.writeSheets(argv[4], error)) {
        std::fprintf(stderr, "ripple-assets: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
