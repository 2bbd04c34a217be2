// ripple-scores: the on-line high-score service the game's high-score dialog talks to.

#include "HttpServer.h"
#include "PgStore.h"
#include "ScoreService.h"
#include "SqliteStore.h"
#include "game/ScoreToken.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <pthread.h>
#include <string>
#include <string_view>

namespace {

const char* usage =
    "usage: ripple-scores (--db FILE | --pg CONNINFO) [options]\n"
    "  --db FILE            keep the tables in this SQLite file (created when missing)\n"
    "  --pg CONNINFO        keep them in PostgreSQL (libpq connection string)\n"
    "  --port N             port to listen on (default 8080; 0 picks a free one)\n"
    "  --bind ADDR          numeric address to listen on (default 0.0.0.0)\n"
    "  --threads N          request threads (default 8)\n"
    "  --game ID            a game identifier to accept; repeat for several\n"
    "                       (default: the identifier the game sends)\n"
    "  --max-score N        highest score accepted (default 100000000)\n"
    "  --fetch-rate N       table requests per minute and address (default 600, 0: no limit)\n"
    "  --submit-rate N      submissions per minute and address (default 12, 0: no limit)\n"
    "  --max-connections N  open connections at most (default 1000)\n";

[[noreturn]] void badUsage(const std::string& message) {
    std::fprintf(stderr, "ripple-scores: %s\n%s", message.c_str(), usage);
    std::exit(2);
}

long numberArgument(const char* option, const char* text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) {
        badUsage(std::string(option) + " takes a number from " + std::to_string(low) + " to " +
                 std::to_string(high));
    }
    return value;
}

} // namespace

int main(int argc, char** argv) {
    std::string sqlitePath;
    std::string pgConninfo;
    scores::ServiceOptions service;
    scores::HttpOptions http;
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            badUsage("unknown option or missing value: " + std::string(option));
        }
        const char* value = argv[++i];
        if (option == "--db") {
            sqlitePath = value;
        } else if (option == "--pg") {
            pgConninfo = value;
        } else if (option == "--port") {
            http.port = static_cast<uint16_t>(numberArgument(argv[i - 1], value, 0, 65535));
        } else if (option == "--bind") {
            http.bindAddress = value;
        } else if (option == "--threads") {
            http.threads = static_cast<unsigned>(numberArgument(argv[i - 1], value, 1, 256));
        } else if (option == "--game") {
            if (*value == '\0') {
                badUsage("--game takes a non-empty identifier");
            }
            service.rules.games.insert(value);
        } else if (option == "--max-score") {
            service.rules.maxScore =
                static_cast<int>(numberArgument(argv[i - 1], value, 1, 999999999));
        } else if (option == "--fetch-rate") {
            service.fetchesPerMinute =
                static_cast<double>(numberArgument(argv[i - 1], value, 0, 1000000));
            service.fetchBurst = std::max(1.0, service.fetchesPerMinute / 10);
        } else if (option == "--submit-rate") {
            service.submitsPerMinute =
                static_cast<double>(numberArgument(argv[i - 1], value, 0, 1000000));
            service.submitBurst = std::max(1.0, service.submitsPerMinute / 2);
        } else if (option == "--max-connections") {
            http.maxConnections =
                static_cast<unsigned>(numberArgument(argv[i - 1], value, 1, 100000));
        } else {
            badUsage("unknown option " + std::string(option));
        }
    }
    if (sqlitePath.empty() == pgConninfo.empty()) {
        badUsage("give exactly one of --db and --pg");
    }
    if (service.rules.games.empty()) {
        service.rules.games.insert(ripple::defaultGameId);
    }

    // Termination signals are taken by sigwait below, so every thread started
    // from here on inherits them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        std::unique_ptr<scores::ScoreStore> store;
        std::string where;
        if (!sqlitePath.empty()) {
            store = std::make_unique<scores::SqliteStore>(sqlitePath);
            where = "SQLite " + sqlitePath;
        } else {
            store = std::make_unique<scores::PgStore>(pgConninfo);
            where = "PostgreSQL";
        }
        scores::ScoreService scoreService(*store, service);
        scores::HttpServer server(scoreService, http);
        std::printf("ripple-scores: listening on %s port %u (%s)\n", http.bindAddress.c_str(),
                    static_cast<unsigned>(server.port()), where.c_str());
        std::fflush(stdout);
        int signal = 0;
        sigwait(&stopSignals, &signal);
        std::fprintf(stderr, "ripple-scores: %s, stopping\n", strsignal(signal));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ripple-scores: %s\n", error.what());
        return 1;
    }
    return 0;
}
