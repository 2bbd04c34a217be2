#include "io/URLConnection.h"
#include "io/URL.h"

#include "support/HttpStandIn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

using lang::InputStream;
using lang::Ref;
using lang::URL;
using lang::URLConnection;
using testsupport::HttpStandIn;
using testsupport::StandInReply;

namespace {

// The loopback stand-in answering by path; anything else is a 404.
StandInReply replyFor(const std::string& path) {
    constexpr size_t cap = URLConnection::maxReplyBytes;
    static const std::map<std::string, StandInReply> replies = [] {
        std::map<std::string, StandInReply> r;
        // Chunked, in separate sends, so the body arrives in pieces.
        r["/scores?game=7&mode=M1"].chunks = {"<table>", "<entry>ab</entry>", "</table>"};
        r["/empty"] = {};
        r["/moved"] = {.status = 302, .location = "/empty"};
        r["/loop"] = {.status = 302, .location = "/loop"};
        r["/toftp"] = {.status = 302, .location = "ftp://127.0.0.1/"};
        r["/big"].bodyBytes = cap + 1;
        // No length announced: the cap must hold while the body streams.
        r["/bigunsized"] = {.bodyBytes = 17 * 64 * 1024, .unsized = true};
        r["/maxsize"].bodyBytes = cap;
        // Part of the body, then nothing until the client gives up.
        r["/slow"] = {.body = "ab", .stallMs = 10000};
        return r;
    }();
    auto found = replies.find(path);
    return found != replies.end() ? found->second
                                  : StandInReply{.status = 404, .body = "no such page"};
}

std::string readInPieces(InputStream& in) {
    std::string text;
    uint8_t buffer[8];
    for (int n; (n = in.read(buffer, 2, 5)) > 0;)
        text.append(reinterpret_cast<char*>(buffer) + 2, static_cast<size_t>(n));
    return text;
}

} // namespace

TEST(URL, SplitsAndRebuildsAddresses) {
    struct Case {
        const char* spec;
        bool valid;
        const char* protocol;
        const char* host;
        int port;
        const char* file;
        const char* external;
    } cases[] = {
        {"http://scores.example.org/globalhs.jsp?game=3&mode=M0", true, "http",
         "scores.example.org", 80, "/globalhs.jsp?game=3&mode=M0",
         "http://scores.example.org/globalhs.jsp?game=3&mode=M0"},
        {"https://h:8443", true, "https", "h", 8443, "/", "https://h:8443/"},
        {"http://h/a b?name=x%26y#top", true, "http", "h", 80, "/a%20b?name=x%26y",
         "http://h/a%20b?name=x%26y"},
        {"not a url", false, "", "", 0, "", ""},
        {"", false, "", "", 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        URL url(c.spec);
        EXPECT_EQ(url.isValid(), c.valid);
        EXPECT_STREQ(url.getProtocol().getChars(), c.protocol);
        EXPECT_STREQ(url.getHost().getChars(), c.host);
        EXPECT_EQ(url.getPort(), c.port);
        EXPECT_STREQ(url.getFile().getChars(), c.file);
        EXPECT_STREQ(url.toExternalForm()->getChars(), c.external);
        EXPECT_EQ(url.openConnection() != nullptr, c.valid);
    }
}

TEST(URLConnection, OnlyACompleteStatus200ReplyGivesAStream) {
    HttpStandIn server(replyFor);
    struct Case {
        const char* path;
        int timeout;
        bool ok;
        size_t size;
    } cases[] = {
        {"/scores?game=7&mode=M1", 0, true, 32},
        {"/empty", 0, true, 0},
        {"/moved", 0, true, 0},
        {"/maxsize", 0, true, 1 << 20},
        {"/missing", 0, false, 0},
        {"/loop", 0, false, 0},
        {"/toftp", 0, false, 0},
        {"/big", 0, false, 0},
        {"/bigunsized", 0, false, 0},
        {"/slow", 300, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        URL url((server.base() + c.path).c_str());
        Ref<URLConnection> connection = url.openConnection();
        ASSERT_TRUE(connection);
        connection->setTimeout(c.timeout);
        auto start = std::chrono::steady_clock::now();
        Ref<InputStream> in = connection->getInputStream();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        ASSERT_EQ(in != nullptr, c.ok);
        if (in) {
            EXPECT_EQ(readInPieces(*in).size(), c.size);
        }
    }
}

TEST(URLConnection, ReadsTheBodyInPiecesAndConnectsOnce) {
    HttpStandIn server(replyFor);
    URL url((server.base() + "/scores?game=7&mode=M1").c_str());
    Ref<URLConnection> connection = url.openConnection();
    Ref<InputStream> in = connection->getInputStream();
    ASSERT_TRUE(in);
    EXPECT_EQ(connection->getInputStream(), in);
    EXPECT_EQ(server.paths().size(), 1u);

    EXPECT_EQ(readInPieces(*in), "<table><entry>ab</entry></table>");
    EXPECT_EQ(in->read(), -1);
    in->reset();
    EXPECT_EQ(in->skip(7), 7);
    EXPECT_EQ(in->read(), '<');
    in->close();
    uint8_t byte;
    EXPECT_EQ(in->read(&byte, 0, 1), -1);
    EXPECT_EQ(in->read(), -1);
}

TEST(URLConnection, ARefusedConnectionFails) {
    testsupport::RefusingPort refusing;
    URL url((refusing.base() + "/").c_str());
    Ref<URLConnection> connection = url.openConnection();
    EXPECT_FALSE(connection->connect());
    EXPECT_FALSE(connection->getInputStream());
}
