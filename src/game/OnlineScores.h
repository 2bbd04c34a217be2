#pragma once

#include "core/Object.h"
#include "core/String.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace ripple {

// The game's side of the score service: where it lives, whether it can be
// reached, the two request addresses, and one request at a time.
//
// The service's base address is the setting serviceSetting, for example
// "http://scores.example.org:8080" (a trailing "/" is dropped); empty means
// on-line scores are off. Requests are
//   base + "/globalhs.jsp?game=" + id + "&mode=" + mode
//   base + "/addglobalhs.jsp?game=" + id + "&mode=" + mode + "&name=" + name
//        + "&score=" + token + "&s=" + score
// with the name's code-page bytes percent-encoded (all but A-Z, a-z, 0-9,
// "-", ".", "_", "~"), so no name can add a query key of its own.
//
// request() blocks the calling thread, but never while holding the canvas
// lock: when a lock was given (setReleasedLock) and the caller holds it, it is
// given up for the transfer and taken again at the same depth afterwards. The
// caller must hold no other lock the render thread takes (the dialog's own
// table lock included). A raised abort flag (the canvas stopping) ends a
// waiting request at once.
class OnlineScores : public lang::Object {
    LANG_CLASS(OnlineScores, lang::Object);

    static constexpr const char* serviceSetting = "GLOBALSCORESURL";
    static constexpr int fetchTimeoutMs = 12000;
    static constexpr int submitTimeoutMs = 20000;
    // The reply is read in pieces of at most this many characters.
    static constexpr int readPiece = 1023;

    OnlineScores();
    ~OnlineScores() override;

    void setServiceUrl(const lang::String& base);
    std::string getServiceUrl() const;
    bool isConfigured() const;

    // Replaces the connected-state test (tests); an empty function restores
    // the real one: a non-loopback interface is up, or the service lives on
    // a loopback address.
    void setConnectedTest(std::function<bool()> test);
    bool isConnected() const;

    // The time-outs of a fetch and of a submission (tests shorten them).
    void setTimeouts(int fetchMs, int submitMs);
    int getFetchTimeout() const { return fetchTimeout.load(); }
    int getSubmitTimeout() const { return submitTimeout.load(); }

    // Borrowed: the canvas monitor given up around a transfer; null for none.
    void setReleasedLock(const lang::Object* lock);
    void setAbortFlag(std::shared_ptr<const std::atomic<bool>> flag);

    // The game identifier: the data's text entry, or the built-in one.
    static std::string gameId();
    // 1 to maxNameLength characters, each passing isNameChar.
    static bool isSendableName(const lang::String& name);
    static std::string encodeName(const lang::String& name);

    std::string fetchUrl(const lang::String& mode) const;
    // Empty when the service is off or the name may not be sent. `random`
    // is the token's draw in [0, 1).
    std::string submitUrl(const lang::String& name, const lang::String& mode, int level, int score,
                          double random) const;

    // One GET; the reply body as text, empty when nothing arrived (no
    // connection, a failure, a status other than 200, an empty body, or an
    // abort). Any thread, one request per call.
    std::string request(const std::string& url, int timeoutMs);

private:
    mutable std::mutex configLock;
    std::string base;
    std::function<bool()> connectedTest;
    std::atomic<int> fetchTimeout{fetchTimeoutMs};
    std::atomic<int> submitTimeout{submitTimeoutMs};
    const lang::Object* releasedLock = nullptr;
    std::shared_ptr<const std::atomic<bool>> abortFlag;
};

} // namespace ripple
