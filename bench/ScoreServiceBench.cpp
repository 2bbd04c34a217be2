// The score service under load: 50 keep-alive clients fetching tables, then
// submitting scores, against ripple-scores over SQLite and over PostgreSQL side
// by side. Each run reports answered requests per second, median and 99th
// percentile latency, and after the run counts the stored rows: "lost" is the
// number of acknowledged submissions missing from the database (must be 0).
// The service and this load generator share the machine's cores.

#include "HttpConnection.h"
#include "LoadClient.h"
#include "PgCluster.h"
#include "PgStore.h"
#include "ServiceProcess.h"
#include "SqliteStore.h"
#include "game/ScoreToken.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using scores::testing::LoadResult;
using scores::testing::ServiceProcess;

constexpr int clients = 50;
constexpr std::chrono::milliseconds runTime(4000);
constexpr int seededPerMode = 60;

enum class Store { Sqlite, Postgres };

// A fresh database and a service over it, with the rate limits off.
class Deployment {
public:
    explicit Deployment(Store kind) {
        std::string pattern = (fs::temp_directory_path() / "ripple-load-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("no temporary folder");
        }
        folder = pattern;
        std::vector<std::string> args = {"--game",       "RIPPLE", "--submit-rate",     "0",
                                         "--fetch-rate", "0",      "--max-connections", "2000"};
        if (kind == Store::Sqlite) {
            args.insert(args.end(), {"--db", folder + "/scores.db"});
        } else {
            cluster = std::make_unique<scores::testing::PgCluster>(true);
            args.insert(args.end(), {"--pg", cluster->conninfo()});
        }
        service =
            std::make_unique<ServiceProcess>(RIPPLE_SCORES_EXE, args, folder + "/service.log");
        this->kind = kind;
    }

    ~Deployment() {
        service.reset();
        cluster.reset();
        std::error_code error;
        fs::remove_all(folder, error);
    }

    uint16_t port() const { return service->port(); }

    // Stops the service and counts what the database holds.
    int64_t stopAndCountRows() {
        service->stop(SIGTERM);
        if (kind == Store::Sqlite) {
            return scores::SqliteStore(folder + "/scores.db").rowCount();
        }
        return scores::PgStore(cluster->conninfo()).rowCount();
    }

private:
    Store kind = Store::Sqlite;
    std::string folder;
    std::unique_ptr<scores::testing::PgCluster> cluster;
    std::unique_ptr<ServiceProcess> service;
};

// The n-th distinct submission of a run: a 7-character name and a score that
// together never repeat, with its genuine token.
std::string submission(int64_t n, int run) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string name = "L";
    name.push_back(letters[run % 52]);
    int64_t rest = n;
    for (int i = 0; i < 5; ++i) {
        name.push_back(letters[rest % 52]);
        rest /= 52;
    }
    int score = static_cast<int>(n % 900000) + 1000;
    std::string target = "/addglobalhs.jsp?game=RIPPLE&mode=M";
    target.push_back(static_cast<char>('0' + n % 3));
    target.append("&name=");
    target.append(name);
    target.append("&score=");
    target.append(ripple::makeScoreToken(0.001 * static_cast<double>(n % 997), name, "RIPPLE",
                                         static_cast<int32_t>(n % 50), score));
    target.append("&s=");
    target.append(std::to_string(score));
    return target;
}

void report(benchmark::State& state, const LoadResult& r, int64_t lost) {
    state.counters["req_per_s"] = r.perSecond();
    state.counters["p50_ms"] = r.p50Ms;
    state.counters["p99_ms"] = r.p99Ms;
    state.counters["failed"] = static_cast<double>(r.failed);
    state.counters["lost"] = static_cast<double>(lost);
}

void fetchTables(benchmark::State& state, Store kind) {
    if (kind == Store::Postgres && !scores::testing::PgCluster::binFolder()) {
        state.SkipWithError("PostgreSQL is not installed");
        return;
    }
    Deployment deployment(kind);
    // Full tables: every reply carries 40 rows.
    scores::testing::HttpConnection seeding(deployment.port());
    for (int64_t n = 0; n < 3 * seededPerMode; ++n) {
        seeding.get(submission(n, 0));
    }
    LoadResult r;
    for (auto _ : state) {
        r = scores::testing::runLoad(deployment.port(), clients, runTime, [](int64_t n) {
            std::string t = "/globalhs.jsp?game=RIPPLE&mode=M";
            t.push_back(static_cast<char>('0' + n % 3));
            return t;
        });
    }
    report(state, r, 0);
}

void submitScores(benchmark::State& state, Store kind) {
    if (kind == Store::Postgres && !scores::testing::PgCluster::binFolder()) {
        state.SkipWithError("PostgreSQL is not installed");
        return;
    }
    Deployment deployment(kind);
    LoadResult r;
    for (auto _ : state) {
        r = scores::testing::runLoad(deployment.port(), clients, runTime,
                                     [](int64_t n) { return submission(n, 1); });
    }
    int64_t rows = deployment.stopAndCountRows();
    report(state, r, std::max<int64_t>(0, r.answered - rows));
}

} // namespace

BENCHMARK_CAPTURE(fetchTables, sqlite, Store::Sqlite)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fetchTables, postgres, Store::Postgres)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(submitScores, sqlite, Store::Sqlite)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(submitScores, postgres, Store::Postgres)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
