#include "engine/DataLoader.h"
#include "core/Class.h"
#include "core/Exception.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "engine/DataLoaderOwner.h"
#include "engine/FancyContainer.h"
#include "engine/ImageNameResolver.h"
#include "engine/ImagePack.h"
#include "engine/Sprite.h"
#include "gfx/Image.h"
#include "gfx/PngEncoder.h"
#include "gfx/Rectangle.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "sound/AudioClip.h"
#include "support/IoTestSupport.h"
#include "support/SoundData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

using engine::DataLoader;
using engine::DataLoaderOwner;
using engine::ImagePack;
using lang::adopt;
using lang::Image;
using lang::Ref;
using lang::String;

namespace {

std::vector<std::pair<std::string, std::string>> boxes;

void recordBox(const std::string& title, const std::string& text) {
    boxes.emplace_back(title, text);
}

// A PNG of one colour, w x h.
std::vector<uint8_t> png(int w, int h, uint32_t argb = 0xFF336699) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h), argb);
    return lang::PngEncoder::encode(pixels.data(), w, h, true);
}

// What the owner's hook saw of one sprite entry.
struct Entry {
    std::string type;
    std::vector<int32_t> ints;
    std::vector<const lang::Object*> objects;
};

// Stands for a created sprite.
class Made : public lang::Object {
public:
    explicit Made(int index) : index(index) {}
    int index;
};

class TestOwner : public lang::Object, public DataLoaderOwner {
public:
    int addRef() const override { return lang::Object::addRef(); }
    int release() const override { return lang::Object::release(); }

    Ref<lang::Object> createSprite(const String& typeSpec, lang::IntArray* ints,
                                   lang::ObjectArray* objects, DataLoader* loader) override {
        EXPECT_NE(loader, nullptr);
        Entry e;
        e.type = typeSpec.getChars();
        for (int i = 0; i < ints->size(); ++i)
            e.ints.push_back(ints->get(i));
        for (int i = 0; i < objects->size(); ++i)
            e.objects.push_back(objects->get(i));
        entries.push_back(e);
        if (declineAll)
            return nullptr;
        if (typeSpec.equals("Boom"))
            lang::throwException("creation failed");
        if (typeSpec.equals("Unknown"))
            return nullptr;
        return adopt(new Made(static_cast<int>(entries.size()) - 1));
    }

    std::vector<Entry> entries;
    // Leaves every entry to creation by class name.
    bool declineAll = false;
};

// A registered class that is not a sprite: a data file naming it gets nothing.
class NotASprite : public lang::Object {};
LANG_REGISTER_CLASS(NotASprite);

// A container that records what the loader hands it once its children exist.
class RecordingPanel : public engine::FancyContainer {
public:
    void loaded(lang::Object* loader) override {
        ++loadedCalls;
        auto* l = static_cast<DataLoader*>(loader);
        childrenAtLoaded = getChildren()->size();
        namedInLoader = l->getSpriteTable()->size();
    }
    int loadedCalls = 0;
    int childrenAtLoaded = -1;
    int namedInLoader = -1;
};
LANG_REGISTER_CLASS(RecordingPanel);

class Resolver : public engine::ImageNameResolver {
public:
    explicit Resolver(std::string answer) : answer(std::move(answer)) {}
    Ref<String> resolve(const String& bare, const String& fallback) override {
        seen = std::string(bare.getChars()) + "," + fallback.getChars();
        return adopt(new String(answer.c_str()));
    }
    std::string answer;
    std::string seen;
};

class DataLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        boxes.clear();
        platform::setMessageBoxObserver(recordBox);
        owner = adopt(new TestOwner());
    }
    void TearDown() override {
        platform::setMessageBoxObserver(nullptr);
        lang::clearResourceFiles();
    }

    // Registers a resource file holding the given entries.
    void resources(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& items) {
        lang::ResourceFileWriter writer;
        for (const auto& [name, bytes] : items)
            writer.addEntry(name, bytes.data(), static_cast<int>(bytes.size()));
        std::string path = dir.path() + "/res" + std::to_string(++resourceFiles) + ".bin";
        ASSERT_TRUE(writer.writeTo(path.c_str()));
        lang::registerResourceFile(String(path.c_str()));
    }

    Ref<DataLoader> loader(engine::ImageNameResolver* resolver = nullptr) {
        return adopt(new DataLoader(String(dir.path().c_str()), owner.get(), resolver));
    }

    // Loads `text` written as main.txt; checks that the steps reported match
    // countItems.
    bool loadText(DataLoader& l, const std::string& text) {
        dir.write("main.txt", text);
        int expected = l.countItems("main.txt");
        int before = owner->getProgress();
        bool ok = l.load("main.txt");
        EXPECT_EQ(owner->getProgress() - before, expected);
        return ok;
    }

    static std::string stringAt(lang::Vector* v, int i) {
        return static_cast<String*>(v->elementAt(i))->getChars();
    }
    static Image* image(DataLoader& l, const char* key) {
        return static_cast<Image*>(l.getImageTable()->get(key));
    }

    iotest::TempDir dir;
    Ref<TestOwner> owner;
    int resourceFiles = 0;
};

TEST_F(DataLoaderTest, EmptyFileAndFileWithoutEndLoadWithEmptyTables) {
    auto l = loader();
    EXPECT_TRUE(loadText(*l, ""));
    EXPECT_TRUE(loadText(*l, "; only a comment\n<strings>"));
    EXPECT_EQ(l->getStrings()->size(), 0);
    EXPECT_EQ(l->getSounds()->size(), 0);
    EXPECT_EQ(l->getData()->size(), 0);
    EXPECT_EQ(l->getCreated()->size(), 0);
    EXPECT_EQ(l->getImageTable()->size(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataLoaderTest, SectionsInAnyOrderRepeatedAndEndingAtEnd) {
    dir.write("a.png", png(3, 2));
    dir.write("art/b.png", png(5, 4));
    resources({{"logo", png(7, 1)}});
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "junk 42 <STRINGS> old ; replaced below\n"
                             "<Data> 1 -2 2.7 99999999999 -99999999999 0x10\n"
                             "<images> a a.png b art\\b.png logo +logo gone missing.png\n"
                             "<strings> hello \"two words\" 12 2.5 \"\"\n"
                             "<end> <strings> never"));
    ASSERT_EQ(l->getStrings()->size(), 5);
    EXPECT_EQ(stringAt(l->getStrings(), 0), "hello");
    EXPECT_EQ(stringAt(l->getStrings(), 1), "two words");
    EXPECT_EQ(stringAt(l->getStrings(), 2), "12");
    EXPECT_EQ(stringAt(l->getStrings(), 3), "2.5");
    EXPECT_EQ(stringAt(l->getStrings(), 4), "");

    lang::IntArray* data = l->getData();
    ASSERT_EQ(data->size(), 6);
    EXPECT_EQ(data->get(0), 1);
    EXPECT_EQ(data->get(1), -2);
    EXPECT_EQ(data->get(2), 2);
    EXPECT_EQ(data->get(3), INT32_MAX);
    EXPECT_EQ(data->get(4), INT32_MIN);
    EXPECT_EQ(data->get(5), 16);

    ASSERT_NE(image(*l, "a"), nullptr);
    EXPECT_EQ(image(*l, "a")->getWidth(), 3);
    EXPECT_EQ(image(*l, "b")->getWidth(), 5);
    EXPECT_EQ(image(*l, "logo")->getWidth(), 7);
    // A file that cannot be read still takes its key, as an empty image.
    ASSERT_NE(image(*l, "gone"), nullptr);
    EXPECT_FALSE(image(*l, "gone")->hasPixels());
    EXPECT_EQ(owner->getProgress(), 4);
}

TEST_F(DataLoaderTest, NextLoadClearsImagesAndSpritesButKeepsSectionsNotRepeated) {
    dir.write("a.png", png(1, 1));
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<images> a a.png <strings> s <sprites> one Sprite 1"));
    ASSERT_TRUE(loadText(*l, "<data> 5"));
    EXPECT_EQ(l->getImageTable()->size(), 0);
    EXPECT_EQ(l->getCreated()->size(), 0);
    EXPECT_EQ(l->getSpriteTable()->get("one"), nullptr);
    EXPECT_EQ(l->getStrings()->size(), 1);
    EXPECT_EQ(l->getData()->size(), 1);
}

TEST_F(DataLoaderTest, DataKeepsFiveHundredNumbersAndTheRestIsSkipped) {
    std::string text = "<data>";
    for (int i = 0; i < 501; ++i)
        text += " " + std::to_string(i);
    text += " <strings> after <data> 7 8 word 9";
    auto l = loader();
    ASSERT_TRUE(loadText(*l, text));
    // The second "<data>" replaced the first; its word ended it.
    ASSERT_EQ(l->getData()->size(), 2);
    EXPECT_EQ(l->getData()->get(1), 8);
    ASSERT_EQ(l->getStrings()->size(), 1);
    EXPECT_EQ(stringAt(l->getStrings(), 0), "after");

    ASSERT_TRUE(loadText(*l, text.substr(0, text.find(" <strings>"))));
    ASSERT_EQ(l->getData()->size(), 500);
    EXPECT_EQ(l->getData()->get(499), 499);
}

TEST_F(DataLoaderTest, ImageKeyWithoutFileNameLeavesTheNextSectionIntact) {
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<images> lonely <strings> kept"));
    EXPECT_EQ(l->getImageTable()->size(), 0);
    ASSERT_EQ(l->getStrings()->size(), 1);
    ASSERT_TRUE(loadText(*l, "<images> lonely"));
}

TEST_F(DataLoaderTest, OverridableImagesGoThroughTheResolverThenTheResourceKey) {
    dir.write("skin.png", png(9, 9));
    resources({{"button", png(2, 2)}, {"icon", png(4, 4)}});
    auto found = adopt(new Resolver("skin.png"));
    auto l = loader(found.get());
    ASSERT_TRUE(loadText(*l, "<images> b @button"));
    EXPECT_EQ(found->seen, "button,+button");
    EXPECT_EQ(image(*l, "b")->getWidth(), 9);

    auto missing = adopt(new Resolver("nothing.png"));
    l = loader(missing.get());
    ASSERT_TRUE(loadText(*l, "<images> b @button"));
    EXPECT_EQ(image(*l, "b")->getWidth(), 2);

    l = loader();
    ASSERT_TRUE(loadText(*l, "<images> i @icon j @absent"));
    EXPECT_EQ(image(*l, "i")->getWidth(), 4);
    EXPECT_FALSE(image(*l, "j")->hasPixels());
}

TEST_F(DataLoaderTest, SoundKindsComeFromTheNames) {
    ASSERT_TRUE(lang::AudioClip::initAudio(lang::AudioClip::outputNone, -1, false));
    testsound::Bytes beep = testsound::makeWav(testsound::constant(441, 1000), 1, 22050);
    resources({{"beep", beep}});
    dir.write("hit.wav", std::string(beep.begin(), beep.end()));
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<sounds> ab c +beep hit.wav *song.ogg *tune.mod reel.xm x.s3m "
                             "<sounds> first <strings> s <sounds> hit.wav *+beep"));
    // The last "<sounds>" replaced the table.
    ASSERT_EQ(l->getSounds()->size(), 2);
    auto clip = [&](int i) { return static_cast<lang::AudioClip*>(l->getSounds()->elementAt(i)); };
    EXPECT_EQ(clip(0)->getKind(), lang::AudioClip::kindSample);
    EXPECT_TRUE(clip(0)->hasHandle());
    EXPECT_EQ(clip(1)->getKind(), lang::AudioClip::kindStream);
    EXPECT_EQ(std::string(clip(1)->getName().getChars()), "+beep");
    EXPECT_TRUE(clip(1)->hasHandle());

    ASSERT_TRUE(loadText(*l, "<sounds> ab c +beep hit.wav *song.ogg *tune.mod reel.xm x.s3m"));
    ASSERT_EQ(l->getSounds()->size(), 6); // "ab" and "c" are neither loaded nor counted
    const int kinds[] = {lang::AudioClip::kindSample, lang::AudioClip::kindSample,
                         lang::AudioClip::kindStream, lang::AudioClip::kindMusic,
                         lang::AudioClip::kindMusic,  lang::AudioClip::kindMusic};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(clip(i)->getKind(), kinds[i]) << i;
    EXPECT_TRUE(clip(0)->hasHandle());
    EXPECT_TRUE(clip(1)->hasHandle());
    // "*tune.mod" is a module named tune.mod under the base path.
    EXPECT_EQ(std::string(clip(3)->getName().getChars()), dir.path() + "/tune.mod");
    lang::AudioClip::closeAudio();
}

TEST_F(DataLoaderTest, SpriteEntriesReachTheOwnersHookWithTheirArguments) {
    dir.write("a.png", png(1, 1));
    resources({{"extra", png(6, 6)}});
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<images> a a.png\n"
                             "<sprites>\n"
                             "first Sprite a \"\" nosuch extra \"\" 10 -20 3.5\n"
                             "\"\" Panel:child.txt 1 2\n"
                             "first AnimateSprite a\n"
                             "<strings> s <sprites> dropped Unknown 5\n"
                             "last Sprite"));
    auto& entries = owner->entries;
    ASSERT_EQ(entries.size(), 5u);

    lang::Object* a = l->getImageTable()->get("a");
    lang::Object* extra = l->getImageTable()->get("extra");
    ASSERT_NE(extra, nullptr); // loaded from "+extra" once and kept
    EXPECT_EQ(entries[0].type, "Sprite");
    EXPECT_EQ(entries[0].objects, (std::vector<const lang::Object*>{a, nullptr, extra, nullptr}));
    EXPECT_EQ(entries[0].ints, (std::vector<int32_t>{10, -20, 3}));
    EXPECT_EQ(entries[1].type, "Panel:child.txt");
    EXPECT_TRUE(entries[1].objects.empty());
    EXPECT_EQ(entries[2].type, "AnimateSprite");
    EXPECT_TRUE(entries[2].ints.empty()); // the tag after it ends the entry
    EXPECT_EQ(entries[2].objects.size(), 1u);
    EXPECT_TRUE(entries[4].ints.empty()); // ended by the end of the file

    // Duplicate names are both created; the table holds the later. The
    // anonymous sprite is created but not named; a sprite the hook declined is
    // dropped.
    lang::Vector* created = l->getCreated();
    ASSERT_EQ(created->size(), 4);
    EXPECT_EQ(static_cast<Made*>(created->elementAt(3))->index, 4);
    EXPECT_EQ(l->getSpriteTable()->size(), 2);
    EXPECT_EQ(l->getSpriteTable()->get("first"), created->elementAt(2));
    EXPECT_EQ(l->getSpriteTable()->get("last"), created->elementAt(3));
    EXPECT_EQ(l->getSpriteTable()->get("dropped"), nullptr);
    EXPECT_EQ(l->getStrings()->size(), 1);
}

TEST_F(DataLoaderTest, CountingCreatesAndLoadsNothing) {
    resources({{"extra", png(6, 6)}});
    dir.write("main.txt", "<images> a a.png pack.bin <sounds> abc <sprites> x Sprite extra 1");
    auto l = loader();
    EXPECT_EQ(l->countItems("main.txt"), 4);
    EXPECT_TRUE(owner->entries.empty());
    EXPECT_EQ(l->getImageTable()->size(), 0);
    EXPECT_EQ(owner->getProgress(), 0);
}

TEST_F(DataLoaderTest, UnreadableFileShowsErrorBoxAndKeepsWhatWasLoaded) {
    auto l = loader();
    EXPECT_EQ(l->countItems("absent.txt"), 0);
    EXPECT_TRUE(boxes.empty()); // counting stays silent; the load reports
    EXPECT_FALSE(l->load("absent.txt"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "Error");
    EXPECT_EQ(boxes[0].second, "Error Opening " + dir.path() + "/absent.txt");

    boxes.clear();
    EXPECT_FALSE(l->load("+absent"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].second, "Error Opening +absent");

    // An error partway through ends the load; earlier tables stay filled.
    boxes.clear();
    dir.write("main.txt", "<strings> kept <sprites> a Sprite 1 b Boom 2 c Sprite 3 <data> 1");
    EXPECT_EQ(l->countItems("main.txt"), 3);
    EXPECT_FALSE(l->load("main.txt"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].second, "creation failed");
    EXPECT_EQ(l->getStrings()->size(), 1);
    EXPECT_EQ(l->getCreated()->size(), 1);
    EXPECT_EQ(l->getData()->size(), 0);
}

TEST_F(DataLoaderTest, DataFilesComeFromResourcesAndJoinedBasePaths) {
    resources({{"datafile", std::vector<uint8_t>{'<', 'd', 'a', 't', 'a', '>', ' ', '3'}}});
    auto l = loader();
    ASSERT_TRUE(l->load("+datafile"));
    EXPECT_EQ(l->getData()->get(0), 3);

    dir.write("sub/inner.txt", "<data> 4");
    dir.write("sub/p.png", png(2, 3));
    auto trailing =
        adopt(new DataLoader(String((dir.path() + "\\sub\\").c_str()), nullptr, nullptr));
    ASSERT_TRUE(trailing->load("inner.txt"));
    EXPECT_EQ(trailing->getData()->get(0), 4);
    ASSERT_TRUE(l->load("sub\\inner.txt"));
    EXPECT_EQ(l->getData()->get(0), 4);
}

TEST_F(DataLoaderTest, BrokenTextNeverFails) {
    auto l = loader();
    EXPECT_TRUE(loadText(*l, "<strings> \"never closed"));
    EXPECT_EQ(stringAt(l->getStrings(), 0), "never closed");
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 4000; ++i) {
        x = x * 1103515245 + 12345;
        garbage += static_cast<char>(x >> 16);
    }
    for (const char* head : {"<images> ", "<sounds> ", "<data> ", "<sprites> ", "<strings> "})
        EXPECT_TRUE(loadText(*l, head + garbage)) << head;
}

// Packs ------------------------------------------------------------------

struct PackBytes {
    std::vector<uint8_t> data;
    PackBytes& u32(uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            data.push_back(static_cast<uint8_t>(v >> shift));
        return *this;
    }
    PackBytes& entry(const std::string& key, const std::vector<uint8_t>& bytes) {
        u32(static_cast<uint32_t>(bytes.size()));
        data.push_back(static_cast<uint8_t>(key.size() + 1));
        data.insert(data.end(), key.begin(), key.end());
        data.push_back(0);
        for (uint8_t b : bytes)
            data.push_back(b ^ 0xA5);
        return *this;
    }
};

TEST_F(DataLoaderTest, ImagePacksFillTheImageTable) {
    std::vector<uint8_t> pack;
    ASSERT_TRUE(ImagePack::write({{"red", png(2, 2)}, {"blue", png(3, 1)}}, pack));
    dir.write("art.bin", pack);
    dir.write("green.png", png(8, 8));
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<images> art.bin g green.png missing.bin"));
    EXPECT_EQ(image(*l, "red")->getWidth(), 2);
    EXPECT_EQ(image(*l, "blue")->getWidth(), 3);
    EXPECT_EQ(image(*l, "g")->getWidth(), 8);
    EXPECT_EQ(l->getImageTable()->size(), 3);
    EXPECT_EQ(owner->getProgress(), 3);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataLoaderTest, BadPacksAreIgnoredAndCutEntriesDropped) {
    auto a = png(2, 2);
    auto b = png(3, 3);
    uint32_t total = static_cast<uint32_t>(8 + 4 + 2 + 1 + a.size() + 4 + 2 + 1 + b.size());
    auto packWith = [&](uint32_t count, uint32_t size) {
        PackBytes p;
        p.u32(count).u32(size).entry("a", a).entry("b", b);
        return p.data;
    };
    auto keys = [&](const std::vector<uint8_t>& pack) {
        dir.write("p.bin", pack);
        auto l = loader();
        EXPECT_TRUE(loadText(*l, "<images> p.bin"));
        std::string found;
        for (const char* k : {"a", "b"})
            if (l->getImageTable()->get(k))
                found += k;
        return found;
    };
    EXPECT_EQ(keys(packWith(2, total)), "ab");
    EXPECT_EQ(keys(packWith(0, total)), "");       // no entries
    EXPECT_EQ(keys(packWith(2, 10000001)), "");    // too big to be true
    EXPECT_EQ(keys(packWith(2, 7)), "");           // smaller than 4 bytes per entry
    EXPECT_EQ(keys(packWith(3, total)), "ab");     // count promises more than there is
    EXPECT_EQ(keys(packWith(2, total - 20)), "a"); // b is longer than what remains
    auto cut = packWith(2, total);
    cut.resize(cut.size() - 1);
    EXPECT_EQ(keys(cut), "a"); // b ends early
    cut.resize(6);
    EXPECT_EQ(keys(cut), ""); // header cut short
    PackBytes lying;
    lying.u32(1).u32(10000000).u32(9999000).data.push_back(2);
    lying.data.insert(lying.data.end(), {'x', 0, 1, 2, 3});
    EXPECT_EQ(keys(lying.data), ""); // huge length, few bytes
}

TEST_F(DataLoaderTest, PackWriterRefusesWhatTheReaderCannotHold) {
    std::vector<uint8_t> out{1};
    EXPECT_FALSE(ImagePack::write({}, out));
    EXPECT_FALSE(ImagePack::write({{"", {1}}}, out));
    EXPECT_FALSE(ImagePack::write({{std::string(255, 'k'), {1}}}, out));
    EXPECT_FALSE(ImagePack::write({{"big", std::vector<uint8_t>(ImagePack::maxTotalSize)}}, out));
    EXPECT_EQ(out, std::vector<uint8_t>{1});
    EXPECT_TRUE(ImagePack::write({{std::string(254, 'k'), {1}}}, out));
}

// The pack command of the resource tool -----------------------------------

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int runTool(const iotest::TempDir& dir, const std::string& args) {
    std::string tool = platform::programDirectory() + "/../ripple-pack";
    std::string command = "cd '" + dir.path() + "' && '" + tool + "' " + args + " >out 2>err";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(DataLoaderTest, ToolWritesPacksTheLoaderReads) {
    dir.write("one.png", png(4, 2));
    dir.write("two.png", png(1, 5));
    ASSERT_EQ(runTool(dir, "imagepack art.bin one=one.png two=two.png"), 0)
        << slurp(dir.path() + "/err");
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<images> art.bin"));
    EXPECT_EQ(image(*l, "one")->getWidth(), 4);
    EXPECT_EQ(image(*l, "two")->getHeight(), 5);

    EXPECT_EQ(runTool(dir, "imagepack bad.bin one"), 1);
    EXPECT_EQ(runTool(dir, "imagepack bad.bin =one.png"), 1);
    EXPECT_EQ(runTool(dir, "imagepack bad.bin x=missing.png"), 1);
    EXPECT_EQ(runTool(dir, "imagepack bad.bin " + std::string(255, 'k') + "=one.png"), 1);
    EXPECT_NE(slurp(dir.path() + "/err").find("longer than 254"), std::string::npos);
    EXPECT_EQ(runTool(dir, "imagepack bad.bin"), 2);
    EXPECT_FALSE(platform::isRegularFile((dir.path() + "/bad.bin").c_str()));
}

} // namespace

TEST_F(DataLoaderTest, SpritesAreCreatedByClassNameAndNamed) {
    dir.write("a.png", png(4, 3));
    owner->declineAll = true;
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<images> a a.png\n"
                             "<sprites>\n"
                             "s Sprite a 10 20\n"
                             "\"\" Sprite a 1 1\n"
                             "x NoSuchClass a 1 2\n"
                             "y NotASprite 1 2\n"
                             "z sprite a 1 2\n" // class names are exact
                             "panel FancyContainer 5 6 30 40\n"));
    lang::Vector* created = l->getCreated();
    ASSERT_EQ(created->size(), 3);
    auto* s = static_cast<engine::Sprite*>(l->getSpriteTable()->get("s"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s, created->elementAt(0));
    EXPECT_EQ(std::string(s->getName().getChars()), "s");
    lang::Rectangle bounds = s->getBounds();
    EXPECT_EQ(bounds.x, 10);
    EXPECT_EQ(bounds.y, 20);
    EXPECT_EQ(bounds.width, 4);
    EXPECT_EQ(bounds.height, 3);
    EXPECT_TRUE(static_cast<engine::Sprite*>(created->elementAt(1))->getName().isEmpty());
    auto* panel = static_cast<engine::FancyContainer*>(l->getSpriteTable()->get("panel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->getBounds().width, 30);
    EXPECT_EQ(l->getSpriteTable()->size(), 2);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataLoaderTest, ContainersLoadTheirChildrenFromTheirOwnFiles) {
    dir.write("b.png", png(2, 2));
    dir.write("panel.txt", "<images> b b.png\n<sprites>\n"
                           "c1 Sprite b 1 2\n"
                           "c2 Sprite b 3 4\n"
                           "inner RecordingPanel:inner.txt 0 0 10 10\n");
    dir.write("inner.txt", "<sprites> deep Sprite 0 0 <sounds> snd.wav");
    owner->declineAll = true;
    auto l = loader();
    ASSERT_TRUE(loadText(*l, "<sprites>\n"
                             "panel RecordingPanel:panel.txt 5 6 100 80\n"
                             "after Sprite 1 1\n"
                             "plain Sprite:panel.txt 1 1\n")); // not a container
    // main: 3 entries; panel.txt: 1 image + 3 entries; inner.txt: 1 entry + 1 sound.
    EXPECT_EQ(l->countItems("main.txt"), 9);

    lang::Vector* created = l->getCreated();
    ASSERT_EQ(created->size(), 3);
    auto* panel = static_cast<RecordingPanel*>(created->elementAt(0));
    EXPECT_EQ(panel->loadedCalls, 1);
    EXPECT_EQ(panel->childrenAtLoaded, 3);
    EXPECT_EQ(panel->namedInLoader, 3);
    lang::Vector* children = panel->getChildren();
    ASSERT_EQ(children->size(), 3);
    EXPECT_EQ(
        std::string(static_cast<engine::Sprite*>(children->elementAt(0))->getName().getChars()),
        "c1");
    EXPECT_EQ(
        std::string(static_cast<engine::Sprite*>(children->elementAt(1))->getName().getChars()),
        "c2");
    auto* inner = static_cast<RecordingPanel*>(children->elementAt(2));
    ASSERT_EQ(inner->getChildren()->size(), 1);
    EXPECT_EQ(inner->loadedCalls, 1);
    // The children belong to their containers, not to the main file's tables.
    EXPECT_EQ(l->getSpriteTable()->get("c1"), nullptr);
    EXPECT_EQ(l->getSpriteTable()->size(), 3);
    EXPECT_EQ(static_cast<engine::Sprite*>(created->elementAt(2))->getBounds().x, 1);
    EXPECT_TRUE(boxes.empty());

    // Without an owner nobody watches progress, so children are not counted.
    auto bare = adopt(new DataLoader(String(dir.path().c_str()), nullptr, nullptr));
    EXPECT_EQ(bare->countItems("main.txt"), 3);
}

TEST_F(DataLoaderTest, ContainerWhoseFileFailsStaysEmptyAndTheLoadGoesOn) {
    owner->declineAll = true;
    auto l = loader();
    EXPECT_TRUE(loadText(*l, "<sprites> panel RecordingPanel:missing.txt 0 0 10 10\n"
                             "after Sprite 1 1\n"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "Error");
    auto* panel = static_cast<RecordingPanel*>(l->getSpriteTable()->get("panel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->loadedCalls, 0);
    EXPECT_EQ(panel->getChildren()->size(), 0);
    EXPECT_NE(l->getSpriteTable()->get("after"), nullptr);
}

TEST_F(DataLoaderTest, FilesThatIncludeThemselvesFailOnceInsteadOfRecursingForever) {
    owner->declineAll = true;
    auto l = loader();
    // One container naming its own file: bounded by the nesting limit.
    dir.write("main.txt", "<sprites> loop RecordingPanel:main.txt 0 0 1 1");
    EXPECT_GT(l->countItems("main.txt"), 0);
    EXPECT_FALSE(l->load("main.txt"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].second.find("nested too deeply"), std::string::npos);

    // Levels of eleven containers each naming the next level's file would
    // multiply into 11^8 reads within that limit; the budget of files per
    // load stops them.
    boxes.clear();
    for (int level = 0; level < 8; ++level) {
        std::string text = "<sprites>\n";
        for (int i = 0; i < 11; ++i)
            text += "p RecordingPanel:level" + std::to_string(level + 1) + ".txt 0 0 1 1\n";
        dir.write("level" + std::to_string(level) + ".txt", text);
    }
    dir.write("level8.txt", "");
    l->countItems("level0.txt");
    EXPECT_FALSE(l->load("level0.txt"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].second.find("Too many data files"), std::string::npos);

    // The limits are per load: the next one starts afresh.
    boxes.clear();
    EXPECT_TRUE(loadText(*l, "<sprites> p RecordingPanel:inner.txt 0 0 1 1"));
    EXPECT_EQ(boxes.size(), 1u); // inner.txt does not exist
}
