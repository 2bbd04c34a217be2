#include "core/ByteArray.h"
#include "core/Exception.h"
#include "io/BufferedReader.h"
#include "io/ByteArrayInputStream.h"
#include "io/FileInputStream.h"
#include "io/InputStreamReader.h"
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>
#include <string>

using lang::adopt;
using lang::BufferedReader;
using lang::ByteArray;
using lang::ByteArrayInputStream;
using lang::Exception;
using lang::FileInputStream;
using lang::InputStream;
using lang::InputStreamReader;
using lang::Ref;
using lang::String;
using lang::tryCatch;

namespace {

std::string messageOf(const Ref<Exception>& e) {
    return e ? e->messageText().getChars() : "(none)";
}

std::string readRest(InputStream& in) {
    std::string out;
    for (int c; (c = in.read()) >= 0;)
        out += static_cast<char>(c);
    return out;
}

// Hands out a script of chunk sizes, to see how a reader copes with short reads.
struct ChunkedStream : InputStream {
    std::string data;
    size_t position = 0;
    int chunk;
    ChunkedStream(std::string d, int chunk) : data(std::move(d)), chunk(chunk) {}
    int read(uint8_t* buffer, int offset, int length) override {
        int n = std::min({length, chunk, static_cast<int>(data.size() - position)});
        for (int i = 0; i < n; ++i)
            buffer[offset + i] = static_cast<uint8_t>(data[position++]);
        return std::max(n, 0);
    }
    int read() override {
        return position < data.size() ? static_cast<uint8_t>(data[position++]) : -1;
    }
    void close() override { closed = true; }
    void reset() override { position = 0; }
    int skip(int n) override {
        int moved = std::clamp(n, 0, static_cast<int>(data.size() - position));
        position += moved;
        return moved;
    }
    bool closed = false;
};

} // namespace

TEST(FileInputStreamTest, JoinsDirectoryAndNameWithOneSeparator) {
    iotest::TempDir dir;
    dir.write("a.bin", "abc");
    FileInputStream plain(String("a.bin"), String(dir.path().c_str()));
    EXPECT_EQ(readRest(plain), "abc");
    FileInputStream trailing(String("a.bin"), String((dir.path() + "/").c_str()));
    EXPECT_EQ(readRest(trailing), "abc");
    // Data names written with backslashes open the same file.
    FileInputStream backslash(String("a.bin"), String((dir.path() + "\\").c_str()));
    EXPECT_EQ(readRest(backslash), "abc");

    EXPECT_EQ(messageOf(tryCatch([] { FileInputStream f(String("a.bin"), String("data")); })),
              "Error Opening data/a.bin");
    EXPECT_EQ(messageOf(tryCatch([] { FileInputStream f(String("a.bin"), String("data\\")); })),
              "Error Opening data/a.bin");
    EXPECT_EQ(messageOf(tryCatch([] { FileInputStream f(String("none.bin"), String("")); })),
              "Error Opening none.bin");
}

TEST(FileInputStreamTest, FoldersAndEmptyPathsDoNotOpen) {
    iotest::TempDir dir;
    std::string expected = "Error Opening " + dir.path();
    EXPECT_EQ(messageOf(tryCatch([&] { FileInputStream f(dir.path().c_str()); })), expected);
    EXPECT_EQ(messageOf(tryCatch([] { FileInputStream f(""); })), "Error Opening ");
}

TEST(FileInputStreamTest, ReadsSkipsResetsAndCloses) {
    iotest::TempDir dir;
    auto path = dir.write("f", std::vector<uint8_t>{0, 1, 2, 255, 4, 5, 6, 7, 8, 9});
    auto in = adopt(new FileInputStream(path.c_str()));
    EXPECT_EQ(in->length(), 10);
    EXPECT_EQ(in->read(), 0);
    EXPECT_EQ(in->skip(2), 2);
    EXPECT_EQ(in->read(), 255);
    EXPECT_EQ(in->skip(-5), 0);
    uint8_t buffer[16] = {};
    EXPECT_EQ(in->read(buffer, 3, 16), 6);
    EXPECT_EQ(buffer[3], 4);
    EXPECT_EQ(buffer[8], 9);
    EXPECT_EQ(in->read(buffer, 0, 4), 0);
    EXPECT_EQ(in->read(), -1);
    in->reset();
    EXPECT_EQ(in->read(), 0);
    in->close();
    EXPECT_EQ(in->read(buffer, 0, 4), 0);
    EXPECT_EQ(in->read(), -1);
    EXPECT_EQ(in->skip(3), 0);
    EXPECT_EQ(in->length(), -1);
}

TEST(FileInputStreamTest, ReadErrorsThrowFileError) {
    // Reading this process's memory at address 0 fails with an I/O error.
    auto in = adopt(new FileInputStream("/proc/self/mem"));
    EXPECT_EQ(messageOf(tryCatch([&] { in->read(); })), "File error");
    uint8_t buffer[4];
    EXPECT_EQ(in->read(buffer, 0, 4), 0); // the bulk read reports it as nothing read
}

TEST(ByteArrayInputStreamTest, ReadsAndSkipsWithinItsBytes) {
    const uint8_t data[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 255};
    ByteArrayInputStream in(data, 10);
    uint8_t buffer[4];
    EXPECT_EQ(in.read(buffer, 0, 4), 4);
    EXPECT_EQ(buffer[3], 13);
    EXPECT_EQ(in.skip(1000), 6);
    EXPECT_EQ(in.skip(1), 0);
    EXPECT_EQ(in.read(), -1);
    EXPECT_EQ(in.read(buffer, 0, 4), 0);
    in.reset();
    EXPECT_EQ(in.skip(-3), 0);
    EXPECT_EQ(in.skip(9), 9);
    EXPECT_EQ(in.read(), 255);
    EXPECT_TRUE(in.instanceOf("inputstream"));
    EXPECT_TRUE(in.instanceOf("ByteArrayInputStream"));
    EXPECT_FALSE(in.instanceOf("Reader"));

    ByteArrayInputStream empty(nullptr, 5);
    EXPECT_EQ(empty.getSize(), 0);
    EXPECT_EQ(empty.read(), -1);
    ByteArrayInputStream negative(data, -1);
    EXPECT_EQ(negative.read(buffer, 0, 4), 0);
}

TEST(BufferedReaderTest, ByteOf255IsNotTheEnd) {
    std::string data(3000, 'x');
    data[0] = static_cast<char>(255);
    data[1024] = static_cast<char>(255);
    data[2999] = static_cast<char>(255);
    auto stream = adopt(new ChunkedStream(data, 700));
    auto reader = adopt(new BufferedReader(adopt(new InputStreamReader(stream.get())).get()));
    int count = 0;
    int last = 0;
    for (int c; (c = reader->read()) >= 0; ++count) {
        if (count == 0 || count == 1024) {
            EXPECT_EQ(c, 255) << count;
        }
        last = c;
    }
    EXPECT_EQ(count, 3000);
    EXPECT_EQ(last, 255);
    EXPECT_EQ(reader->read(), -1);
}

TEST(BufferedReaderTest, BulkReadSkipAndResetAcrossRefills) {
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += static_cast<char>('a' + i % 26);
    auto stream = adopt(new ChunkedStream(data, 1024));
    auto reader = adopt(new BufferedReader(adopt(new InputStreamReader(stream.get())).get()));
    EXPECT_EQ(reader->read(), 'a');
    EXPECT_EQ(reader->skip(10), 10); // inside the buffer
    EXPECT_EQ(reader->read(), 'l');
    EXPECT_EQ(reader->skip(2000), 2000); // past the buffer: the rest goes to the stream
    EXPECT_EQ(reader->read(), data[2012]);
    char out[4000];
    EXPECT_EQ(reader->read(out, 5, 4000), 3000 - 2013);
    EXPECT_EQ(out[5], data[2013]);
    EXPECT_EQ(reader->read(out, 0, 10), 0);
    EXPECT_EQ(reader->skip(5), 0);
    reader->reset();
    ByteArray whole(3000);
    EXPECT_EQ(reader->read(whole), 3000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(whole.bytes()), 3000), data);
    EXPECT_TRUE(reader->ready());
    EXPECT_TRUE(reader->instanceOf("Reader"));
}

TEST(BufferedReaderTest, DestroyingTheReadersClosesTheStream) {
    auto stream = adopt(new ChunkedStream("abc", 3));
    {
        auto inner = adopt(new InputStreamReader(stream.get()));
        BufferedReader reader(inner.get());
        EXPECT_EQ(reader.read(), 'a');
        EXPECT_EQ(stream->getRefCount(), 2);
    }
    EXPECT_TRUE(stream->closed);
    EXPECT_EQ(stream->getRefCount(), 1);
}

TEST(ReadAllTest, CollectsShortReadsAndGrowsPastTheFirstBuffer) {
    std::string data(20000, 0);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    ChunkedStream in(data, 3000);
    Ref<ByteArray> all = lang::readAll(in);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 20000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(all->bytes()), 20000), data);

    ChunkedStream exact(std::string(8192, 'q'), 8192);
    EXPECT_EQ(lang::readAll(exact)->size(), 8192);
    ChunkedStream none("", 1);
    EXPECT_EQ(lang::readAll(none)->size(), 0);
}
