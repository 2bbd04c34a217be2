#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace scores::testing {

// What a load run measured.
struct LoadResult {
    int64_t answered = 0; // requests answered with status 200
    int64_t failed = 0;   // other statuses and broken connections
    double seconds = 0;
    double p50Ms = 0;
    double p99Ms = 0;
    double perSecond() const { return seconds > 0 ? static_cast<double>(answered) / seconds : 0; }
};

// Keeps `clients` keep-alive connections busy for `duration`, each sending its
// next request as soon as the last one is answered; target(n) gives the n-th
// request of the run. One thread drives every connection through epoll, so the
// load generator costs little of the machine the service runs on.
LoadResult runLoad(uint16_t port, int clients, std::chrono::milliseconds duration,
                   const std::function<std::string(int64_t)>& target);

} // namespace scores::testing
