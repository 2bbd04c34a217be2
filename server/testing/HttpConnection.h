#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scores::testing {

struct HttpResult {
    int status = 0; // 0: no answer (connection refused, closed or broken)
    std::string body;
};

// One keep-alive HTTP/1.1 connection to a loopback port, for tests and load
// runs. It reconnects when the server closed it between requests.
class HttpConnection {
public:
    explicit HttpConnection(uint16_t port) : port(port) {}
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    HttpResult get(std::string_view target);

private:
    bool open();
    void close();
    bool exchange(std::string_view target, HttpResult& result);

    uint16_t port;
    int fd = -1;
    std::string buffer;
};

// One request on a fresh connection.
HttpResult httpGet(uint16_t port, std::string_view target);

} // namespace scores::testing
