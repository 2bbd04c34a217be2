#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// What the stand-in does with one request.
struct StandInReply {
    int status = 200;
    std::string body{};
    std::string location{}; // sent as Location when not empty
    // The headers announce one byte more than the body has; after the body,
    // nothing more for this long (or until the client gives up).
    int stallMs = 0;
    size_t bodyBytes = 0; // when not 0, a body of this many 'x' instead of `body`
    // When not empty, the body in chunked encoding, one send per piece.
    std::vector<std::string> chunks{};
    // No length announced: the body ends when the connection closes.
    bool unsized = false;
};

// An HTTP server on a loopback port, one connection at a time, answering each
// request with what the handler decides for its path (the handler runs on the
// server's thread). Every wait is bounded, so a failing test cannot hang it.
class HttpStandIn {
public:
    using Handler = std::function<StandInReply(const std::string& path)>;

    explicit HttpStandIn(Handler handler);
    ~HttpStandIn();
    HttpStandIn(const HttpStandIn&) = delete;
    HttpStandIn& operator=(const HttpStandIn&) = delete;

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port); }
    // The paths requested so far, in order.
    std::vector<std::string> paths();

private:
    void run();
    void answer(int client);

    Handler handler;
    int fd = -1;
    int port = 0;
    std::atomic<bool> stop{false};
    std::mutex pathsLock;
    std::vector<std::string> seen;
    std::thread worker;
};

// A loopback address nothing listens on: connections are refused. The port
// stays bound (and unused) while the object lives.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port); }

private:
    int fd = -1;
    int port = 0;
};

} // namespace testsupport
