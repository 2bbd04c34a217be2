#pragma once

#include "core/String.h"
#include "io/InputStream.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace lang {

class URL;

// The body of one HTTP reply. connect() has already received all of it, so
// reads never block and a reply cut short never reaches the reader as data.
class URLInputStream : public InputStream {
    LANG_CLASS(URLInputStream, InputStream);

    explicit URLInputStream(std::vector<uint8_t> body) : body(std::move(body)) {}

    // The bytes read, 0 at the end, -1 after close().
    int read(uint8_t* buffer, int offset, int length) override;
    // The next byte, or -1 at the end or after close().
    int read() override;
    // Drops the body; every later read answers -1.
    void close() override;
    void reset() override;
    // Moves forward up to n bytes and returns how far; -1 after close().
    int skip(int n) override;

private:
    std::vector<uint8_t> body;
    size_t position = 0;
    bool closed = false;
};

// One HTTP GET for a URL. Blocking: the thread that made the connection uses it.
class URLConnection : public Object {
    LANG_CLASS(URLConnection, Object);

    // The reply body is held in memory, so it is capped: a larger reply is a
    // failed connection rather than unbounded memory.
    static constexpr int maxReplyBytes = 1 << 20;

    explicit URLConnection(const URL& url);

    // Total time allowed for the request, connection and redirects included;
    // 0 means a finite default.
    void setTimeout(int32_t milliseconds) { timeout = milliseconds; }
    int32_t getTimeout() const { return timeout; }
    // Borrowed, and must outlive connect(): raising it from another thread
    // ends a waiting request soon, as a failure.
    void setAbortFlag(const std::atomic<bool>* flag) { abort = flag; }

    // Performs the request once and keeps the body. False (and no stream) on
    // any failure: no connection, a transfer error or time-out, a scheme other
    // than http or https (redirects included), too many redirects, a final
    // status other than 200, or a body over maxReplyBytes.
    bool connect();
    // Connects if needed; the reply stream with a reference for the caller, or
    // null when the request failed.
    Ref<InputStream> getInputStream();

private:
    int32_t timeout = 0;
    const std::atomic<bool>* abort = nullptr;
    String protocol;
    int32_t port = 0;
    String host;
    String file;
    Ref<URLInputStream> stream;
};

// True when the machine has a network interface other than loopback up.
bool isOnline();
// True as isOnline(), and also when `serviceAddress` (an absolute URL) names
// a loopback host, so a service on this machine is reachable without a
// network.
bool isOnline(const String& serviceAddress);

} // namespace lang
