#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scores::testing {

// A throwaway PostgreSQL cluster in a temporary folder, listening on a free
// loopback port, removed again by the destructor. When the tests run as root it
// runs as the "postgres" system user (the server refuses to run as root).
class PgCluster {
public:
    // The bin folder of the newest installed server (initdb, pg_ctl), if any.
    static std::optional<std::string> binFolder();

    // durable false turns off fsync: faster, and still keeping every commit
    // through a crash of the server, only not through one of the machine. Throws std::runtime_error when the cluster does not start.
    explicit PgCluster(bool durable = false);
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // A libpq connection string for the cluster's "postgres" database.
    std::string conninfo() const;

    // Stops the server at once (as a crash would) and starts it again on the
    // same port; resume leaves isRunning false when the server does not start.
    void pause();
    void resume();
    bool isRunning() const { return started; }

private:
    void start(bool durable);

    std::string bin;
    std::string folder;
    std::string settings;
    uint16_t port = 0;
    bool started = false;
    unsigned uid = static_cast<unsigned>(-1);
    unsigned gid = static_cast<unsigned>(-1);
};

} // namespace scores::testing
