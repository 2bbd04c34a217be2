#include "ServiceProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace scores::testing {

namespace {

// argv for execv; the strings outlive the call.
std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

} // namespace

int runProgram(const std::vector<std::string>& args, const std::string& logPath, uid_t uid,
               gid_t gid) {
    std::vector<char*> argv = argvOf(args);
    int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
        return -1;
    }
    if (uid != static_cast<uid_t>(-1) && fchown(log, uid, gid) != 0) {
        ::close(log);
        return -1;
    }
    pid_t child = fork();
    if (child == 0) {
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        int devNull = ::open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        if (uid != static_cast<uid_t>(-1) && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 ||
                                              setuid(uid) != 0 || chdir("/") != 0)) {
            _exit(126);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(log);
    if (child < 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ServiceProcess::ServiceProcess(const std::string& executable,
                               const std::vector<std::string>& extraArgs,
                               const std::string& logPath) {
    std::vector<std::string> args = {executable, "--bind", "127.0.0.1", "--port", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv = argvOf(args);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        if (log >= 0) {
            dup2(log, STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(out[1]);
    if (log >= 0) {
        ::close(log);
    }
    if (pid < 0) {
        ::close(out[0]);
        throw std::runtime_error("fork");
    }
    // The first line names the port: "ripple-scores: listening on ADDR port N (...)".
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) {
            continue;
        }
        char c[256];
        ssize_t n = ::read(out[0], c, sizeof c);
        if (n <= 0) {
            break;
        }
        line.append(c, static_cast<size_t>(n));
    }
    ::close(out[0]);
    size_t at = line.find(" port ");
    if (at == std::string::npos) {
        stop(SIGKILL);
        throw std::runtime_error("ripple-scores did not start; see " + logPath);
    }
    listenPort = static_cast<uint16_t>(std::atoi(line.c_str() + at + 6));
}

ServiceProcess::~ServiceProcess() {
    stop(SIGTERM);
}

int ServiceProcess::stop(int signal) {
    if (pid <= 0) {
        return 0;
    }
    ::kill(pid, signal);
    // A paused process would keep the signal pending and never end.
    ::kill(pid, SIGCONT);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    return status;
}

void ServiceProcess::send(int signal) {
    if (pid > 0) {
        ::kill(pid, signal);
    }
}

uint16_t freeLoopbackPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    uint16_t port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

} // namespace scores::testing
