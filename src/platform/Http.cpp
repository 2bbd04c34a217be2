#include "platform/Http.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// curl_global_init is not thread-safe and must run once before any handle is
// made; the first request from whichever thread performs it.
void initOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct UrlDeleter {
    void operator()(CURLU* h) const { curl_url_cleanup(h); }
};
struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

bool getPart(CURLU* h, CURLUPart part, unsigned flags, std::string& out) {
    char* value = nullptr;
    if (curl_url_get(h, part, &value, flags) != CURLUE_OK)
        return false;
    out = value ? value : "";
    curl_free(value);
    return true;
}

bool unsafeInUrl(unsigned char c) {
    return c <= 0x20 || c >= 0x7f || std::strchr("<>\"{}|\\^`", c) != nullptr;
}

// Percent-escapes the bytes that may not appear in an address; escapes
// already present are kept, so an encoded query is not encoded twice.
void appendEscaped(std::string& out, const char* text) {
    static const char hex[] = "0123456789ABCDEF";
    for (; *text; ++text) {
        auto c = static_cast<unsigned char>(*text);
        if (unsafeInUrl(c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

struct Sink {
    std::vector<uint8_t>* body;
    size_t cap;
    bool overCap = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    size_t n = size * count;
    if (n > sink->cap - sink->body->size()) {
        // Returning less than n makes libcurl abort the transfer: a reply
        // larger than the cap must never grow memory without bound.
        sink->overCap = true;
        return 0;
    }
    sink->body->insert(sink->body->end(), data, data + n);
    return n;
}

// Runs the transfer. Without an abort flag that is one blocking call; with
// one, the transfer is driven in short waits so a raised flag ends it soon.
CURLcode perform(CURL* h, const std::atomic<bool>* abort, bool& aborted) {
    aborted = false;
    if (!abort)
        return curl_easy_perform(h);
    if (abort->load()) {
        aborted = true;
        return CURLE_ABORTED_BY_CALLBACK;
    }
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), h) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (int running = 1; running;) {
        if (abort->load()) {
            aborted = true;
            break;
        }
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
        if (running && curl_multi_poll(multi.get(), nullptr, 0, HttpLimits::abortCheckMs,
                                       nullptr) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == h && !aborted)
            result = message->data.result;
    curl_multi_remove_handle(multi.get(), h);
    return result;
}

} // namespace

bool parseUrl(const char* spec, UrlParts& parts) {
    if (!spec || !*spec)
        return false;
    initOnce();
    // Unsafe bytes are escaped first, as a browser would, so "a b" in a path
    // is a request for "a%20b" rather than a rejected address.
    std::string escaped;
    appendEscaped(escaped, spec);
    UrlHandle h(curl_url());
    if (!h || curl_url_set(h.get(), CURLUPART_URL, escaped.c_str(), 0) != CURLUE_OK)
        return false;
    UrlParts out;
    std::string port, path, query;
    if (!getPart(h.get(), CURLUPART_SCHEME, 0, out.scheme) ||
        !getPart(h.get(), CURLUPART_HOST, 0, out.host) ||
        !getPart(h.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, port) ||
        !getPart(h.get(), CURLUPART_PATH, 0, path))
        return false;
    out.port = std::atoi(port.c_str());
    out.file = path.empty() ? "/" : path;
    if (getPart(h.get(), CURLUPART_QUERY, 0, query))
        out.file.append(1, '?').append(query);
    parts = std::move(out);
    return true;
}

std::string buildUrl(const UrlParts& parts) {
    std::string text = parts.scheme;
    text.append("://").append(parts.host);
    if (parts.port > 0)
        text.append(1, ':').append(std::to_string(parts.port));
    if (parts.file.empty() || parts.file[0] != '/')
        text += '/';
    appendEscaped(text, parts.file.c_str());
    // A round trip through the parser rejects what is not an address and
    // drops a port that is the scheme's default.
    initOnce();
    UrlHandle h(curl_url());
    std::string out;
    if (!h || curl_url_set(h.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK ||
        !getPart(h.get(), CURLUPART_URL, CURLU_NO_DEFAULT_PORT, out))
        return {};
    return out;
}

HttpOutcome httpGet(const std::string& url, const HttpLimits& limits, std::vector<uint8_t>& body,
                    long* status) {
    body.clear();
    if (status)
        *status = 0;
    initOnce();
    // A fresh handle per request: a reused one would resolve a new address
    // against the last one and could carry connection state between requests.
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl)
        return HttpOutcome::Failed;
    std::unique_ptr<curl_slist, ListDeleter> headers(
        curl_slist_append(nullptr, "Pragma: no-cache"));
    if (headers)
        headers.reset(curl_slist_append(headers.release(), "Cache-Control: no-cache"));

    Sink sink{&body, limits.maxBodyBytes};
    long total = limits.timeoutMs > 0 ? limits.timeoutMs : HttpLimits::totalDefaultMs;
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(limits.maxRedirects));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, total);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, total);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
    curl_easy_setopt(h, CURLOPT_USERAGENT, "LUMORA.NET.URL");
    curl_easy_setopt(h, CURLOPT_REFERER, "LM");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);

    bool aborted = false;
    CURLcode rc = perform(h, limits.abort, aborted);
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    if (status)
        *status = code;
    HttpOutcome outcome = HttpOutcome::Ok;
    if (aborted)
        outcome = HttpOutcome::Aborted;
    else if (sink.overCap || rc == CURLE_FILESIZE_EXCEEDED)
        outcome = HttpOutcome::TooLarge;
    else if (rc == CURLE_OPERATION_TIMEDOUT)
        outcome = HttpOutcome::TimedOut;
    else if (rc != CURLE_OK)
        outcome = HttpOutcome::Failed;
    else if (code != 200)
        outcome = HttpOutcome::BadStatus;
    if (outcome != HttpOutcome::Ok)
        std::vector<uint8_t>().swap(body);
    return outcome;
}

} // namespace platform

namespace platform {

bool hasNetworkInterface() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (ifaddrs* a = list; a && !found; a = a->ifa_next) {
        if (!a->ifa_addr || (a->ifa_flags & IFF_LOOPBACK) || !(a->ifa_flags & IFF_UP) ||
            !(a->ifa_flags & IFF_RUNNING))
            continue;
        found = a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6;
    }
    freeifaddrs(list);
    return found;
}

} // namespace platform

namespace platform {

bool isLoopbackHost(const std::string& host) {
    std::string name = host;
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (lower == "localhost" || lower == "localhost.")
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, lower.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, lower.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

} // namespace platform
