#include "io/URLConnection.h"
#include "io/URL.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

using lang::InputStream;
using lang::Ref;
using lang::URL;
using lang::URLConnection;

namespace {

int loopbackSocket(int& port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return -1;
    port = ntohs(addr.sin_port);
    return fd;
}

void sendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

// A one-connection-at-a-time HTTP server on a loopback port, answering by path.
// Every wait is bounded by poll time-outs so a failing test cannot hang it.
class TinyServer {
public:
    TinyServer() {
        fd = loopbackSocket(port);
        listen(fd, 8);
        worker = std::thread([this] { run(); });
    }
    ~TinyServer() {
        stop = true;
        worker.join();
        close(fd);
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port); }
    int requests() const { return count; }

private:
    void run() {
        while (!stop) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            int client = accept(fd, nullptr, nullptr);
            if (client < 0)
                continue;
            answer(client, readPath(client));
            close(client);
        }
    }

    static std::string readPath(int client) {
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            pollfd p{client, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0)
                break;
            ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<size_t>(n));
        }
        size_t start = request.find(' ') + 1;
        return request.substr(start, request.find(' ', start) - start);
    }

    void answer(int client, const std::string& path) {
        ++count;
        auto reply = [&](const char* status, const std::string& headers, const std::string& body) {
            sendAll(client, std::string("HTTP/1.1 ") + status + "\r\nConnection: close\r\n" +
                                headers + "Content-Length: " + std::to_string(body.size()) +
                                "\r\n\r\n" + body);
        };
        if (path == "/scores?game=7&mode=M1") {
            // Chunked, in separate sends, so the body arrives in pieces.
            sendAll(client, "HTTP/1.1 200 OK\r\nConnection: close\r\n"
                            "Transfer-Encoding: chunked\r\n\r\n");
            for (const char* piece : {"<table>", "<entry>ab</entry>", "</table>"}) {
                char size[32];
                std::snprintf(size, sizeof size, "%zx\r\n", std::strlen(piece));
                sendAll(client, std::string(size) + piece + "\r\n");
            }
            sendAll(client, "0\r\n\r\n");
        } else if (path == "/empty") {
            reply("200 OK", "", "");
        } else if (path == "/moved") {
            reply("302 Found", "Location: /empty\r\n", "");
        } else if (path == "/loop") {
            reply("302 Found", "Location: /loop\r\n", "");
        } else if (path == "/toftp") {
            reply("302 Found", "Location: ftp://127.0.0.1/\r\n", "");
        } else if (path == "/big") {
            reply("200 OK", "", std::string(URLConnection::maxReplyBytes + 1, 'x'));
        } else if (path == "/bigunsized") {
            // No length announced: the cap must hold while the body streams.
            sendAll(client, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            std::string block(64 * 1024, 'y');
            for (int i = 0; i < 17 && !stop; ++i)
                sendAll(client, block);
        } else if (path == "/maxsize") {
            reply("200 OK", "", std::string(URLConnection::maxReplyBytes, 'z'));
        } else if (path == "/slow") {
            // Headers, then nothing until the client gives up and closes.
            sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nab");
            pollfd p{client, POLLIN, 0};
            poll(&p, 1, 10000);
        } else {
            reply("404 Not Found", "", "no such page");
        }
    }

    int fd = -1;
    int port = 0;
    std::atomic<bool> stop{false};
    std::atomic<int> count{0};
    std::thread worker;
};

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
    TinyServer server;
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
    TinyServer server;
    URL url((server.base() + "/scores?game=7&mode=M1").c_str());
    Ref<URLConnection> connection = url.openConnection();
    Ref<InputStream> in = connection->getInputStream();
    ASSERT_TRUE(in);
    EXPECT_EQ(connection->getInputStream(), in);
    EXPECT_EQ(server.requests(), 1);

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
    int port = 0;
    int fd = loopbackSocket(port); // bound but not listening: connections are refused
    ASSERT_GE(fd, 0);
    URL url(("http://127.0.0.1:" + std::to_string(port) + "/").c_str());
    Ref<URLConnection> connection = url.openConnection();
    EXPECT_FALSE(connection->connect());
    EXPECT_FALSE(connection->getInputStream());
    close(fd);
}
