#pragma once

#include "ScoreService.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

struct MHD_Daemon;

namespace scores {

struct HttpOptions {
    std::string bindAddress = "0.0.0.0";
    uint16_t port = 8080;
    unsigned threads = 8;
    unsigned maxConnections = 1000;
    unsigned maxConnectionsPerAddress = 100;
    unsigned idleTimeoutSeconds = 15;
    // Bounds everything one connection may hold, request line and headers included:
    // a longer request is refused by the HTTP layer before it reaches the service.
    size_t connectionMemory = 16 * 1024;
};

// The service on HTTP: a libmicrohttpd daemon with a pool of threads, each
// polling its share of the connections. Only GET is answered; replies are
// never cached by the client or a proxy. A submission's connection is
// suspended while its row waits for the group commit, so a request thread
// never blocks on the disk and every waiting submission can share one commit.
class HttpServer {
public:
    // Starts listening; throws std::runtime_error when the address cannot be bound.
    HttpServer(ScoreService& service, const HttpOptions& options);
    // Stops accepting and waits for the requests under way.
    ~HttpServer();

    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // The port bound (the one chosen by the system when 0 was asked for).
    uint16_t port() const;

    // For the request callbacks: start waiting for a commit (false once the
    // server is stopping), and its end.
    bool beginWaiting();
    void endWaiting();
    ScoreService& scoreService() { return service; }

private:
    ScoreService& service;
    MHD_Daemon* daemon = nullptr;
    std::mutex waitingLock;
    std::condition_variable noneWaiting;
    int waiting = 0;
    bool stopping = false;
};

} // namespace scores
