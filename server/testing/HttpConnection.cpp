#include "HttpConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <strings.h>

namespace scores::testing {

HttpConnection::~HttpConnection() {
    close();
}

bool HttpConnection::open() {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval timeout{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close();
        return false;
    }
    buffer.clear();
    return true;
}

void HttpConnection::close() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

bool HttpConnection::exchange(std::string_view target, HttpResult& result) {
    std::string request = "GET ";
    request.append(target);
    request.append(" HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    size_t sent = 0;
    while (sent < request.size()) {
        ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    size_t headerEnd;
    char chunk[16384];
    while ((headerEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<size_t>(n));
    }
    std::string_view head(buffer.data(), headerEnd);
    if (head.size() < 12 || head.substr(0, 5) != "HTTP/") {
        return false;
    }
    result.status = std::atoi(std::string(head.substr(9, 3)).c_str());
    size_t length = 0;
    bool closing = false;
    size_t lineStart = head.find("\r\n");
    while (lineStart != std::string_view::npos) {
        lineStart += 2;
        size_t lineEnd = head.find("\r\n", lineStart);
        std::string line(head.substr(lineStart, lineEnd - lineStart));
        if (strncasecmp(line.c_str(), "content-length:", 15) == 0) {
            length = std::strtoul(line.c_str() + 15, nullptr, 10);
        } else if (strncasecmp(line.c_str(), "connection:", 11) == 0 &&
                   line.find("close") != std::string::npos) {
            closing = true;
        }
        lineStart = lineEnd;
    }
    size_t bodyStart = headerEnd + 4;
    while (buffer.size() < bodyStart + length) {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<size_t>(n));
    }
    result.body = buffer.substr(bodyStart, length);
    buffer.erase(0, bodyStart + length);
    if (closing) {
        close();
    }
    return true;
}

HttpResult HttpConnection::get(std::string_view target) {
    // A kept connection may have been closed by the server since the last
    // request: one fresh attempt.
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool reused = fd >= 0;
        if (!reused && !open()) {
            return {};
        }
        HttpResult result;
        if (exchange(target, result)) {
            return result;
        }
        close();
        if (!reused) {
            break;
        }
    }
    return {};
}

HttpResult httpGet(uint16_t port, std::string_view target) {
    HttpConnection connection(port);
    return connection.get(target);
}

} // namespace scores::testing
