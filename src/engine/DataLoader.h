#pragma once

#include "core/Hashtable.h"
#include "core/IntArray.h"
#include "core/String.h"
#include "core/Vector.h"

#include <cstdint>
#include <string>

namespace lang {
class Exception;
class Image;
class InputStream;
class ObjectArray;
class StreamTokenizer;
} // namespace lang

namespace engine {

class DataLoaderOwner;
class FancyContainer;
class ImageNameResolver;

// Reads the game's text data files: sections of images, sounds, numbers,
// strings and sprite descriptions, filling a table for each. Sprites are
// created by the owner's createSprite hook or by class name through the class
// registry. A DataLoader is used by one thread at a time (the loader thread);
// its tables are read once the load is done.
//
// File names: "+name" is an item of the registered resource files; any other
// name is a path under basePath.
class DataLoader : public lang::Object {
    LANG_CLASS(DataLoader, lang::Object);

    // The "<data>" section keeps at most this many numbers.
    static constexpr int maxDataValues = 500;
    // Containers load their children from further data files, which may hold
    // containers again; deeper than this is taken for a file that includes
    // itself and fails that load instead of exhausting the stack.
    static constexpr int maxNesting = 8;
    // A load reads at most this many files, its containers' included: files
    // of a few containers that each name the next file would otherwise
    // multiply into millions of reads within the nesting limit.
    static constexpr int maxFiles = 1000;

    // `owner` and `resolver` may be null; both are held counted.
    DataLoader(const lang::String& basePath, DataLoaderOwner* owner, ImageNameResolver* resolver);
    ~DataLoader() override;
    DataLoader(const DataLoader&) = delete;
    DataLoader& operator=(const DataLoader&) = delete;

    // The number of progress steps that load(fileName) will report. Creates
    // nothing and shows no message: on an error it returns the count so far
    // (the load that follows reports the error).
    int countItems(const lang::String& fileName);
    // Reads the file to "<end>" or to its end and returns true. An error while
    // reading ends the load with a message box titled "Error" and returns
    // false; what was loaded up to then stays in the tables. The box is posted
    // to the main thread: a loading thread never waits for it.
    bool load(const lang::String& fileName);

    // The tables, borrowed. sounds holds AudioClip objects and strings String
    // objects, by index in file order; data the numbers of "<data>".
    lang::Vector* getSounds() const { return sounds.get(); }
    lang::Vector* getStrings() const { return strings.get(); }
    lang::IntArray* getData() const { return data.get(); }
    // The sprites of the last load, in creation order.
    lang::Vector* getCreated() const { return created.get(); }
    // Sprite name -> sprite, of the last load.
    lang::Hashtable* getSpriteTable() const { return spriteTable.get(); }
    // Image key -> Image, of the last load.
    lang::Hashtable* getImageTable() const { return imageTable.get(); }

    const lang::String& getBasePath() const { return basePath; }
    DataLoaderOwner* getOwner() const { return owner.get(); }
    ImageNameResolver* getResolver() const { return resolver.get(); }

    // Loads one image by name: "@name" through the resolver (falling back to
    // "+name"), "+key" from the resource files, anything else from a file
    // under basePath. Never null; an image that failed to load is empty.
    lang::Ref<lang::Image> loadImage(const lang::String& name);

    // Opens a data file: "+name" an item of the registered resource files,
    // any other name a file under `basePath` (an absolute path as it is).
    // Throws "Error Opening " and the name when it cannot be opened.
    static lang::Ref<lang::InputStream> openDataFile(const lang::String& fileName,
                                                     const lang::String& basePath);
    // A number of a data file (a double) for an integer slot: truncated and
    // held within 32 bits; NaN counts as 0.
    static int32_t toInt32(double value);

private:
    struct Pass;

    void walk(const lang::String& fileName, Pass& pass);
    lang::Ref<lang::Exception> loadTables(const lang::String& fileName);
    [[noreturn]] void limit(const char* what, const lang::String& fileName);
    void readImages(lang::StreamTokenizer& tok, Pass& pass);
    void readSounds(lang::StreamTokenizer& tok, Pass& pass);
    void readData(lang::StreamTokenizer& tok, Pass& pass);
    void readStrings(lang::StreamTokenizer& tok, Pass& pass);
    void readSprites(lang::StreamTokenizer& tok, Pass& pass);
    void step(Pass& pass);
    void loadPack(const lang::String& fileName);
    lang::Ref<lang::Image> openImage(const lang::String& fileName);
    lang::Object* imageArgument(const lang::String& key);
    void addSound(const lang::String& token);
    lang::Ref<lang::Object> createSprite(const lang::String& typeSpec, lang::ObjectArray* objects,
                                         lang::IntArray* ints);
    lang::Ref<lang::Object> createByClassName(const lang::String& typeSpec,
                                              lang::ObjectArray* objects, lang::IntArray* ints);
    void loadChildren(FancyContainer* container, const lang::String& fileName);
    int countChildren(const lang::String& typeSpec);
    lang::Ref<DataLoader> subLoader() const;
    void registerSprite(lang::Object* sprite, const lang::String& name);
    std::string resolvePath(const lang::String& fileName) const;
    // `fileName` under `basePath`; an absolute path as it is.
    static std::string pathUnder(const lang::String& basePath, const lang::String& fileName);

    lang::Ref<DataLoaderOwner> owner;
    lang::Ref<ImageNameResolver> resolver;
    lang::String basePath;
    lang::Ref<lang::Vector> sounds;
    lang::Ref<lang::Vector> strings;
    lang::Ref<lang::IntArray> data;
    lang::Ref<lang::Vector> created;
    lang::Ref<lang::Hashtable> spriteTable;
    lang::Ref<lang::Hashtable> imageTable;
    // How many container files this loader is below the first one.
    int depth = 0;
    // The loader whose load or count started the reading; it counts the files
    // read by every loader below it, which all finish within its call.
    DataLoader* root = this;
    int filesRead = 0;
    // Set on the root once a limit above was passed: the whole load fails
    // with one message rather than one per container below.
    bool limitReached = false;
};

} // namespace engine
