#include "engine/User.h"
#include "core/ByteArray.h"
#include "core/Vector.h"
#include "platform/SettingsDocument.h"
#include "platform/SettingsFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using engine::User;
using lang::adopt;
using lang::ByteArray;
using lang::Ref;
using lang::String;
using platform::SettingsDocument;
using platform::SettingsFile;

namespace fs = std::filesystem;

namespace {

constexpr const char* game = "Ripple";

std::string str(const Ref<String>& s) {
    return s ? s->getChars() : "(null)";
}

Ref<ByteArray> pattern(int size, int seed) {
    auto bytes = adopt(new ByteArray(size));
    for (int i = 0; i < size; ++i)
        bytes->bytes()[i] = static_cast<uint8_t>(i * 7 + seed);
    return bytes;
}

bool sameBytes(const ByteArray& a, const ByteArray& b) {
    return a.size() == b.size() && std::equal(a.bytes(), a.bytes() + a.size(), b.bytes());
}

std::string slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Each test gets a data home of its own, so the preference folder is fresh.
class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = getenv("XDG_DATA_HOME");
        hadHome = old != nullptr;
        oldHome = old ? old : "";
        setenv("XDG_DATA_HOME", home.c_str(), 1);
    }
    void TearDown() override {
        if (hadHome)
            setenv("XDG_DATA_HOME", oldHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    Ref<User> openUser() {
        auto user = adopt(new User);
        user->open(game);
        return user;
    }
    std::string settingsPath() const { return home + "/Lumora/Ripple/settings.reg"; }
    SettingsDocument onDisk() const {
        SettingsDocument doc;
        EXPECT_EQ(SettingsFile(settingsPath(), game).read(doc), SettingsFile::ReadResult::Ok);
        return doc;
    }

    testsupport::TempFolder folder;
    const std::string home = folder.path();
    std::string oldHome;
    bool hadHome = false;
};

// A forked child that is killed and reaped however the test ends.
class Child {
public:
    template <class Body>
    explicit Child(Body&& body) {
        pid_t parent = getpid();
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                _exit(1);
            body();
            _exit(0);
        }
    }
    ~Child() { kill(); }
    void kill() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    // Waits up to the deadline for a normal exit; true when it exited with 0.
    bool finish(std::chrono::seconds bound) {
        auto deadline = std::chrono::steady_clock::now() + bound;
        int status = 0;
        while (pid > 0) {
            pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                pid = -1;
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            if (std::chrono::steady_clock::now() > deadline)
                break;
            poll(nullptr, 0, 5);
        }
        kill();
        return false;
    }
    bool started() const { return pid > 0; }

private:
    pid_t pid = -1;
};

} // namespace

TEST_F(UserTest, TypedValuesRoundTripAcrossObjects) {
    {
        auto user = openUser();
        EXPECT_TRUE(user->setInt("FULLSCREEN", 1));
        EXPECT_TRUE(user->setInt("MIXBUFFER", -1));
        EXPECT_TRUE(user->setInt("VOLUMEFX", 0));
        EXPECT_TRUE(user->setString("MRUHSNAME", "J\xE9r\xF4me \"JJ\" \\o/"));
        EXPECT_TRUE(user->setString("EMPTY", ""));
        EXPECT_TRUE(user->setString("LONG", std::string(1500, 'x').c_str()));
        EXPECT_TRUE(user->setBinary("BLOB", *pattern(300, 1)));
        EXPECT_TRUE(user->setBinary("NONE", ByteArray(0)));
    }
    auto user = openUser();
    EXPECT_EQ(user->getInt("FULLSCREEN", 7), 1);
    EXPECT_EQ(user->getInt("fullscreen", 7), 1); // names ignore case
    EXPECT_EQ(user->getInt("MIXBUFFER", 7), -1);
    EXPECT_EQ(user->getInt("VOLUMEFX", 255), 0);
    EXPECT_EQ(user->getInt("ABSENT", 42), 42);
    EXPECT_EQ(str(user->getString("MRUHSNAME", "")), "J\xE9r\xF4me \"JJ\" \\o/");
    EXPECT_EQ(str(user->getString("EMPTY", "dflt")), "");
    EXPECT_EQ(str(user->getString("ABSENT", "dflt")), "dflt");
    EXPECT_EQ(str(user->getString("ABSENT", nullptr)), "(null)");
    EXPECT_EQ(str(user->getString("LONG", "")), std::string(User::maxStringLength, 'x'));
    auto bytes = adopt(new ByteArray);
    EXPECT_TRUE(user->getBinary("BLOB", *bytes));
    EXPECT_TRUE(sameBytes(*bytes, *pattern(300, 1)));
    EXPECT_TRUE(user->getBinary("NONE", *bytes));
    EXPECT_EQ(bytes->size(), 0);
    EXPECT_FALSE(user->getBinary("ABSENT", *bytes));

    // A value of another type reads as absent.
    EXPECT_EQ(user->getInt("MRUHSNAME", 5), 5);
    EXPECT_EQ(str(user->getString("FULLSCREEN", "d")), "d");
    EXPECT_FALSE(user->getBinary("FULLSCREEN", *bytes));
    EXPECT_TRUE(user->setString("FULLSCREEN", "now text"));
    EXPECT_EQ(user->getInt("FULLSCREEN", 9), 9);

    EXPECT_TRUE(user->remove("FULLSCREEN"));
    EXPECT_FALSE(user->remove("FULLSCREEN"));
    EXPECT_EQ(str(user->getString("FULLSCREEN", "gone")), "gone");
    // The file is text a person can read.
    EXPECT_NE(slurp(settingsPath()).find("\"VOLUMEFX\"=dword:00000000"), std::string::npos);
}

TEST_F(UserTest, OnlyTheLastBackslashSeparatesTheValueName) {
    auto user = openUser();
    EXPECT_TRUE(user->setInt("OPTIONS\\MUSIC", 3));
    EXPECT_TRUE(user->setInt("A\\B\\C", 4));
    EXPECT_TRUE(user->setString("A\\NAME", "n"));
    EXPECT_TRUE(user->setInt("\\TOP", 5)); // an empty subkey name is the game key
    EXPECT_EQ(user->getInt("OPTIONS\\MUSIC", 0), 3);
    EXPECT_EQ(user->getInt("MUSIC", 0), 0);
    EXPECT_EQ(user->getInt("TOP", 0), 5);
    EXPECT_EQ(user->getInt("a\\b\\c", 0), 4);

    SettingsDocument doc = onDisk();
    ASSERT_TRUE(doc.find("A\\B", "C"));
    EXPECT_FALSE(doc.find("A", "B\\C"));
    EXPECT_EQ(doc.find("OPTIONS", "MUSIC")->number, 3u);

    lang::Vector names;
    user->listSubKeys(names);
    ASSERT_EQ(names.size(), 2);
    EXPECT_STREQ(static_cast<String*>(names.elementAt(0))->getChars(), "A");
    EXPECT_STREQ(static_cast<String*>(names.elementAt(1))->getChars(), "OPTIONS");

    // remove() takes the value first, and the subkey of that name when there
    // is no such value.
    EXPECT_TRUE(user->remove("A\\NAME"));
    EXPECT_TRUE(user->setInt("A", 1));
    EXPECT_TRUE(user->remove("A"));
    EXPECT_EQ(user->getInt("A\\B\\C", 0), 4);
    EXPECT_TRUE(user->remove("A"));
    EXPECT_EQ(user->getInt("A\\B\\C", 0), 0);
    lang::Vector after;
    user->listSubKeys(after);
    ASSERT_EQ(after.size(), 1);
    EXPECT_STREQ(static_cast<String*>(after.elementAt(0))->getChars(), "OPTIONS");
    EXPECT_FALSE(user->remove(""));
}

TEST_F(UserTest, ChunkedBlobsSplitAt4096Bytes) {
    auto user = openUser();
    auto piece = adopt(new ByteArray);
    auto whole = adopt(new ByteArray);

    ASSERT_TRUE(user->setChunkedBinary("SAVE", *pattern(4096, 3)));
    EXPECT_TRUE(user->getBinary("SAVE\\0", *piece));
    EXPECT_EQ(piece->size(), 4096);
    EXPECT_FALSE(user->getBinary("SAVE\\1", *piece));
    EXPECT_TRUE(user->getChunkedBinary("SAVE", *whole));
    EXPECT_TRUE(sameBytes(*whole, *pattern(4096, 3)));

    ASSERT_TRUE(user->setChunkedBinary("SAVE", *pattern(4097, 4)));
    EXPECT_TRUE(user->getBinary("SAVE\\1", *piece));
    EXPECT_EQ(piece->size(), 1);
    EXPECT_TRUE(user->getChunkedBinary("SAVE", *whole));
    EXPECT_TRUE(sameBytes(*whole, *pattern(4097, 4)));

    // A shorter blob must not pick up the tail of a longer earlier one.
    ASSERT_TRUE(user->setChunkedBinary("SAVE", *pattern(10000, 5)));
    ASSERT_TRUE(user->setChunkedBinary("SAVE", *pattern(100, 6)));
    EXPECT_TRUE(user->getChunkedBinary("SAVE", *whole));
    EXPECT_TRUE(sameBytes(*whole, *pattern(100, 6)));

    // An empty blob is stored and reads back as present and empty.
    ASSERT_TRUE(user->setChunkedBinary("EMPTY", ByteArray(0)));
    EXPECT_TRUE(user->getChunkedBinary("EMPTY", *whole));
    EXPECT_EQ(whole->size(), 0);

    EXPECT_FALSE(user->getChunkedBinary("ABSENT", *whole));
    EXPECT_EQ(whole->size(), 0);
    EXPECT_TRUE(user->remove("SAVE"));
    EXPECT_FALSE(user->getChunkedBinary("SAVE", *whole));
}

TEST_F(UserTest, ScoresRankAndPersistPerMode) {
    {
        auto user = openUser();
        EXPECT_EQ(user->getScore("M0", 0), -1);
        EXPECT_EQ(str(user->getScoreName("M0", 0)), "");
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(user->addScore("ann", "M0", i + 1, 1000 - i * 100, 0), i);
        // An equal score ranks below the one already there.
        EXPECT_EQ(user->addScore("bob", "M0", 4, 700, 0), 4);
        EXPECT_EQ(str(user->getScoreName("M0", 3)), "ann");
        EXPECT_EQ(str(user->getScoreName("M0", 4)), "bob");
        // The table is full: a score equal to its lowest is rejected.
        int lowest = user->getScore("M0", 9);
        EXPECT_EQ(user->addScore("cat", "M0", 1, lowest, 0), -1);
        EXPECT_EQ(user->addScore("cat", "M0", 1, lowest + 1, 2), 9);
        EXPECT_EQ(user->getScore("M0", 9), lowest + 1);
        EXPECT_EQ(user->getScore("M0", 10), -1);
        EXPECT_EQ(user->getScoreSetting("M0", 9), 2);
        // The mode "" is the table of the short forms.
        EXPECT_EQ(user->addScore("dee", 12, 5000, 1), 0);
        EXPECT_EQ(user->getScore(0), 5000);
        EXPECT_EQ(user->getScoreLevel(0), 12);
        EXPECT_EQ(str(user->getScoreName(0)), "dee");
        EXPECT_EQ(user->addScore("eve", "M2", 3, 10, 2), 0);
        EXPECT_EQ(user->getStoredCount(), 12);
    }
    auto user = openUser();
    EXPECT_EQ(user->getStoredCount(), 12);
    EXPECT_EQ(user->getScore("M0", 0), 1000);
    EXPECT_EQ(str(user->getScoreName("M0", 4)), "bob");
    EXPECT_EQ(user->getScoreLevel("M0", 4), 4);
    EXPECT_EQ(user->getScore("M0", 9), 201);
    EXPECT_EQ(user->getScore("M0", 10), -1);
    EXPECT_EQ(str(user->getScoreName(0)), "dee");
    EXPECT_EQ(user->getScore(0), 5000);
    EXPECT_EQ(str(user->getScoreName("M2", 0)), "eve");
    EXPECT_EQ(user->getScoreSetting("M2", 0), 2);
    EXPECT_EQ(user->getScoreLevel("M9", 0), 0);
    EXPECT_EQ(user->getScoreSetting("M9", 0), 0);

    user->removeScoreMode("M0");
    EXPECT_EQ(user->getScore("M0", 0), -1);
    EXPECT_EQ(user->getStoredCount(), 2);
    {
        auto again = openUser();
        EXPECT_EQ(again->getScore("M0", 0), -1);
        EXPECT_EQ(again->getScore("M2", 0), 10);
        EXPECT_EQ(again->getScore(0), 5000);
    }
    // No stale entries are left behind past the new end of the list.
    EXPECT_FALSE(onDisk().find("", "SCORE2"));

    user->clearScores();
    EXPECT_EQ(user->getStoredCount(), 0);
    EXPECT_EQ(user->getScore(0), -1);
    EXPECT_FALSE(onDisk().find("", "SCORENAME0"));
    EXPECT_EQ(openUser()->getScore("M2", 0), -1);
}

TEST_F(UserTest, ScorePrefixPutsTheTablesInASubkey) {
    auto user = openUser();
    user->setScorePrefix("HS");
    EXPECT_EQ(user->addScore("ann", "M1", 2, 300, 1), 0);
    SettingsDocument doc = onDisk();
    ASSERT_TRUE(doc.find("HS", "SCORE0"));
    EXPECT_EQ(doc.find("HS", "SCOREMODE0")->bytes, "M1");
    EXPECT_FALSE(doc.find("", "SCORE0"));

    auto other = adopt(new User);
    other->open(game); // loads without a prefix: nothing there
    EXPECT_EQ(other->getScore("M1", 0), -1);
    other->setScorePrefix("HS\\");
    other->loadScores();
    EXPECT_EQ(other->getScore("M1", 0), 300);
}

TEST_F(UserTest, CreditsDefaultAndAreWrittenOnDestruction) {
    {
        auto user = openUser();
        EXPECT_EQ(user->getCredits(), 0);
        EXPECT_EQ(user->getCreditsOrDefault(), User::defaultCredits);
        EXPECT_EQ(user->subtractCredits(1000), 499000);
        EXPECT_EQ(user->addCredits(10), 499010);
        EXPECT_EQ(user->getInt("CREDITS", -1), -1); // not yet
    }
    auto user = openUser();
    EXPECT_EQ(user->getInt("CREDITS", -1), 499010);
    EXPECT_EQ(user->getCredits(), 499010);
    user->resetCredits();
    EXPECT_EQ(user->getCredits(), User::defaultCredits);
    EXPECT_EQ(user->reserved(), 0);
    // Opening another key first stores the credits of the one being closed.
    user->open("Other");
    EXPECT_EQ(openUser()->getCredits(), User::defaultCredits);
}

TEST_F(UserTest, AnUnparsableFileYieldsDefaultsAndIsKeptAside) {
    fs::create_directories(home + "/Lumora/Ripple");
    const std::string broken = "[Ripple]\n\"SCORE0\"=dword:64\n\"FULLSCREEN\"=dword:zz\n";
    std::ofstream(settingsPath()) << broken;

    auto user = openUser();
    EXPECT_EQ(user->getInt("FULLSCREEN", 0), 0);
    EXPECT_EQ(user->getScore(0), -1);
    EXPECT_TRUE(user->setInt("NORMALEXIT", 0));
    EXPECT_EQ(user->getInt("NORMALEXIT", 1), 0);

    int kept = 0;
    for (const auto& entry : fs::directory_iterator(home + "/Lumora/Ripple")) {
        if (entry.path().filename().string().starts_with("settings.reg.broken-")) {
            ++kept;
            EXPECT_EQ(slurp(entry.path().string()), broken);
        }
    }
    EXPECT_EQ(kept, 1);
}

TEST_F(UserTest, NoUsableFolderMeansDefaultsAndSilentWrites) {
    std::ofstream(home + "/file") << "not a folder";
    setenv("XDG_DATA_HOME", (home + "/file").c_str(), 1);
    auto user = openUser();
    EXPECT_STREQ(user->getSettingsPath(), "");
    EXPECT_FALSE(user->setInt("A", 1));
    EXPECT_FALSE(user->setString("B", "b"));
    EXPECT_FALSE(user->setChunkedBinary("C", *pattern(5000, 1)));
    EXPECT_EQ(user->getInt("A", 9), 9);
    // Scores still rank in memory for this run.
    EXPECT_EQ(user->addScore("ann", "M0", 1, 10, 0), 0);
    EXPECT_EQ(user->getScore("M0", 0), 10);
    lang::Vector names;
    user->listSubKeys(names);
    EXPECT_EQ(names.size(), 0);

    // The folder disappears while the game runs.
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    auto other = openUser();
    EXPECT_TRUE(other->setInt("A", 1));
    fs::remove_all(home + "/Lumora");
    EXPECT_FALSE(other->setInt("A", 2));
    EXPECT_EQ(other->getInt("A", 9), 9);
    other->addCredits(5); // written on destruction: must fail quietly too
}

// A writer killed at a random moment, again and again: the file always parses,
// holds every value whose write had returned, and never a torn one.
TEST_F(UserTest, SettingsCrashLeavesAWholeFile) {
    auto user = openUser();        // creates the folder
    constexpr int blobSize = 6000; // two pieces
    std::mt19937 random(12345);
    int rounds = 0, start = 1;
    auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < stop && rounds < 2000) {
        int reports[2];
        ASSERT_EQ(pipe(reports), 0);
        Child child([&] {
            close(reports[0]);
            auto writer = adopt(new User);
            writer->open(game);
            for (int i = start; i < start + 100000; ++i) {
                auto blob = adopt(new ByteArray(blobSize));
                std::fill(blob->bytes(), blob->bytes() + blobSize, static_cast<uint8_t>(i));
                writer->setChunkedBinary("SAVE", *blob);
                writer->setInt("COUNTER", i);
                if (write(reports[1], &i, sizeof i) != sizeof i)
                    _exit(1);
            }
            // Never reached in practice; leave without the destructor's write.
            _exit(0);
        });
        close(reports[1]);
        ASSERT_TRUE(child.started());
        // Let it complete a few writes, then kill it somewhere inside the next.
        int wanted = 1 + static_cast<int>(random() % 3), got = 0, last = start - 1;
        while (got < wanted) {
            pollfd p{reports[0], POLLIN, 0};
            ASSERT_EQ(poll(&p, 1, 20000), 1) << "the writer stopped reporting";
            int value;
            ASSERT_EQ(read(reports[0], &value, sizeof value), static_cast<ssize_t>(sizeof value));
            last = value;
            ++got;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
        child.kill();
        while (read(reports[0], &last, sizeof last) == sizeof last) {
        }
        close(reports[0]);

        SettingsDocument doc;
        std::string error;
        ASSERT_EQ(SettingsFile(settingsPath(), game).read(doc, &error),
                  SettingsFile::ReadResult::Ok)
            << error;
        const platform::SettingsValue* counter = doc.find("", "COUNTER");
        ASSERT_TRUE(counter);
        int value = static_cast<int>(counter->number);
        ASSERT_GE(value, last) << "a write that had returned was lost";
        ASSERT_LE(value, last + 1);
        auto blob = adopt(new ByteArray);
        ASSERT_TRUE(user->getChunkedBinary("SAVE", *blob));
        ASSERT_EQ(blob->size(), blobSize);
        uint8_t first = blob->bytes()[0];
        ASSERT_TRUE(first == static_cast<uint8_t>(value) ||
                    first == static_cast<uint8_t>(value + 1));
        ASSERT_TRUE(std::all_of(blob->bytes(), blob->bytes() + blobSize,
                                [&](uint8_t b) { return b == first; }));
        start = value + 2;
        ++rounds;
    }
    EXPECT_GT(rounds, 5);
}

// Two copies of the game writing at once: each change is made under the lock
// on the newest file, so neither loses the other's values.
TEST_F(UserTest, SettingsConcurrentProcessesLoseNoValue) {
    openUser();
    constexpr int perWriter = 25;
    auto writer = [&](int id) {
        return [&, id] {
            auto user = adopt(new User);
            user->open(game);
            for (int i = 0; i < perWriter; ++i) {
                std::string name = "P" + std::to_string(id) + "\\V" + std::to_string(i);
                if (!user->setInt(name.c_str(), i * 10 + id))
                    _exit(2);
            }
            _exit(0);
        };
    };
    Child first(writer(1));
    Child second(writer(2));
    ASSERT_TRUE(first.started() && second.started());
    EXPECT_TRUE(first.finish(std::chrono::seconds(60)));
    EXPECT_TRUE(second.finish(std::chrono::seconds(60)));
    auto user = openUser();
    for (int id = 1; id <= 2; ++id) {
        for (int i = 0; i < perWriter; ++i) {
            std::string name = "P" + std::to_string(id) + "\\V" + std::to_string(i);
            EXPECT_EQ(user->getInt(name.c_str(), -1), i * 10 + id) << name;
        }
    }
}

// Copies of the game each hold their tables in memory; a score one adds must rank among, and
// keep, what the others stored meanwhile.
TEST_F(UserTest, ScoresFromSeveralCopiesAreMerged) {
    auto first = openUser();
    auto second = openUser();
    EXPECT_EQ(first->addScore("a", "M", 1, 100, 0), 0);
    EXPECT_EQ(second->addScore("b", "M", 1, 50, 0), 1);
    EXPECT_EQ(first->addScore("a", "N", 1, 10, 0), 0);
    EXPECT_EQ(second->addScore("b", "M", 1, 70, 0), 1);
    first->removeScoreMode("N");
    auto reader = openUser();
    EXPECT_EQ(reader->getScore("M", 0), 100);
    EXPECT_EQ(reader->getScore("M", 1), 70);
    EXPECT_EQ(reader->getScore("M", 2), 50);
    EXPECT_EQ(reader->getScore("N", 0), -1);

    // Two processes adding at once: the table ends as the best ten of every score added, each
    // under the name of the process that added it.
    constexpr int perWriter = 25;
    auto writer = [&](int id) {
        return [&, id] {
            auto user = adopt(new User);
            user->open(game);
            for (int i = 0; i < perWriter; ++i)
                user->addScore(("p" + std::to_string(id)).c_str(), "race", 1, 2 * i + id, 0);
            _exit(0);
        };
    };
    Child one(writer(0));
    Child two(writer(1));
    ASSERT_TRUE(one.started() && two.started());
    EXPECT_TRUE(one.finish(std::chrono::seconds(60)));
    EXPECT_TRUE(two.finish(std::chrono::seconds(60)));
    reader->loadScores();
    for (int rank = 0; rank < User::scoresPerMode; ++rank) {
        int expected = 2 * perWriter - 1 - rank;
        EXPECT_EQ(reader->getScore("race", rank), expected);
        EXPECT_EQ(str(reader->getScoreName("race", rank)), "p" + std::to_string(expected % 2));
    }
    EXPECT_EQ(reader->getScore("M", 1), 70);
}

// Threads sharing one User and threads with Users of their own.
TEST_F(UserTest, SettingsConcurrentThreadsLoseNoValue) {
    auto shared = openUser();
    constexpr int perThread = 15;
    std::vector<std::thread> threads;
    for (int id = 0; id < 3; ++id) {
        threads.emplace_back([&, id] {
            Ref<User> user = id == 2 ? openUser() : shared;
            for (int i = 0; i < perThread; ++i) {
                std::string name = "T" + std::to_string(id) + "_" + std::to_string(i);
                user->setString(name.c_str(), name.c_str());
                user->addScore(name.c_str(), "M1", id, id * 100 + i, 0);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    for (int id = 0; id < 3; ++id) {
        for (int i = 0; i < perThread; ++i) {
            std::string name = "T" + std::to_string(id) + "_" + std::to_string(i);
            EXPECT_EQ(str(shared->getString(name.c_str(), "")), name);
        }
    }
    // Every object's scores were merged into the one table: the best ten of all.
    shared->loadScores();
    EXPECT_EQ(shared->getScore("M1", 0), 214);
    EXPECT_EQ(shared->getScore("M1", 9), 205);
}

// A file with a great many values (hand-made or hostile) must not make the
// store's work grow with the square of its size.
TEST_F(UserTest, AHugeScoreListLoadsAndClears) {
    constexpr int entries = 20000;
    fs::create_directories(home + "/Lumora/Ripple");
    {
        std::ofstream out(settingsPath());
        out << "[Ripple]\n";
        for (int n = 0; n < entries; ++n)
            out << "\"SCORENAME" << n << "\"=\"p" << n << "\"\n\"SCOREMODE" << n << "\"=\"M"
                << n % 3 << "\"\n\"SCORE" << n << "\"=dword:" << std::hex << entries - n << std::dec
                << "\n\"LEVEL" << n << "\"=dword:1\n\"SCORESETTING" << n << "\"=dword:0\n";
    }
    auto user = openUser();
    EXPECT_EQ(user->getStoredCount(), entries);
    EXPECT_EQ(user->getScore("M0", 0), entries);
    EXPECT_EQ(str(user->getScoreName("M2", 0)), "p2");
    user->clearScores();
    EXPECT_EQ(user->getScore("M0", 0), -1);
    EXPECT_EQ(openUser()->getStoredCount(), 0);
}
