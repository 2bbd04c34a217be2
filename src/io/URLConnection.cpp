#include "io/URLConnection.h"

#include "io/URL.h"
#include "platform/Http.h"

#include <algorithm>
#include <cstring>

namespace lang {

int URLInputStream::read(uint8_t* buffer, int offset, int length) {
    if (closed)
        return -1;
    if (!buffer || offset < 0 || length <= 0)
        return 0;
    size_t n = std::min(static_cast<size_t>(length), body.size() - position);
    if (n > 0)
        std::memcpy(buffer + offset, body.data() + position, n);
    position += n;
    return static_cast<int>(n);
}

int URLInputStream::read() {
    if (closed || position >= body.size())
        return -1;
    return body[position++];
}

void URLInputStream::close() {
    closed = true;
    std::vector<uint8_t>().swap(body);
    position = 0;
}

void URLInputStream::reset() {
    position = 0;
}

int URLInputStream::skip(int n) {
    if (closed)
        return -1;
    size_t moved = std::min(static_cast<size_t>(std::max(n, 0)), body.size() - position);
    position += moved;
    return static_cast<int>(moved);
}

URLConnection::URLConnection(const URL& url)
    : protocol(url.getProtocol()), port(url.getPort()), host(url.getHost()), file(url.getFile()) {}

bool URLConnection::connect() {
    if (stream)
        return true;
    platform::UrlParts parts{protocol.getChars(), host.getChars(), port, file.getChars()};
    std::string address = platform::buildUrl(parts);
    if (address.empty())
        return false;
    platform::HttpLimits limits;
    limits.timeoutMs = timeout;
    limits.maxBodyBytes = maxReplyBytes;
    limits.abort = abort;
    std::vector<uint8_t> body;
    if (platform::httpGet(address, limits, body) != platform::HttpOutcome::Ok)
        return false;
    stream = adopt(new URLInputStream(std::move(body)));
    return true;
}

Ref<InputStream> URLConnection::getInputStream() {
    if (!connect())
        return nullptr;
    return Ref<InputStream>(stream);
}

bool isOnline() {
    return platform::hasNetworkInterface();
}

bool isOnline(const String& serviceAddress) {
    platform::UrlParts parts;
    if (platform::parseUrl(serviceAddress.getChars(), parts) &&
        platform::isLoopbackHost(parts.host))
        return true;
    return isOnline();
}

} // namespace lang
