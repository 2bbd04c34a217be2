#include "LoadClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

namespace scores::testing {

namespace {

using Clock = std::chrono::steady_clock;

struct Client {
    int fd = -1;
    std::string out;
    size_t sent = 0;
    std::string in;
    Clock::time_point started;
};

int connectTo(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The length of the first complete response in `in` and its status, or 0 while
// it is still incomplete.
size_t completeResponse(const std::string& in, int& status) {
    size_t headerEnd = in.find("\r\n\r\n");
    if (headerEnd == std::string::npos) {
        return 0;
    }
    status = std::atoi(in.c_str() + 9);
    size_t length = 0;
    for (size_t at = in.find("\r\n"); at < headerEnd; at = in.find("\r\n", at + 2)) {
        if (strncasecmp(in.c_str() + at + 2, "content-length:", 15) == 0) {
            length = std::strtoul(in.c_str() + at + 17, nullptr, 10);
        }
    }
    size_t total = headerEnd + 4 + length;
    return in.size() >= total ? total : 0;
}

} // namespace

LoadResult runLoad(uint16_t port, int clients, std::chrono::milliseconds duration,
                   const std::function<std::string(int64_t)>& target) {
    LoadResult result;
    std::vector<double> latencies;
    std::vector<Client> pool(static_cast<size_t>(clients));
    int epoll = epoll_create1(EPOLL_CLOEXEC);
    int64_t issued = 0;
    auto begin = Clock::now();
    auto end = begin + duration;

    auto send = [&](size_t i) {
        Client& c = pool[i];
        if (c.fd < 0) {
            c.fd = connectTo(port);
            if (c.fd < 0) {
                ++result.failed;
                return false;
            }
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = i;
            epoll_ctl(epoll, EPOLL_CTL_ADD, c.fd, &event);
            c.in.clear();
        }
        c.out = "GET ";
        c.out.append(target(issued++));
        c.out.append(" HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        c.started = Clock::now();
        // Requests are small: one send nearly always takes all of it.
        ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
        if (n != static_cast<ssize_t>(c.out.size())) {
            ::close(c.fd);
            c.fd = -1;
            ++result.failed;
            return false;
        }
        return true;
    };

    for (size_t i = 0; i < pool.size(); ++i) {
        send(i);
    }
    std::vector<epoll_event> events(pool.size());
    char buffer[65536];
    while (Clock::now() < end) {
        int ready = epoll_wait(epoll, events.data(), static_cast<int>(events.size()), 100);
        for (int e = 0; e < ready; ++e) {
            size_t i = events[static_cast<size_t>(e)].data.u64;
            Client& c = pool[i];
            ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                ::close(c.fd);
                c.fd = -1;
                ++result.failed;
                send(i);
                continue;
            }
            c.in.append(buffer, static_cast<size_t>(n));
            int status = 0;
            size_t length = completeResponse(c.in, status);
            if (length == 0) {
                continue;
            }
            c.in.erase(0, length);
            latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - c.started).count());
            if (status == 200) {
                ++result.answered;
            } else {
                ++result.failed;
            }
            if (Clock::now() < end) {
                send(i);
            }
        }
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    for (Client& c : pool) {
        if (c.fd >= 0) {
            ::close(c.fd);
        }
    }
    ::close(epoll);
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        result.p50Ms = latencies[latencies.size() / 2];
        result.p99Ms = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
    return result;
}

} // namespace scores::testing
