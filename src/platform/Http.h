#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// An absolute address split into the parts a request needs. The port is the
// scheme's default when the address names none; file is the path followed by
// "?" and the query when there is one (the fragment never reaches a server).
struct UrlParts {
    std::string scheme;
    std::string host;
    int port = 0;
    std::string file;
};

// False when spec is not an absolute address the parser accepts.
bool parseUrl(const char* spec, UrlParts& parts);

// The address rebuilt from its parts, with bytes that may not appear in an
// address (controls, space, 8-bit bytes and "<>\"{}|\\^`") percent-escaped.
// Escapes already present are kept, so an encoded query is not encoded twice.
// Empty when the parts do not form a valid address.
std::string buildUrl(const UrlParts& parts);

// What one GET ended as.
enum class HttpOutcome {
    Ok,        // status 200 after redirects, body complete
    Failed,    // no connection, transfer error, bad scheme or too many redirects
    BadStatus, // the final status was not 200
    TooLarge,  // the body grew beyond the cap
    TimedOut,  // the total time-out ran out
    Aborted,   // the abort flag was raised while the request waited
};

// Limits of one request. A total time-out of 0 or less means totalDefaultMs:
// a request never waits for ever on a server that stops answering.
struct HttpLimits {
    static constexpr int totalDefaultMs = 30000;
    int timeoutMs = 0;
    size_t maxBodyBytes = 1 << 20;
    int maxRedirects = 5;
    // Borrowed; when set, raising it from any thread ends the request within
    // about abortCheckMs (the program is closing and must not wait for a
    // slow server). A flag already raised makes no request at all.
    const std::atomic<bool>* abort = nullptr;
    static constexpr int abortCheckMs = 50;
};

// One blocking GET of url into body (cleared first; left empty unless the
// outcome is Ok). Only http and https are spoken, on the first request and on
// every redirect. Safe to call from any thread: each call has its own handle
// and no signals are used for time-outs.
HttpOutcome httpGet(const std::string& url, const HttpLimits& limits, std::vector<uint8_t>& body,
                    long* status = nullptr);

// True when a network interface other than loopback is up and has an address.
bool hasNetworkInterface();

// True when `host` (as a URL names it: a name, an IPv4 address or a bracketed
// IPv6 address) is this machine's loopback: "localhost", 127.0.0.0/8 or ::1.
bool isLoopbackHost(const std::string& host);

} // namespace platform
