#include "ScoreService.h"

#include "TableReply.h"

#include <unistd.h>

namespace scores {

namespace {

constexpr size_t loggedTargetLength = 200;

void writeStandardError(std::string_view line) {
    std::string text(line);
    text.push_back('\n');
    // One write per line keeps lines of concurrent requests whole.
    ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
}

// The target as printable ASCII: a log line can neither be split nor carry
// terminal escapes from a request.
std::string printable(std::string_view text) {
    std::string out;
    static const char hex[] = "0123456789ABCDEF";
    for (char ch : text.substr(0, loggedTargetLength)) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out.push_back(ch);
        } else {
            out.append("\\x");
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    if (text.size() > loggedTargetLength) {
        out.append("...");
    }
    return out;
}

} // namespace

ScoreService::ScoreService(ScoreStore& store_, ServiceOptions options_, Log log_)
    : store(store_), options(std::move(options_)),
      log(log_ ? std::move(log_) : Log(writeStandardError)),
      fetchLimit(options.fetchesPerMinute, options.fetchBurst),
      submitLimit(options.submitsPerMinute, options.submitBurst), queue(store) {}

void ScoreService::logRefusal(std::string_view address, std::string_view reason,
                              std::string_view target) {
    std::string line = "ripple-scores: refused submission from ";
    line.append(printable(address));
    line.append(": ");
    line.append(reason);
    line.append(": ");
    line.append(printable(target));
    log(line);
}

RequestStep ScoreService::begin(std::string_view target, std::string_view address) {
    ScoreRequest request = parseScoreRequest(target, options.rules);
    bool submit = request.kind == ScoreRequest::Kind::Submit ||
                  (request.kind == ScoreRequest::Kind::None &&
                   target.find("addglobalhs.jsp") != std::string_view::npos);
    RateLimiter& limit = submit ? submitLimit : fetchLimit;
    if (!limit.allow(address)) {
        if (submit) {
            logRefusal(address, "rate limit", target);
        }
        return {HttpReply{429, {}}, {}};
    }
    if (request.kind == ScoreRequest::Kind::None) {
        if (submit) {
            logRefusal(address, request.reason, target);
        }
        return {HttpReply{request.status, {}}, {}};
    }
    if (request.kind == ScoreRequest::Kind::Table) {
        return {table(request.entry, 0), {}};
    }
    request.entry.address = std::string(address);
    return {std::nullopt, std::move(request.entry)};
}

HttpReply ScoreService::finish(const Submission& submission, int64_t id,
                               const std::optional<std::string>& error) {
    if (error) {
        logStoreError(*error);
        return {503, {}};
    }
    return table(submission, id);
}

HttpReply ScoreService::table(const Submission& which, int64_t highlightId) {
    try {
        std::vector<ScoreRow> rows = store.top(which.game, which.mode, tableLength);
        int highlight = 0;
        for (size_t i = 0; highlightId != 0 && i < rows.size(); ++i) {
            if (rows[i].id == highlightId) {
                highlight = static_cast<int>(i) + 1;
            }
        }
        return {200, tableReply(which.game, which.mode, rows, highlight)};
    } catch (const StoreError& e) {
        logStoreError(e.what());
        return {503, {}};
    }
}

void ScoreService::logStoreError(std::string_view message) {
    std::string line = "ripple-scores: store error: ";
    line.append(message);
    log(line);
}

} // namespace scores
