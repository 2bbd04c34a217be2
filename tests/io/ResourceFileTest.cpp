#include "io/ResourceFile.h"
#include "core/Exception.h"
#include "io/ByteArrayInputStream.h"
#include "io/FileItem.h"
#include "io/ResourceFileHeader.h"
#include "io/ResourceFileWriter.h"
#include "platform/Files.h"
#include "support/IoTestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using iotest::Bytes;
using iotest::TempDir;
using lang::adopt;
using lang::ByteArrayInputStream;
using lang::findResource;
using lang::loadText;
using lang::Ref;
using lang::ResourceFileHeader;
using lang::ResourceFileWriter;
using lang::ResourceItem;
using lang::String;
using lang::tryCatch;

namespace {

std::string contentOf(const Ref<ResourceItem>& item) {
    if (!item)
        return "(null)";
    return std::string(reinterpret_cast<const char*>(item->getData()),
                       static_cast<size_t>(item->getSize()));
}

std::string textOf(const char* name) {
    return loadText(name)->getChars();
}

class ResourceFileTest : public ::testing::Test {
protected:
    void SetUp() override { lang::clearResourceFiles(); }
    void TearDown() override { lang::clearResourceFiles(); }

    // Writes a container with the given (name, bytes) entries and registers it.
    std::string registerContainer(const std::string& file,
                                  const std::vector<std::pair<std::string, std::string>>& items,
                                  bool text = false) {
        ResourceFileWriter writer;
        for (const auto& [name, bytes] : items)
            EXPECT_TRUE(writer.addEntry(name, reinterpret_cast<const uint8_t*>(bytes.data()),
                                        static_cast<int>(bytes.size()), text));
        std::string path = dir.write(file, writer.toBytes());
        lang::registerResourceFile(path.c_str());
        return path;
    }
    std::string registerRaw(const std::string& file, const Bytes& bytes) {
        std::string path = dir.write(file, bytes.data);
        lang::registerResourceFile(path.c_str());
        return path;
    }

    TempDir dir;
};

} // namespace

TEST_F(ResourceFileTest, FindsEntriesByExactName) {
    std::string longName(255, 'n');
    registerContainer("a.bin", {{"logo", "LOGO"}, {longName, "long"}, {"empty", ""}});
    EXPECT_EQ(contentOf(findResource("logo")), "LOGO");
    EXPECT_EQ(contentOf(findResource(longName.c_str())), "long");
    auto empty = findResource("empty");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getSize(), 0);
    EXPECT_TRUE(empty->instanceOf("ResourceItem"));
    EXPECT_TRUE(empty->instanceOf("FileItem"));
    EXPECT_FALSE(findResource("Logo"));
    EXPECT_FALSE(findResource("+logo"));
    EXPECT_FALSE(findResource("missing"));
}

TEST_F(ResourceFileTest, NothingRegisteredFindsNothing) {
    EXPECT_FALSE(findResource("logo"));
    ByteArrayInputStream in("+logo");
    EXPECT_EQ(in.read(), -1);
    EXPECT_EQ(textOf("logo"), "");
}

TEST_F(ResourceFileTest, FirstRegisteredFileWinsAndWithinAFileTheLaterEntry) {
    registerContainer("a.bin", {{"shared", "first"}, {"dup", "old"}, {"dup", "new"}});
    registerContainer("b.bin", {{"shared", "second"}, {"only-b", "b"}});
    EXPECT_EQ(contentOf(findResource("shared")), "first");
    EXPECT_EQ(contentOf(findResource("dup")), "new");
    EXPECT_EQ(contentOf(findResource("only-b")), "b");
}

TEST_F(ResourceFileTest, ItemsAreIndependentCopies) {
    registerContainer("a.bin", {{"x", "abc"}});
    auto one = findResource("x");
    auto two = findResource("x");
    ASSERT_TRUE(one && two);
    EXPECT_NE(one->getData(), two->getData());
    lang::clearResourceFiles();
    EXPECT_EQ(contentOf(one), "abc");
}

TEST_F(ResourceFileTest, StreamKeysStripOnePlus) {
    registerContainer("a.bin", {{"logo", "L"}, {"+odd", "P"}});
    for (const char* key : {"+logo", "logo"}) {
        ByteArrayInputStream in(key);
        EXPECT_EQ(in.getSize(), 1) << key;
        EXPECT_EQ(in.read(), 'L') << key;
        EXPECT_EQ(in.read(), -1) << key;
    }
    ByteArrayInputStream twoPlus("++odd");
    EXPECT_EQ(twoPlus.read(), 'P');
    ByteArrayInputStream missing("+nothing");
    EXPECT_EQ(missing.getSize(), 0);
    EXPECT_EQ(missing.read(), -1);
}

TEST_F(ResourceFileTest, ModuleFilesFindNothingAndMissingContainersThrow) {
    lang::registerResourceFile("resources.dll");
    lang::registerResourceFile("resources.DLL");
    EXPECT_FALSE(findResource("logo"));
    auto e = tryCatch([] { lang::registerResourceFile("no-such-container.bin"); });
    ASSERT_TRUE(e);
    EXPECT_STREQ(e->messageText().getChars(), "Error Opening no-such-container.bin");
    // ".Dll" is not a module name: it is a container that does not exist.
    EXPECT_TRUE(tryCatch([] { lang::registerResourceFile("x.Dll"); }));
}

TEST_F(ResourceFileTest, RelativeNamesResolveThroughTheWorkingDirectory) {
    dir.write("rel.bin", ResourceFileWriter().toBytes());
    ResourceFileWriter writer;
    writer.addEntry("here", reinterpret_cast<const uint8_t*>("h"), 1);
    dir.write("sub/rel.bin", writer.toBytes());
    char previous[4096];
    ASSERT_TRUE(getcwd(previous, sizeof previous));
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    EXPECT_EQ(platform::searchPath("sub\\rel.bin"), dir.path() + "/sub/rel.bin");
    EXPECT_EQ(platform::searchPath("nope.bin"), "");
    EXPECT_EQ(platform::searchPath("sub"), ""); // a folder is not a file
    auto e = tryCatch([] { lang::registerResourceFile("sub/rel.bin"); });
    EXPECT_EQ(chdir(previous), 0);
    EXPECT_FALSE(e);
    EXPECT_EQ(contentOf(findResource("here")), "h");
}

TEST_F(ResourceFileTest, LoadTextConvertsUtf8AndDropsTheTerminator) {
    registerContainer("t.bin",
                      {{"plain", "Hello"},
                       {"accent", "caf\xC3\xA9"},
                       {"euro", "\xE2\x82\xAC 5"},
                       {"foreign", "a\xE4\xB8\xAD"
                                   "b"},
                       {"broken", "x\xC3(y"},
                       {"bom", "\xEF\xBB\xBFok\xC3\xA9"},
                       {"empty", ""}},
                      /*text=*/true);
    registerContainer("raw.bin", {{"unterminated", "abc"}, {"zero", ""}});
    EXPECT_EQ(textOf("plain"), "Hello");
    EXPECT_EQ(textOf("accent"), "caf\xE9");
    EXPECT_EQ(textOf("euro"), "\x80 5");
    EXPECT_EQ(textOf("foreign"), "a.b");
    EXPECT_EQ(textOf("broken"), "x.(y");
    EXPECT_EQ(textOf("bom"), "ok\xE9");
    EXPECT_EQ(textOf("empty"), "");
    // Plain text always gives up its last byte, terminator or not.
    EXPECT_EQ(textOf("unterminated"), "ab");
    EXPECT_EQ(textOf("zero"), "");
    EXPECT_EQ(textOf("missing"), "");
}

TEST_F(ResourceFileTest, DamagedHeadersRegisterWithWhatTheyHold) {
    // Cut short anywhere in the fixed fields: registered, nothing found.
    for (size_t cut : {0u, 3u, 7u, 10u}) {
        Bytes b;
        b.text("RPAK").u32(2).text("bb").u32(1).entry("a", 0, 1);
        b.data.resize(cut);
        auto e = tryCatch([&] { registerRaw("cut" + std::to_string(cut), b); });
        EXPECT_FALSE(e) << cut;
    }
    EXPECT_FALSE(findResource("a"));

    // A block length far beyond the file allocates nothing and reads no entries.
    registerRaw("block", Bytes().text("RPAK").u32(0xFFFFFFF0u).u32(1).entry("blk", 0, 1));
    EXPECT_FALSE(findResource("blk"));
}

TEST_F(ResourceFileTest, HugeEntryCountReadsOnlyTheEntriesPresent) {
    Bytes b;
    b.text("RPAK").u32(0).u32(2000000000u).entry("one", 0, 4).entry("two", 4, 4);
    auto path = registerRaw("count", b);
    EXPECT_EQ(contentOf(findResource("one")), "RPAK");
    EXPECT_EQ(contentOf(findResource("two")), std::string(4, '\0'));
    auto header = adopt(new ResourceFileHeader(path.c_str()));
    EXPECT_EQ(header->getEntryCount(), 2);
    EXPECT_EQ(header->getDeclaredEntryCount(), 2000000000);
    EXPECT_FALSE(header->isComplete());

    // Counts of 2^31 and more read as negative: no entries at all.
    Bytes negative;
    negative.text("RPAK").u32(0).u32(0x80000000u).entry("neg", 0, 1);
    registerRaw("negative", negative);
    EXPECT_FALSE(findResource("neg"));
}

TEST_F(ResourceFileTest, EntriesOutsideTheFileAreNeverRead) {
    Bytes b;
    b.text("RPAK").u32(0).u32(6);
    const uint32_t dataStart = 12 + 6 * (1 + 2 + 8);
    b.entry("ok", dataStart, 4)
        .entry("of", 0xFFFFFFF0u, 4)           // offset past the end
        .entry("sz", dataStart, 0xFFFFFFFFu)   // size past the end
        .entry("ed", dataStart + 1, 4)         // runs one byte past the end
        .entry("wr", 0x7FFFFFFFu, 0x7FFFFFFFu) // the sum overflows 32 bits
        .entry("z0", dataStart + 4, 0);        // empty, right at the end
    b.text("DATA");
    auto path = registerRaw("outside", b);
    EXPECT_EQ(contentOf(findResource("ok")), "DATA");
    for (const char* bad : {"of", "sz", "ed", "wr"})
        EXPECT_FALSE(findResource(bad)) << bad;
    auto empty = findResource("z0");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getSize(), 0);

    // A damaged entry in the first file lets a good one in a later file through.
    registerContainer("later.bin", {{"ed", "good"}});
    EXPECT_EQ(contentOf(findResource("ed")), "good");
}

TEST_F(ResourceFileTest, NameRunningOffTheEndEndsTheDirectory) {
    Bytes b;
    b.text("RPAK").u32(0).u32(3).entry("a", 0, 1).u8(200).text("short");
    auto path = registerRaw("name", b);
    EXPECT_EQ(contentOf(findResource("a")), "R");
    auto header = adopt(new ResourceFileHeader(path.c_str()));
    EXPECT_EQ(header->getEntryCount(), 1);
    EXPECT_FALSE(header->isComplete());
}

TEST_F(ResourceFileTest, WriterKeepsOrderTagAndTextTerminator) {
    ResourceFileWriter writer;
    EXPECT_TRUE(writer.addEntry("b", reinterpret_cast<const uint8_t*>("xy"), 2));
    EXPECT_TRUE(writer.addEntry("a", reinterpret_cast<const uint8_t*>("t"), 1, true));
    EXPECT_FALSE(writer.addEntry(std::string(256, 'n'), nullptr, 0));
    std::string path = dir.path() + "/w.bin";
    ASSERT_TRUE(writer.writeTo(path.c_str()));
    EXPECT_FALSE(writer.writeTo((dir.path() + "/no/such/folder/w.bin").c_str()));
    auto header = adopt(new ResourceFileHeader(path.c_str()));
    EXPECT_TRUE(header->isComplete());
    EXPECT_EQ(header->getTag(), 0x4B415052u); // "RPAK"
    EXPECT_EQ(header->getBlockLength(), 0);
    ASSERT_EQ(header->getEntryCount(), 2);
    EXPECT_STREQ(header->getEntryName(0).getChars(), "b");
    EXPECT_STREQ(header->getEntryName(1).getChars(), "a");
    EXPECT_EQ(header->getEntry(1).getSize(), 2);
    EXPECT_EQ(header->getEntry(1).getOffset(), header->getEntry(0).getOffset() + 2);
    EXPECT_EQ(header->getFileLength(), header->getEntry(1).getOffset() + 2);
    EXPECT_EQ(contentOf(header->readEntry("a")), std::string("t\0", 2));
}

TEST(ResourceFileConcurrencyTest, ParallelLookupsReadTheirOwnBytes) {
    lang::clearResourceFiles();
    TempDir dir;
    ResourceFileWriter writer;
    std::vector<std::string> values;
    for (int i = 0; i < 50; ++i) {
        values.push_back(std::string(100 + i, static_cast<char>('A' + i % 26)));
        writer.addEntry("e" + std::to_string(i),
                        reinterpret_cast<const uint8_t*>(values.back().data()),
                        static_cast<int>(values.back().size()));
    }
    lang::registerResourceFile(dir.write("c.bin", writer.toBytes()).c_str());
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                int i = (round * 7 + t) % 50;
                if (contentOf(findResource(("e" + std::to_string(i)).c_str())) != values[i])
                    ++wrong;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
    lang::clearResourceFiles();
}
