#include "game/OnlineScores.h"

#include "core/Class.h"
#include "game/HighScorePrompt.h"
#include "game/ScoreToken.h"
#include "io/InputStream.h"
#include "io/ResourceFile.h"
#include "io/URL.h"
#include "io/URLConnection.h"

namespace ripple {

LANG_REGISTER_CLASS(OnlineScores);

namespace {

// Gives up a monitor the calling thread may hold, for as long as it lives,
// and takes it back at the depth it had. Taking it once first tells the
// depth: one more than the caller held.
class MonitorReleased {
public:
    explicit MonitorReleased(const lang::Object* monitor) : monitor(monitor) {
        if (!monitor)
            return;
        depth = monitor->lock();
        for (int i = 0; i < depth; ++i)
            monitor->unlock();
    }
    ~MonitorReleased() {
        for (int i = 1; i < depth; ++i)
            monitor->lock();
    }
    MonitorReleased(const MonitorReleased&) = delete;
    MonitorReleased& operator=(const MonitorReleased&) = delete;

private:
    const lang::Object* monitor;
    int depth = 0;
};

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string encoded(const char* text, size_t length) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (unreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace

OnlineScores::OnlineScores() = default;
OnlineScores::~OnlineScores() = default;

void OnlineScores::setServiceUrl(const lang::String& url) {
    std::string text = url.getChars();
    while (!text.empty() && (text.back() == '/' || text.back() == ' '))
        text.pop_back();
    size_t start = text.find_first_not_of(' ');
    std::lock_guard<std::mutex> guard(configLock);
    base = start == std::string::npos ? std::string() : text.substr(start);
}

std::string OnlineScores::getServiceUrl() const {
    std::lock_guard<std::mutex> guard(configLock);
    return base;
}

bool OnlineScores::isConfigured() const {
    return !getServiceUrl().empty();
}

void OnlineScores::setConnectedTest(std::function<bool()> test) {
    std::lock_guard<std::mutex> guard(configLock);
    connectedTest = std::move(test);
}

bool OnlineScores::isConnected() const {
    std::function<bool()> test;
    std::string address;
    {
        std::lock_guard<std::mutex> guard(configLock);
        test = connectedTest;
        address = base;
    }
    return test ? test() : lang::isOnline(lang::String(address.c_str()));
}

void OnlineScores::setTimeouts(int fetchMs, int submitMs) {
    fetchTimeout.store(fetchMs);
    submitTimeout.store(submitMs);
}

void OnlineScores::setReleasedLock(const lang::Object* lock) {
    std::lock_guard<std::mutex> guard(configLock);
    releasedLock = lock;
}

void OnlineScores::setAbortFlag(std::shared_ptr<const std::atomic<bool>> flag) {
    std::lock_guard<std::mutex> guard(configLock);
    abortFlag = std::move(flag);
}

std::string OnlineScores::gameId() {
    lang::Ref<lang::String> text = lang::loadText(gameIdTextKey);
    return text && text->getLength() > 0 ? text->getChars() : defaultGameId;
}

bool OnlineScores::isSendableName(const lang::String& name) {
    int length = name.getLength();
    if (length < 1 || length > HighScorePrompt::maxNameLength)
        return false;
    for (int i = 0; i < length; ++i)
        if (!lang::isNameChar(static_cast<unsigned char>(name.charAt(i))))
            return false;
    return true;
}

std::string OnlineScores::encodeName(const lang::String& name) {
    return encoded(name.getChars(), static_cast<size_t>(name.getLength()));
}

std::string OnlineScores::fetchUrl(const lang::String& mode) const {
    std::string address = getServiceUrl();
    if (address.empty())
        return {};
    std::string id = gameId();
    address += "/globalhs.jsp?game=";
    address += encoded(id.data(), id.size());
    address += "&mode=";
    address += encoded(mode.getChars(), static_cast<size_t>(mode.getLength()));
    return address;
}

std::string OnlineScores::submitUrl(const lang::String& name, const lang::String& mode, int level,
                                    int score, double random) const {
    std::string address = getServiceUrl();
    if (address.empty() || !isSendableName(name))
        return {};
    std::string id = gameId();
    // The token hashes the name's own bytes, not their encoding.
    std::string token = makeScoreToken(random, name.getChars(), id, level, score);
    address += "/addglobalhs.jsp?game=";
    address += encoded(id.data(), id.size());
    address += "&mode=";
    address += encoded(mode.getChars(), static_cast<size_t>(mode.getLength()));
    address += "&name=";
    address += encodeName(name);
    address += "&score=";
    address += token;
    address += "&s=";
    address += std::to_string(score);
    return address;
}

std::string OnlineScores::request(const std::string& url, int timeoutMs) {
    const lang::Object* lock;
    std::shared_ptr<const std::atomic<bool>> abort;
    {
        std::lock_guard<std::mutex> guard(configLock);
        lock = releasedLock;
        abort = abortFlag;
    }
    if (url.empty() || (abort && abort->load()))
        return {};
    lang::URL address(url.c_str());
    lang::Ref<lang::URLConnection> connection = address.openConnection();
    if (!connection)
        return {};
    connection->setTimeout(timeoutMs);
    connection->setAbortFlag(abort.get());
    lang::Ref<lang::InputStream> stream;
    {
        MonitorReleased released(lock);
        stream = connection->getInputStream();
    }
    std::string reply;
    if (!stream)
        return reply;
    uint8_t piece[readPiece];
    for (int n; (n = stream->read(piece, 0, readPiece)) > 0;)
        reply.append(reinterpret_cast<const char*>(piece), static_cast<size_t>(n));
    stream->close();
    return reply;
}

} // namespace ripple
