#include "HttpServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace scores {

namespace {

// What MHD keeps for one request: the target exactly as it arrived, before
// MHD's own decoding of the query.
struct RequestContext {
    std::string target;
    bool headersSeen = false;
    size_t bodyBytes = 0;
    // A submission waiting for its commit. The writer thread fills in the
    // outcome, then resumes the connection; the lock orders the two threads'
    // access without relying on the HTTP library's own synchronisation.
    bool waiting = false;
    Submission submission;
    std::mutex outcomeLock;
    int64_t id = 0;
    std::optional<std::string> error;
};

// None of our pages takes a body; a client sending a long one is cut off.
constexpr size_t maxIgnoredBody = 4096;

void* keepTarget(void*, const char* uri, MHD_Connection*) {
    auto* context = new RequestContext;
    context->target = uri ? uri : "";
    return context;
}

void requestDone(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
    delete static_cast<RequestContext*>(*context);
    *context = nullptr;
}

std::string clientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr) {
        return "unknown";
    }
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr* address = info->client_addr;
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                  sizeof text);
    } else if (address->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                  sizeof text);
    } else {
        return "unknown";
    }
    return text;
}

MHD_Result queue(MHD_Connection* connection, const HttpReply& reply) {
    MHD_Response* response = MHD_create_response_from_buffer(
        reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) {
        return MHD_NO;
    }
    if (reply.status == 200) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/xml; charset=UTF-8");
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_Result result =
        MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result answer(void* cls, MHD_Connection* connection, const char*, const char* method,
                  const char*, const char*, size_t* uploadSize, void** context) {
    auto* server = static_cast<HttpServer*>(cls);
    ScoreService& service = server->scoreService();
    auto* request = static_cast<RequestContext*>(*context);
    // An answer queued at the first call, before MHD knows whether a body
    // follows, makes it close the connection afterwards: fine for a refusal,
    // but a good request is answered at the second call so the connection
    // stays open for the client's next request.
    if (!request || std::strcmp(method, MHD_HTTP_METHOD_GET) != 0) {
        return queue(connection, {request ? 405 : 400, {}});
    }
    if (!request->headersSeen) {
        request->headersSeen = true;
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        request->bodyBytes += *uploadSize;
        *uploadSize = 0;
        return request->bodyBytes > maxIgnoredBody ? MHD_NO : MHD_YES;
    }
    if (request->bodyBytes != 0) {
        return queue(connection, {400, {}});
    }
    if (request->waiting) {
        // Resumed: the commit is done.
        request->waiting = false;
        std::lock_guard guard(request->outcomeLock);
        return queue(connection, service.finish(request->submission, request->id, request->error));
    }
    RequestStep step = service.begin(request->target, clientAddress(connection));
    if (step.reply) {
        return queue(connection, *step.reply);
    }
    if (!server->beginWaiting()) {
        return queue(connection, {503, {}});
    }
    request->submission = std::move(step.submission);
    request->waiting = true;
    MHD_suspend_connection(connection);
    service.commits().submitAsync(
        request->submission,
        [server, request, connection](int64_t id, std::optional<std::string> error) {
            {
                std::lock_guard guard(request->outcomeLock);
                request->id = id;
                request->error = std::move(error);
            }
            MHD_resume_connection(connection);
            server->endWaiting();
        });
    return MHD_YES;
}

} // namespace

HttpServer::HttpServer(ScoreService& service_, const HttpOptions& options) : service(service_) {
    sockaddr_storage storage{};
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, options.bindAddress.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(options.port);
    } else if (inet_pton(AF_INET6, options.bindAddress.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(options.port);
        flags |= MHD_USE_IPv6;
    } else {
        throw std::runtime_error("not a numeric address to listen on: " + options.bindAddress);
    }
    unsigned threads = options.threads == 0 ? 1 : options.threads;
    daemon = MHD_start_daemon(
        flags, options.port, nullptr, nullptr, &answer, this, MHD_OPTION_SOCK_ADDR,
        reinterpret_cast<sockaddr*>(&storage), MHD_OPTION_THREAD_POOL_SIZE, threads,
        MHD_OPTION_CONNECTION_LIMIT, options.maxConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        options.maxConnectionsPerAddress, MHD_OPTION_CONNECTION_TIMEOUT, options.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, options.connectionMemory,
        MHD_OPTION_LISTEN_BACKLOG_SIZE, 512u, MHD_OPTION_URI_LOG_CALLBACK, &keepTarget, nullptr,
        MHD_OPTION_NOTIFY_COMPLETED, &requestDone, nullptr, MHD_OPTION_END);
    if (!daemon) {
        throw std::runtime_error("cannot listen on " + options.bindAddress + " port " +
                                 std::to_string(options.port));
    }
}

HttpServer::~HttpServer() {
    // Every suspended submission is resumed before the daemon goes: a commit
    // finishing later must not touch a connection that no longer exists.
    std::unique_lock guard(waitingLock);
    stopping = true;
    noneWaiting.wait(guard, [&] { return waiting == 0; });
    guard.unlock();
    MHD_stop_daemon(daemon);
}

bool HttpServer::beginWaiting() {
    std::lock_guard guard(waitingLock);
    if (stopping) {
        return false;
    }
    ++waiting;
    return true;
}

void HttpServer::endWaiting() {
    std::lock_guard guard(waitingLock);
    if (--waiting == 0) {
        noneWaiting.notify_all();
    }
}

uint16_t HttpServer::port() const {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : 0;
}

} // namespace scores
