// Each writing kwave command is killed (SIGKILL) at random moments. After every
// kill each file holds either its old or its new bytes, the database passes its
// integrity check and holds the old or the new rows, and the next run of the
// command completes and leaves no temporary file behind.
#include "support/LocalStreamServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDatabase = "Kestrelwave.dll";
constexpr int kDefaultIterations = 20;

// KW_KILL_ITERATIONS raises the count for a longer run (ctest -L kill).
int iterations() {
    const char* value = std::getenv("KW_KILL_ITERATIONS");
    return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : kDefaultIterations;
}

// Starts kwave on dir; the caller waits for it or kills it.
pid_t startKwave(const fs::path& dir, const std::vector<std::string>& args) {
    std::vector<std::string> words{KW_KWAVE_PATH, "--dir", dir.string()};
    words.insert(words.end(), args.begin(), args.end());
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

int runKwave(const fs::path& dir, const std::vector<std::string>& args) {
    int status = 0;
    ::waitpid(startKwave(dir, args), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool isDatabaseFile(const std::string& name) {
    return name.starts_with("Kestrelwave.dll") || name == "Kestrelwave.ldb";
}

bool isTemporary(const std::string& name) {
    static const std::regex temporary(R"(.*\.tmp[0-9]+-[0-9]+|.*-journal)");
    return std::regex_match(name, temporary);
}

// What a user could see: every file's bytes (the database by its rows, since
// SQLite may lay the same rows out differently) and the integrity check.
struct State {
    std::map<std::string, std::string> files;
    std::string rows;
    std::string integrity;
    std::vector<std::string> temporaries;
};

std::string databaseRows(const fs::path& file, std::string& integrity) {
    sqlite3* db = nullptr;
    std::string rows;
    // Read-write, as the program opens it, so a log left by a kill is applied.
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        integrity = "cannot open: " + std::string(sqlite3_errmsg(db));
        sqlite3_close(db);
        return rows;
    }
    auto query = [&](const std::string& sql, auto each) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            integrity = "cannot query: " + std::string(sqlite3_errmsg(db));
            return;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) each(statement);
        sqlite3_finalize(statement);
    };
    query("pragma integrity_check",
          [&](sqlite3_stmt* s) { integrity += reinterpret_cast<const char*>(sqlite3_column_text(s, 0)); });
    std::vector<std::string> tables;
    query("select name from sqlite_master where type = 'table' order by name", [&](sqlite3_stmt* s) {
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    });
    for (const std::string& table : tables) {
        rows += "[" + table + "]\n";
        query("select * from \"" + table + "\" order by rowid", [&](sqlite3_stmt* s) {
            for (int column = 0; column < sqlite3_column_count(s); ++column) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_blob(s, column));
                rows.append(text == nullptr ? "<null>" : std::string(text, sqlite3_column_bytes(s, column)));
                rows += '\t';
            }
            rows += '\n';
        });
    }
    sqlite3_close(db);
    return rows;
}

State stateOf(const fs::path& dir) {
    State state;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        const std::string relative = entry.path().lexically_relative(dir).string();
        if (isTemporary(name)) {
            state.temporaries.push_back(relative);
        } else if (!isDatabaseFile(name)) {
            state.files[relative] = kw::test::readBytes(entry.path());
        }
    }
    state.rows = databaseRows(dir / kDatabase, state.integrity);
    return state;
}

// Each file, and the rows, as before or as after the command.
void expectOldOrNew(const State& now, const State& before, const State& after) {
    EXPECT_EQ(now.integrity, "ok");
    EXPECT_TRUE(now.rows == before.rows || now.rows == after.rows) << "rows are neither old nor new";
    std::map<std::string, std::string> names;
    for (const auto* state : {&now, &before, &after})
        for (const auto& [name, bytes] : state->files) names[name];
    for (const auto& [name, unused] : names) {
        auto bytesIn = [&](const State& state) {
            const auto found = state.files.find(name);
            return found == state.files.end() ? std::string("<missing>") : found->second;
        };
        EXPECT_TRUE(bytesIn(now) == bytesIn(before) || bytesIn(now) == bytesIn(after))
            << name << " is neither old nor new";
    }
}

// Makes work a fresh copy of pristine.
void restoreCopy(const fs::path& pristine, const fs::path& work) {
    fs::remove_all(work);
    fs::copy(pristine, work, fs::copy_options::recursive);
}

// How long one uninterrupted run of the command takes, in a fresh copy.
std::chrono::microseconds timeOfRun(const fs::path& pristine, const fs::path& work,
                                    const std::vector<std::string>& args, int& status) {
    restoreCopy(pristine, work);
    const auto started = std::chrono::steady_clock::now();
    status = runKwave(work, args);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
}

struct KilledCommand {
    const char* name;
    std::vector<std::string> args;  // CHANNEL stands for a channel of the catalogue
};

void PrintTo(const KilledCommand& command, std::ostream* out) { *out << command.name; }

class KillTest : public testing::TestWithParam<KilledCommand> {};

TEST_P(KillTest, KilledWriteLeavesOldOrNewStateAndNoLitter) {
    kw::test::TempDir temp;
    const fs::path pristine = temp / "pristine";
    ASSERT_EQ(runKwave(temp.path(), {"init", pristine.string()}), 0);
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args)
        if (arg == "CHANNEL") arg = "CCTV-1综合";
    const State before = stateOf(pristine);
    ASSERT_EQ(before.integrity, "ok");

    const fs::path work = temp / "work";
    int status = -1;
    const auto runTime = timeOfRun(pristine, work, args, status);
    ASSERT_EQ(status, 0);
    const State after = stateOf(work);
    ASSERT_TRUE(after.files != before.files || after.rows != before.rows) << "the command changed nothing";

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, runTime.count() * 3 / 2);
    int finished = 0, unfinished = 0, littered = 0;
    for (int i = 0; i < iterations() && !HasFailure(); ++i) {
        restoreCopy(pristine, work);
        const pid_t pid = startKwave(work, args);
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const State killed = stateOf(work);
        expectOldOrNew(killed, before, after);
        ++(killed.files == after.files && killed.rows == after.rows ? finished : unfinished);
        littered += !killed.temporaries.empty();

        runKwave(work, args);  // may say the change is there already
        const State again = stateOf(work);
        EXPECT_EQ(again.files, after.files);
        EXPECT_EQ(again.rows, after.rows);
        EXPECT_EQ(again.temporaries, std::vector<std::string>{});
    }
    std::printf("%s: %d kills, %d before the change, %d after it, %d left a temporary file\n",
                GetParam().name, finished + unfinished, unfinished, finished, littered);
}

INSTANTIATE_TEST_SUITE_P(
    WritingCommands, KillTest,
    testing::Values(KilledCommand{"ConfigSet", {"config", "set", "LastStatus", "LastSkinName", "水墨江南"}},
                    KilledCommand{"Favourite", {"favorite", "CHANNEL", "on"}},
                    KilledCommand{"Rate", {"rate", "CHANNEL", "5"}},
                    KilledCommand{"Lock", {"lock", "CHANNEL", "on"}},
                    KilledCommand{"Delete", {"delete", "CHANNEL", "--yes"}},
                    KilledCommand{"SpeedAssign", {"speed", "assign", "3", "CHANNEL", "--yes"}},
                    KilledCommand{"SpeedSave", {"speed", "save", "Mine.scs"}}),
    [](const testing::TestParamInfo<KilledCommand>& param) { return std::string(param.param.name); });

// A pack killed at any moment leaves every row as it was, and the next pack
// clears what the killed one left beside the database and compacts.
TEST(KillPackTest, KilledPackLeavesTheRowsAndTheNextPackCompacts) {
    kw::test::TempDir temp;
    const fs::path pristine = temp / "pristine";
    ASSERT_EQ(runKwave(temp.path(), {"init", pristine.string()}), 0);
    const State before = stateOf(pristine);
    const fs::path work = temp / "work";
    int status = -1;
    const auto runTime = timeOfRun(pristine, work, {"pack"}, status);
    ASSERT_EQ(status, 0);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, runTime.count() * 3 / 2);
    for (int i = 0; i < iterations() && !HasFailure(); ++i) {
        restoreCopy(pristine, work);
        const pid_t pid = startKwave(work, {"pack"});
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const State killed = stateOf(work);
        EXPECT_EQ(killed.integrity, "ok");
        EXPECT_EQ(killed.rows, before.rows);

        EXPECT_EQ(runKwave(work, {"pack"}), 0);
        const State again = stateOf(work);
        EXPECT_EQ(again.rows, before.rows);
        EXPECT_EQ(again.temporaries, std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(work / "Kestrelwave.d11"));
    }
}

// While another program holds the database open, pack is refused and the
// file stays the one that program writes to.
TEST(KillPackTest, PackBesideAnOpenConnectionIsRefusedAndLosesNothing) {
    kw::test::TempDir temp;
    const fs::path work = temp / "work";
    ASSERT_EQ(runKwave(temp.path(), {"init", work.string()}), 0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((work / kDatabase).c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "select count(*) from ChannelInfo", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(runKwave(work, {"pack"}), 1);
    ASSERT_EQ(sqlite3_exec(other, "update ChannelInfo set ci_Rating = 5 where ci_GroupID = 1", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    std::string integrity;
    databaseRows(work / kDatabase, integrity);
    EXPECT_EQ(integrity, "ok");
    sqlite3* check = nullptr;
    ASSERT_EQ(sqlite3_open((work / kDatabase).c_str(), &check), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(check, "select count(*) from ChannelInfo where ci_GroupID = 1 and ci_Rating <> 5", -1,
                       &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 0);
    sqlite3_finalize(statement);
    sqlite3_close(check);
}

}  // namespace

namespace {

// One number from the database, -1 when it cannot be read.
long long countOf(const fs::path& dir, const std::string& sql) {
    sqlite3* db = nullptr;
    long long count = -1;
    if (sqlite3_open_v2((dir / kDatabase).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

}  // namespace

// A check killed midway keeps the results it had finished, and nothing else
// changes: the channels stay as they were and the file passes its integrity check.
TEST(KillTest, KilledCheckKeepsWhatItHadFinished) {
    kw::test::TempDir temp;
    const fs::path pristine = temp / "pristine";
    ASSERT_EQ(runKwave(temp.path(), {"init", pristine.string()}), 0);
    kw::test::LocalStreamServer server;
    constexpr int kChannels = 40;  // more than one batch of kept results
    const std::string paths[] = {"/404", "/silent"};
    for (int i = 0; i < kChannels; ++i) {
        ASSERT_EQ(runKwave(pristine, {"add", "--class0", "C广播电台", "--name", "台" + std::to_string(i),
                                      "--url", server.url(paths[i % 2])}),
                  0);
    }
    const std::vector<std::string> check{"check", "--scope", "user", "--jobs", "8", "--timeout", "1"};
    const fs::path work = temp / "work";
    int status = -1;
    const auto runTime = timeOfRun(pristine, work, check, status);
    ASSERT_NE(status, 2);
    ASSERT_EQ(countOf(work, "select count(*) from ChannelStatus"), kChannels);
    const std::string channels = "select count(*) from ChannelInfo";
    const long long rows = countOf(pristine, channels);

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long> delay(runTime.count() / 10, runTime.count() * 9 / 10);
    long long keptInAll = 0;
    for (int i = 0; i < 3; ++i) {
        restoreCopy(pristine, work);
        const pid_t pid = startKwave(work, check);
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        State killed;
        databaseRows(work / kDatabase, killed.integrity);
        EXPECT_EQ(killed.integrity, "ok");
        EXPECT_EQ(countOf(work, channels), rows);
        const long long kept = countOf(work, "select count(*) from ChannelStatus");
        EXPECT_GE(kept, 0);
        EXPECT_LE(kept, kChannels);
        keptInAll += kept;
        runKwave(work, check);
        EXPECT_EQ(countOf(work, "select count(*) from ChannelStatus"), kChannels)
            << "the next check finishes";
    }
    EXPECT_GT(keptInAll, 0) << "a check killed midway keeps the results it had finished";
}
