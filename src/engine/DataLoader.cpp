#include "engine/DataLoader.h"

#include "core/Class.h"
#include "core/Exception.h"
#include "core/ObjectArray.h"
#include "engine/DataLoaderOwner.h"
#include "engine/FancyContainer.h"
#include "engine/ImageNameResolver.h"
#include "engine/ImagePack.h"
#include "gfx/Image.h"
#include "io/ByteArrayInputStream.h"
#include "io/FileInputStream.h"
#include "io/ResourceItem.h"
#include "io/StreamTokenizer.h"
#include "platform/Files.h"      // data names use '\' between folders; this system does not
#include "platform/MessageBox.h" // load errors reach the player from the loader thread
#include "sound/AudioClip.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

using lang::adopt;
using lang::Ref;
using lang::StreamTokenizer;
using lang::String;

namespace engine {

namespace {

constexpr const char* errorTitle = "Error";

bool isTag(const String& token) {
    return token.startsWith("<");
}

// The current token as text, or null at the end of the stream.
Ref<String> next(StreamTokenizer& tok) {
    if (tok.nextToken() == StreamTokenizer::TT_EOF)
        return nullptr;
    return tok.toString();
}

void putReplacing(lang::Hashtable& table, const String& key, lang::Object* value) {
    table.remove(&key);
    table.put(key, value);
}

// A sprite type is "Class" or "Class:file", split at the first colon; the
// file names the data file holding a container's children.
struct TypeSpec {
    Ref<String> className;
    Ref<String> fileName;
};

TypeSpec splitType(const String& typeSpec) {
    int colon = typeSpec.indexOf(':');
    if (colon < 0)
        return {adopt(new String(typeSpec)), adopt(new String())};
    return {typeSpec.substring(0, colon), typeSpec.substring(colon + 1)};
}

// A new instance of the registered class, or null for an unknown class.
Ref<lang::Object> instantiate(const String& className) {
    lang::Class* cls = lang::Class::forName(className);
    return cls ? cls->newInstance() : nullptr;
}

} // namespace

// One walk over a data file: either counting the progress steps or loading.
struct DataLoader::Pass {
    bool counting = false;
    int steps = 0;
};

DataLoader::DataLoader(const String& basePath, DataLoaderOwner* owner, ImageNameResolver* resolver)
    : owner(owner), resolver(resolver), basePath(basePath), sounds(adopt(new lang::Vector())),
      strings(adopt(new lang::Vector())), data(adopt(new lang::IntArray())),
      created(adopt(new lang::Vector())), spriteTable(adopt(new lang::Hashtable())),
      imageTable(adopt(new lang::Hashtable())) {}

DataLoader::~DataLoader() = default;

int DataLoader::countItems(const String& fileName) {
    if (root == this) {
        filesRead = 0;
        limitReached = false;
    }
    Pass pass;
    pass.counting = true;
    // Counting only sizes the progress bar: a data error here is left for the
    // loading pass, which reports it; the count is what was seen before it.
    auto error = lang::tryCatch([&] { walk(fileName, pass); });
    return pass.steps;
}

bool DataLoader::load(const String& fileName) {
    if (root == this) {
        filesRead = 0;
        limitReached = false;
    }
    Ref<lang::Exception> error = loadTables(fileName);
    if (!error)
        return true;
    platform::postMessageBox(errorTitle, error->messageText().getChars());
    return false;
}

Ref<lang::Exception> DataLoader::loadTables(const String& fileName) {
    created = adopt(new lang::Vector());
    spriteTable = adopt(new lang::Hashtable());
    imageTable->clear();
    Pass pass;
    return lang::tryCatch([&] { walk(fileName, pass); });
}

void DataLoader::limit(const char* what, const String& fileName) {
    root->limitReached = true;
    String message(what);
    message.append(fileName);
    lang::throwException(message);
}

int32_t DataLoader::toInt32(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

Ref<lang::InputStream> DataLoader::openDataFile(const String& fileName, const String& basePath) {
    if (fileName.startsWith("+")) {
        auto stream = adopt(new lang::ByteArrayInputStream(fileName));
        // A missing item would read as an empty file and pass for a
        // successful load; it is an unreadable file like any other.
        if (!stream->getItem()) {
            String message("Error Opening ");
            message.append(fileName);
            lang::throwException(message);
        }
        return stream;
    }
    return adopt(new lang::FileInputStream(String(pathUnder(basePath, fileName).c_str())));
}

std::string DataLoader::pathUnder(const String& basePath, const String& fileName) {
    if (fileName.startsWith("/"))
        return fileName.getChars();
    return platform::joinPath(basePath.getChars(), fileName.getChars());
}

std::string DataLoader::resolvePath(const String& fileName) const {
    return pathUnder(basePath, fileName);
}

void DataLoader::walk(const String& fileName, Pass& pass) {
    if (root->limitReached)
        limit("Data file limits passed at ", fileName);
    if (depth > maxNesting)
        limit("Data files nested too deeply at ", fileName);
    if (++root->filesRead > maxFiles)
        limit("Too many data files at ", fileName);
    Ref<lang::InputStream> in = openDataFile(fileName, basePath);
    auto tok = adopt(new StreamTokenizer(in.get()));
    tok->eolIsSignificant(false);
    tok->commentChar(';');
    tok->quoteChar('"');
    tok->parseNumbers();
    tok->wordChars('<', '<');
    tok->wordChars('>', '>');

    while (Ref<String> token = next(*tok)) {
        if (token->equalsIgnoreCase("<end>"))
            return;
        if (token->equalsIgnoreCase("<images>"))
            readImages(*tok, pass);
        else if (token->equalsIgnoreCase("<sounds>"))
            readSounds(*tok, pass);
        else if (token->equalsIgnoreCase("<data>"))
            readData(*tok, pass);
        else if (token->equalsIgnoreCase("<strings>"))
            readStrings(*tok, pass);
        else if (token->equalsIgnoreCase("<sprites>"))
            readSprites(*tok, pass);
    }
}

void DataLoader::step(Pass& pass) {
    ++pass.steps;
    if (pass.counting || !owner)
        return;
    owner->advanceProgress();
    if (int pause = owner->getStepPause())
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
}

void DataLoader::readImages(StreamTokenizer& tok, Pass& pass) {
    while (Ref<String> token = next(tok)) {
        if (isTag(*token)) {
            tok.pushBack();
            return;
        }
        if (token->endsWith(".bin")) {
            if (!pass.counting)
                loadPack(*token);
            step(pass);
            continue;
        }
        // A key whose file name is missing is dropped; a tag in its place
        // still opens the next section.
        Ref<String> file = next(tok);
        if (!file)
            return;
        if (isTag(*file)) {
            tok.pushBack();
            return;
        }
        if (!pass.counting) {
            Ref<lang::Image> image = loadImage(*file);
            putReplacing(*imageTable, *token, image.get());
        }
        step(pass);
    }
}

void DataLoader::loadPack(const String& fileName) {
    // A missing or unreadable pack is not an error of its own: the images it
    // would have held are simply absent from the table.
    auto error = lang::tryCatch([&] {
        auto in = adopt(new lang::FileInputStream(String(resolvePath(fileName).c_str())));
        ImagePack::read(*in, *imageTable);
    });
}

Ref<lang::Image> DataLoader::openImage(const String& fileName) {
    if (fileName.startsWith("+"))
        return adopt(new lang::Image(fileName));
    return adopt(new lang::Image(String(resolvePath(fileName).c_str())));
}

Ref<lang::Image> DataLoader::loadImage(const String& name) {
    if (!name.startsWith("@"))
        return openImage(name);
    Ref<String> bare = name.substring(1);
    Ref<String> fallback = String::concat(String("+"), *bare);
    Ref<String> first = resolver ? resolver->resolve(*bare, *fallback) : fallback;
    if (first && !first->equals(*fallback)) {
        Ref<lang::Image> image = openImage(*first);
        if (image->hasPixels())
            return image;
    }
    return openImage(*fallback);
}

void DataLoader::readSounds(StreamTokenizer& tok, Pass& pass) {
    if (!pass.counting)
        sounds = adopt(new lang::Vector());
    while (Ref<String> token = next(tok)) {
        if (isTag(*token)) {
            tok.pushBack();
            return;
        }
        if (token->getLength() <= 2)
            continue;
        if (!pass.counting)
            addSound(*token);
        step(pass);
    }
}

void DataLoader::addSound(const String& token) {
    int kind = lang::AudioClip::kindSample;
    if (token.endsWith(".s3m") || token.endsWith(".mod") || token.endsWith(".xm"))
        kind = lang::AudioClip::kindMusic;
    else if (token.startsWith("*"))
        kind = lang::AudioClip::kindStream;
    // The "*" only marks a stream; it is never part of the name, also where
    // the extension makes the sound a module.
    Ref<String> name = token.startsWith("*") ? token.substring(1) : adopt(new String(token));
    String path(name->startsWith("+") ? name->getChars() : resolvePath(*name).c_str());
    auto clip = adopt(new lang::AudioClip());
    clip->load(path, kind);
    sounds->addElement(clip.get());
}

void DataLoader::readData(StreamTokenizer& tok, Pass& pass) {
    std::vector<int32_t> values;
    // The table is replaced even when the section ends in an error.
    struct Commit {
        DataLoader& loader;
        std::vector<int32_t>& values;
        bool active;
        ~Commit() {
            if (!active)
                return;
            auto table = adopt(new lang::IntArray(static_cast<int>(values.size())));
            for (size_t i = 0; i < values.size(); ++i)
                table->set(static_cast<int>(i), values[i]);
            loader.data = table;
        }
    } commit{*this, values, !pass.counting};
    while (static_cast<int>(values.size()) < maxDataValues) {
        int type = tok.nextToken();
        if (type == StreamTokenizer::TT_EOF)
            return;
        if (type != StreamTokenizer::TT_NUMBER) {
            tok.pushBack();
            return;
        }
        values.push_back(toInt32(tok.nval));
    }
}

void DataLoader::readStrings(StreamTokenizer& tok, Pass& pass) {
    if (!pass.counting)
        strings = adopt(new lang::Vector());
    while (Ref<String> token = next(tok)) {
        if (isTag(*token)) {
            tok.pushBack();
            return;
        }
        if (!pass.counting)
            strings->addElement(token.get());
    }
}

lang::Object* DataLoader::imageArgument(const String& key) {
    if (lang::Object* image = imageTable->get(&key))
        return image;
    Ref<String> resourceKey = String::concat(String("+"), key);
    auto image = adopt(new lang::Image(*resourceKey));
    if (!image->hasPixels())
        return nullptr;
    imageTable->put(key, image.get());
    return image.get();
}

void DataLoader::readSprites(StreamTokenizer& tok, Pass& pass) {
    for (;;) {
        Ref<String> name = next(tok);
        if (!name)
            return;
        if (isTag(*name)) {
            tok.pushBack();
            return;
        }
        Ref<String> type = next(tok);
        if (!type)
            return;
        if (isTag(*type)) {
            tok.pushBack();
            return;
        }
        // The images stay in imageTable for the whole load; the array borrows them.
        std::vector<lang::Object*> objects;
        while (Ref<String> token = next(tok)) {
            if (tok.ttype == StreamTokenizer::TT_NUMBER || isTag(*token)) {
                tok.pushBack();
                break;
            }
            if (token->isEmpty())
                objects.push_back(nullptr);
            else if (pass.counting)
                continue;
            else if (lang::Object* image = imageArgument(*token))
                objects.push_back(image);
        }
        std::vector<int32_t> ints;
        while (tok.nextToken() != StreamTokenizer::TT_EOF) {
            if (tok.ttype != StreamTokenizer::TT_NUMBER) {
                tok.pushBack();
                break;
            }
            ints.push_back(toInt32(tok.nval));
        }
        if (pass.counting) {
            step(pass);
            // Only an owner shows progress, so only then are the children's
            // steps worth the cost of counting them.
            if (owner)
                pass.steps += countChildren(*type);
            continue;
        }
        auto objectArray = adopt(new lang::ObjectArray(static_cast<int>(objects.size())));
        for (size_t i = 0; i < objects.size(); ++i)
            objectArray->set(static_cast<int>(i), objects[i]);
        auto intArray = adopt(new lang::IntArray(static_cast<int>(ints.size())));
        for (size_t i = 0; i < ints.size(); ++i)
            intArray->set(static_cast<int>(i), ints[i]);
        Ref<lang::Object> sprite = createSprite(*type, objectArray.get(), intArray.get());
        // Every entry is one step, created or not, so that the steps match
        // countItems exactly.
        step(pass);
        if (sprite)
            registerSprite(sprite.get(), *name);
    }
}

Ref<lang::Object> DataLoader::createSprite(const String& typeSpec, lang::ObjectArray* objects,
                                           lang::IntArray* ints) {
    Ref<lang::Object> sprite;
    if (owner)
        sprite = owner->createSprite(typeSpec, ints, objects, this);
    if (!sprite)
        sprite = createByClassName(typeSpec, objects, ints);
    return sprite;
}

// The default creation: an instance of the class the type names, configured
// with the entry's arguments. Classes that are not sprites cannot take them
// and are dropped like unknown ones.
Ref<lang::Object> DataLoader::createByClassName(const String& typeSpec, lang::ObjectArray* objects,
                                                lang::IntArray* ints) {
    TypeSpec parsed = splitType(typeSpec);
    Ref<lang::Object> object = instantiate(*parsed.className);
    auto* sprite = lang::as<SpriteBase>(object);
    if (!sprite)
        return nullptr;
    sprite->configure(objects, ints);
    if (auto* container = lang::as<FancyContainer>(object);
        container && !parsed.fileName->isEmpty())
        loadChildren(container, *parsed.fileName);
    return object;
}

Ref<DataLoader> DataLoader::subLoader() const {
    auto loader = adopt(new DataLoader(basePath, owner.get(), resolver.get()));
    loader->depth = depth + 1;
    loader->root = root;
    return loader;
}

// A container's children come from their own file. A file that fails shows
// its message and leaves the container empty while this load goes on; a
// passed limit fails the whole load instead.
void DataLoader::loadChildren(FancyContainer* container, const String& fileName) {
    Ref<DataLoader> children = subLoader();
    if (Ref<lang::Exception> error = children->loadTables(fileName)) {
        if (root->limitReached)
            lang::throwException(error->messageText());
        platform::postMessageBox(errorTitle, error->messageText().getChars());
        return;
    }
    lang::Vector* made = children->getCreated();
    for (int i = 0; i < made->size(); ++i)
        container->add(made->elementAt(i));
    container->loaded(children.get());
}

// The steps a container entry's children will add to the load; 0 for any
// other entry. The class is instantiated only to learn what it is.
int DataLoader::countChildren(const String& typeSpec) {
    TypeSpec parsed = splitType(typeSpec);
    if (parsed.fileName->isEmpty())
        return 0;
    Ref<lang::Object> probe = instantiate(*parsed.className);
    if (!lang::as<FancyContainer>(probe))
        return 0;
    probe = nullptr;
    return subLoader()->countItems(*parsed.fileName);
}

void DataLoader::registerSprite(lang::Object* sprite, const String& name) {
    created->addElement(sprite);
    if (name.isEmpty())
        return;
    if (auto* named = lang::as<SpriteBase>(sprite))
        named->setName(name);
    putReplacing(*spriteTable, name, sprite);
}

} // namespace engine
