#pragma once

#include "CommitQueue.h"
#include "RateLimiter.h"
#include "ScoreRequest.h"
#include "ScoreStore.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace scores {

struct ServiceOptions {
    RequestRules rules;
    double fetchesPerMinute = 600;
    double fetchBurst = 60;
    double submitsPerMinute = 12;
    double submitBurst = 6;
};

// An answer to one request: a status and a body (empty unless 200).
struct HttpReply {
    int status = 200;
    std::string body;
};

// The first step of answering a request: a reply right away, or a submission
// that must be on disk before the reply can be made.
struct RequestStep {
    std::optional<HttpReply> reply;
    Submission submission;
};

// The two pages of the service, apart from the HTTP layer: checks the request,
// applies the rate limits, stores and answers. Every call may come from many
// threads at once. Every refused submission is reported through the log
// function (one line, no line break), which writes to standard error unless
// replaced.
class ScoreService {
public:
    using Log = std::function<void(std::string_view line)>;

    ScoreService(ScoreStore& store, ServiceOptions options, Log log = {});

    // Checks a request; a table request is answered at once.
    RequestStep begin(std::string_view target, std::string_view address);

    // The reply to a submission that went through commits(): its row id, or the
    // message of the error that kept it from being stored.
    HttpReply finish(const Submission& submission, int64_t id,
                     const std::optional<std::string>& error);

    // Where accepted submissions are queued for their durable commit.
    CommitQueue& commits() { return queue; }

private:
    HttpReply table(const Submission& which, int64_t highlightId);
    void logStoreError(std::string_view message);

    void logRefusal(std::string_view address, std::string_view reason, std::string_view target);

    ScoreStore& store;
    ServiceOptions options;
    Log log;
    RateLimiter fetchLimit;
    RateLimiter submitLimit;
    CommitQueue queue;
};

} // namespace scores
