#include "support/HttpStandIn.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace testsupport {

namespace {

int boundLoopbackSocket(int& port) {
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

bool sendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

} // namespace

HttpStandIn::HttpStandIn(Handler handler) : handler(std::move(handler)) {
    fd = boundLoopbackSocket(port);
    listen(fd, 16);
    worker = std::thread([this] { run(); });
}

HttpStandIn::~HttpStandIn() {
    stop = true;
    worker.join();
    close(fd);
}

std::vector<std::string> HttpStandIn::paths() {
    std::lock_guard<std::mutex> guard(pathsLock);
    return seen;
}

void HttpStandIn::run() {
    while (!stop) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        int client = accept(fd, nullptr, nullptr);
        if (client < 0)
            continue;
        answer(client);
        close(client);
    }
}

void HttpStandIn::answer(int client) {
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd p{client, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0)
            return;
        ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<size_t>(n));
    }
    size_t start = request.find(' ') + 1;
    std::string path = request.substr(start, request.find(' ', start) - start);
    {
        std::lock_guard<std::mutex> guard(pathsLock);
        seen.push_back(path);
    }
    StandInReply reply = handler(path);
    size_t length = reply.bodyBytes ? reply.bodyBytes : reply.body.size();
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) +
                       "\r\nConnection: close\r\n";
    if (!reply.chunks.empty()) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (!reply.unsized) {
        head += "Content-Length: ";
        head += std::to_string(reply.stallMs > 0 ? length + 1 : length);
        head += "\r\n";
    }
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    head += "\r\n";
    if (!sendAll(client, head))
        return;
    if (!reply.chunks.empty()) {
        for (const std::string& piece : reply.chunks) {
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            if (!sendAll(client, size + piece + "\r\n"))
                return;
        }
        sendAll(client, "0\r\n\r\n");
    } else if (!reply.bodyBytes) {
        if (!sendAll(client, reply.body))
            return;
    } else {
        std::string block(64 * 1024, 'x');
        for (size_t sent = 0; sent < reply.bodyBytes && !stop; sent += block.size())
            if (!sendAll(client, block.substr(0, std::min(block.size(), reply.bodyBytes - sent))))
                return;
    }
    if (reply.stallMs > 0) {
        // Wait until the client gives up (closes) or the stall ends.
        pollfd p{client, POLLIN, 0};
        poll(&p, 1, reply.stallMs);
    }
}

RefusingPort::RefusingPort() {
    fd = boundLoopbackSocket(port);
}

RefusingPort::~RefusingPort() {
    if (fd >= 0)
        close(fd);
}

} // namespace testsupport
