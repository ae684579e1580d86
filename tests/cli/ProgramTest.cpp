#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "KeptReports.h"

extern char** environ;

namespace {

using Json = nlohmann::json;

// What becomes of one of the program's output streams.
enum class Stream {
    Read,    // a pipe, read to its end
    Null,    // the null device
    Gone,    // a pipe whose reader has gone: each write fails
    Closed,  // no stream at all, as a shell's >&- leaves it
};

struct Finished {
    int exitCode = -1;
    std::string out;
};

void route(posix_spawn_file_actions_t& actions, int fd, Stream stream, int pipeEnd) {
    switch (stream) {
        case Stream::Read:
        case Stream::Gone:
            posix_spawn_file_actions_adddup2(&actions, pipeEnd, fd);
            break;
        case Stream::Null:
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_WRONLY, 0);
            break;
        case Stream::Closed:
            posix_spawn_file_actions_addclose(&actions, fd);
            break;
    }
}

// The installed program's way: the real binary, with its output streams as given. It starts
// with the default action for SIGPIPE, whatever this process does with it.
Finished runBinary(const std::vector<std::string>& args, Stream out = Stream::Read,
                   Stream err = Stream::Null) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) return {};
    if (err == Stream::Read) err = Stream::Null;  // one pipe is read: stdout's
    if (out == Stream::Gone) ::close(outPipe[0]);
    if (err == Stream::Gone) ::close(errPipe[0]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    route(actions, STDOUT_FILENO, out, outPipe[1]);
    route(actions, STDERR_FILENO, err, errPipe[1]);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> words{QOR_CLI_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, QOR_CLI_PROGRAM, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    Finished finished;
    if (out != Stream::Gone) {
        char chunk[4096];
        ssize_t got = 0;
        while (spawned == 0 && (got = ::read(outPipe[0], chunk, sizeof chunk)) > 0)
            finished.out.append(chunk, static_cast<std::size_t>(got));
        ::close(outPipe[0]);
    }
    if (err != Stream::Gone) ::close(errPipe[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        finished.exitCode = WEXITSTATUS(status);
    return finished;
}

std::string readFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::string text;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    std::fclose(file);
    return text;
}

// A fix of the built-in field in scaled real time: about a second.
TEST(ProgramTest, FixesTheBuiltInFieldWithJson) {
    const Finished run = runBinary({"fix", "7654321", "--sim", "--time-scale", "20", "--json"});
    EXPECT_EQ(run.exitCode, 0);
    clitest::keepReport(run.out);
    const Json json = Json::parse(run.out, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << run.out;
    EXPECT_EQ(json.at("outcome"), "speed-fixed");
    EXPECT_EQ(json.at("node").at("name"), "QOR123-7654321");
}

TEST(ProgramTest, ScanListsTheFiveNodesInReach) {
    const Finished run = runBinary({"scan", "--sim", "--time-scale", "20"});
    EXPECT_EQ(run.exitCode, 0);
    std::size_t rows = 0;
    for (std::size_t at = run.out.find("\nQOR123-"); at != std::string::npos;
         at = run.out.find("\nQOR123-", at + 1))
        ++rows;
    EXPECT_EQ(rows, 5u) << run.out;
}

// Output streams that cannot be written (a reader gone from a pipe, a terminal gone with
// its session) or are not there at all: the fix runs to its end and exits 0, and the trace
// holds nothing but its own lines, even where it took the place of a closed stream.
TEST(ProgramTest, OutputThatCannotBeWrittenDoesNotStopAFix) {
    struct Case {
        const char* what;
        Stream out;
        Stream err;
    };
    const Case cases[] = {
        {"standard output's reader gone", Stream::Gone, Stream::Null},
        {"standard error's reader gone", Stream::Null, Stream::Gone},
        {"both readers gone", Stream::Gone, Stream::Gone},
        {"both closed", Stream::Closed, Stream::Closed},
    };
    const std::regex line(R"(#.*|[0-9]+ (tx|rx|out|err|note) .*)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string trace = ::testing::TempDir() + "closed-output-trace.txt";
        const Finished run = runBinary(
            {"fix", "7654321", "--sim", "--time-scale", "20", "--trace", trace}, c.out, c.err);
        EXPECT_EQ(run.exitCode, 0);
        const std::string text = readFile(trace);
        EXPECT_NE(text.find(" note outcome speed-fixed, exit code 0\n"), std::string::npos) << text;
        std::istringstream lines(text);
        for (std::string each; std::getline(lines, each);)
            EXPECT_TRUE(std::regex_match(each, line)) << each;
    }
}

}  // namespace
