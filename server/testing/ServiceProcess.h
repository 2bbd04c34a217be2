#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace scores::testing {

// Runs a program with its standard output and error appended to logPath; the
// child is started as user uid when uid is not -1. Returns its exit status,
// or -1 when it could not run.
int runProgram(const std::vector<std::string>& args, const std::string& logPath,
               uid_t uid = static_cast<uid_t>(-1), gid_t gid = static_cast<gid_t>(-1));

// A ripple-scores process on a free loopback port. The constructor waits until
// it listens (its first line of output names the port); standard error goes to
// a log file the test can read.
class ServiceProcess {
public:
    // extraArgs follow "--bind 127.0.0.1 --port 0". Throws std::runtime_error
    // when the service does not come up.
    ServiceProcess(const std::string& executable, const std::vector<std::string>& extraArgs,
                   const std::string& logPath);
    // Stops the service with SIGTERM when it still runs.
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    uint16_t port() const { return listenPort; }

    // Sends the signal and waits for the process; returns its wait status.
    int stop(int signal);
    // Sends a signal that does not end the process (SIGSTOP, SIGCONT).
    void send(int signal);

private:
    pid_t pid = -1;
    uint16_t listenPort = 0;
};

// A free TCP port on the loopback address (free when asked; another process
// may still take it first).
uint16_t freeLoopbackPort();

} // namespace scores::testing
