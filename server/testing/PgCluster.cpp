#include "PgCluster.h"

#include "ServiceProcess.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace scores::testing {

namespace fs = std::filesystem;

std::optional<std::string> PgCluster::binFolder() {
    std::error_code error;
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        fs::path bin = entry.path() / "bin";
        if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl")) {
            found.push_back(bin);
        }
    }
    if (found.empty()) {
        return std::nullopt;
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        return std::atoi(a.parent_path().filename().c_str()) <
               std::atoi(b.parent_path().filename().c_str());
    });
    return found.back().string();
}

PgCluster::PgCluster(bool durable) {
    try {
        start(durable);
    } catch (...) {
        std::error_code error;
        if (!folder.empty()) {
            fs::remove_all(folder, error);
        }
        throw;
    }
}

void PgCluster::start(bool durable) {
    std::optional<std::string> found = binFolder();
    if (!found) {
        throw std::runtime_error("PostgreSQL is not installed");
    }
    bin = *found;
    std::string pattern = (fs::temp_directory_path() / "ripple-pg-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    folder = pattern;
    if (geteuid() == 0) {
        const passwd* user = getpwnam("postgres");
        if (!user) {
            user = getpwnam("nobody");
        }
        if (!user || chown(folder.c_str(), user->pw_uid, user->pw_gid) != 0) {
            throw std::runtime_error("no user to run PostgreSQL as");
        }
        uid = user->pw_uid;
        gid = user->pw_gid;
    }
    std::string log = folder + "/cluster.log";
    std::string data = folder + "/data";
    if (runProgram({bin + "/initdb", "-D", data, "-U", "ripple", "-A", "trust", "-E", "UTF8",
                    "--locale=C", "--no-sync"},
                   log, uid, gid) != 0) {
        throw std::runtime_error("initdb failed; see " + log);
    }
    settings = " -c listen_addresses=127.0.0.1 -c unix_socket_directories=" + folder +
               " -c max_connections=120 -c shared_buffers=32MB";
    if (!durable) {
        settings.append(" -c fsync=off -c full_page_writes=off");
    }
    // The port is free when chosen but may be taken before the server binds it.
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        port = freeLoopbackPort();
        resume();
    }
    if (!started) {
        throw std::runtime_error("the PostgreSQL server did not start; see " + folder);
    }
}

void PgCluster::resume() {
    std::string options = "-p " + std::to_string(port);
    options.append(settings);
    started = runProgram({bin + "/pg_ctl", "-D", folder + "/data", "-l", folder + "/server.log",
                          "-w", "-t", "60", "-o", options, "start"},
                         folder + "/cluster.log", uid, gid) == 0;
}

void PgCluster::pause() {
    if (started) {
        runProgram({bin + "/pg_ctl", "-D", folder + "/data", "-m", "immediate", "-w", "stop"},
                   folder + "/cluster.log", uid, gid);
        started = false;
    }
}

PgCluster::~PgCluster() {
    pause();
    std::error_code error;
    fs::remove_all(folder, error);
}

std::string PgCluster::conninfo() const {
    return "host=127.0.0.1 port=" + std::to_string(port) +
           " user=ripple dbname=postgres connect_timeout=10";
}

} // namespace scores::testing
