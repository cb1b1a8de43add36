// tarvik-printer as a shell user runs it: options, the device on stdout, the control FIFO, the
// real fiscal model behind it, and a clean end on SIGTERM.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/protocol_engine.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string Frame(const std::string& payload) {
    return "\x1bP" + payload + tarvik::emu::Checksum(payload) + "\x1b\\";
}

// Reads from fd until `done` holds for what was read or the time is up.
template <typename Done>
std::string ReadUntil(int fd, std::string& buffer, Done done, std::chrono::milliseconds timeout = 3000ms) {
    const auto end = Clock::now() + timeout;
    while (!done(buffer)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char chunk[512];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return buffer;
}

struct Program {
    explicit Program(const std::vector<std::string>& args) {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> argv{const_cast<char*>(TARVIK_PRINTER_PROGRAM)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid, TARVIK_PRINTER_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        stdout_fd = out[0];
        stderr_fd = err[0];
    }
    ~Program() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(stdout_fd);
        close(stderr_fd);
    }
    // The exit status, or -1 when it did not end in time.
    int Wait(std::chrono::milliseconds timeout = 3000ms) {
        const auto end = Clock::now() + timeout;
        int status = 0;
        while (Clock::now() < end) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(5000);
        }
        return -1;
    }
    std::string Line(std::string& buffer, int fd) {
        ReadUntil(fd, buffer, [](const std::string& b) { return b.find('\n') != std::string::npos; });
        const std::size_t end = buffer.find('\n');
        if (end == std::string::npos) return {};
        std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        return line;
    }

    pid_t pid = -1;
    int stdout_fd = -1, stderr_fd = -1;
    std::string out, err;
};

std::string Exchange(int fd, const std::string& bytes, std::size_t n) {
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return {};
    std::string got;
    return ReadUntil(fd, got, [n](const std::string& b) { return b.size() >= n; });
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarvik-printer-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }
    std::string dir;
};

TEST_F(ProgramTest, HelpListsOptionsAndFaultCommands) {
    Program program({"--help"});
    ASSERT_GT(program.pid, 0);
    EXPECT_EQ(program.Wait(), 0);
    const std::string help = ReadUntil(program.stdout_fd, program.out, [](const std::string&) { return false; }, 500ms);
    for (const char* word : {"--link", "--baud", "--journal", "--log", "--control", "--fault", "silent", "hangup on|off"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST_F(ProgramTest, RefusesABadFault) {
    Program program({"--fault", "silent sometimes"});
    EXPECT_EQ(program.Wait(), 2);
    EXPECT_NE(ReadUntil(program.stderr_fd, program.err, [](const std::string&) { return false; }, 500ms)
                  .find("silent sometimes"),
              std::string::npos);
}

TEST_F(ProgramTest, ServesTheLineTakesControlAndEndsCleanly) {
    const std::string link = dir + "/printer", control = dir + "/control", journal = dir + "/journal.txt";
    Program program({"--link", link, "--control", control, "--journal", journal, "--log", dir + "/wire.log",
                     "--fault", "paper-out on"});
    ASSERT_GT(program.pid, 0);
    const std::string device = program.Line(program.out, program.stdout_fd);
    ASSERT_EQ(device.rfind("/dev/", 0), 0u) << device;
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(target, device);

    const int port = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(port, 0);
    EXPECT_EQ(Exchange(port, "\x10", 1), "\x76");  // paper out, from --fault
    {
        std::ofstream(control) << "paper-out off\nbusy on\n";
    }
    std::string replies;
    ReadUntil(program.stderr_fd, replies, [](const std::string& b) { return b.find("busy on") != std::string::npos; });
    EXPECT_NE(replies.find("busy on"), std::string::npos) << replies;
    EXPECT_EQ(Exchange(port, "\x10", 1), "\x70");

    // The real model behind it: a receipt opened shows in ENQ bit 1, cancelling prints. Bit 3
    // (fiscal mode) is the model's business.
    const auto enq = [port](const std::string& before) {
        const std::string answer = Exchange(port, before + "\x05", 1);
        return answer.size() == 1 ? static_cast<unsigned char>(answer[0]) & ~0x08 : -1;
    };
    EXPECT_EQ(enq(Frame("1#e") + Frame("0$h")), 0x66);
    EXPECT_EQ(enq("\x18" + Frame("0$e")), 0x64);
    std::string paper;
    ReadUntil(program.stdout_fd, paper, [](const std::string& b) { return !b.empty(); });
    EXPECT_FALSE(paper.empty());
    close(port);

    kill(program.pid, SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "link left behind";
    EXPECT_NE(lstat(control.c_str(), &st), 0) << "FIFO left behind";
    std::ifstream in(journal);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().rfind("==== ", 0), 0u) << text.str();
}

}  // namespace
