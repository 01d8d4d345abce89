// The password prompt on a real terminal: whatever signal ends or stops the
// command there, the terminal has its echo back. quorrel-cli runs on a
// pseudo-terminal as a shell runs a command: in a process group of its own in
// the foreground of the terminal, under a small stand-in shell that reports
// what becomes of it (a process group without such a parent would not stop).
#include "tests/core/TestFiles.h"
#include "tools/cli/Cli.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);

// Runs in the forked stand-in shell: starts the program on the terminal and
// writes a line to report for each change of its state.
[[noreturn]] void StandInShell(const char* terminal, int report, const std::vector<std::string>& args) {
    ::setsid();
    int tty = ::open(terminal, O_RDWR);  // becomes the session's terminal
    if (tty < 0) ::_exit(120);
    pid_t program = ::fork();
    if (program == 0) {
        ::setpgid(0, 0);
        ::signal(SIGTTOU, SIG_IGN);
        ::tcsetpgrp(tty, ::getpid());
        // As a shell starts a command in the foreground: whatever the test
        // itself ignores or blocks (a background job ignores SIGINT and
        // SIGQUIT), the command starts with every signal's default.
        for (int signal : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT}) {
            ::signal(signal, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::dup2(tty, 0);
        ::dup2(tty, 1);
        ::dup2(tty, 2);
        ::close(report);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::setpgid(program, program);
    ::dprintf(report, "started %d\n", static_cast<int>(program));
    for (;;) {
        int status = 0;
        if (::waitpid(program, &status, WUNTRACED | WCONTINUED) < 0) {
            if (errno == EINTR) continue;
            ::_exit(121);
        }
        if (WIFSTOPPED(status)) ::dprintf(report, "stopped by %d\n", WSTOPSIG(status));
        if (WIFCONTINUED(status)) ::dprintf(report, "continued\n");
        if (WIFSIGNALED(status)) ::dprintf(report, "ended by %d\n", WTERMSIG(status));
        if (WIFEXITED(status)) ::dprintf(report, "exited with %d\n", WEXITSTATUS(status));
        if (WIFSIGNALED(status) || WIFEXITED(status)) ::_exit(0);
    }
}

class TerminalSession {
public:
    explicit TerminalSession(const std::vector<std::string>& cliArgs) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        std::string terminal = ::ptsname(master);
        // The test's own hold on the terminal, to read its settings at any time.
        terminalSide = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return;
        std::vector<std::string> args{QUORREL_CLI_PROGRAM};
        args.insert(args.end(), cliArgs.begin(), cliArgs.end());
        shell = ::fork();
        if (shell == 0) {
            ::close(pipeEnds[0]);
            ::close(master);
            StandInShell(terminal.c_str(), pipeEnds[1], args);
        }
        ::close(pipeEnds[1]);
        reports = pipeEnds[0];
        int pid = 0;
        if (std::sscanf(NextReport().c_str(), "started %d", &pid) == 1) program = pid;
    }
    ~TerminalSession() {
        if (program > 0) ::kill(program, SIGKILL);
        if (shell > 0) ::waitpid(shell, nullptr, 0);
        for (int fd : {master, terminalSide, reports}) {
            if (fd >= 0) ::close(fd);
        }
    }
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    bool Started() const { return program > 0 && terminalSide >= 0; }

    // Reads what the program shows until text has appeared (after what
    // earlier waits consumed).
    bool WaitForScreen(const std::string& text) {
        const auto end = Clock::now() + kPatience;
        for (;;) {
            size_t found = screen.find(text);
            if (found != std::string::npos) {
                screen.erase(0, found + text.size());
                return true;
            }
            if (!ReadInto(master, screen, end)) return false;
        }
    }

    // The next line the stand-in shell reports; empty when none comes.
    std::string NextReport() {
        const auto end = Clock::now() + kPatience;
        for (;;) {
            size_t lineEnd = reported.find('\n');
            if (lineEnd != std::string::npos) {
                std::string line = reported.substr(0, lineEnd);
                reported.erase(0, lineEnd + 1);
                return line;
            }
            if (!ReadInto(reports, reported, end)) return {};
        }
    }

    bool EchoIsOn() const {
        struct termios settings;
        return ::tcgetattr(terminalSide, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    }

    void Type(const std::string& keys) const { [[maybe_unused]] ssize_t n = ::write(master, keys.data(), keys.size()); }
    void Send(int signal) const { ::kill(program, signal); }

private:
    static bool ReadInto(int fd, std::string& text, Clock::time_point end) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        struct pollfd wanted = {fd, POLLIN, 0};
        if (left <= 0 || ::poll(&wanted, 1, static_cast<int>(left)) <= 0) return false;
        char buffer[256];
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) return false;
        text.append(buffer, static_cast<size_t>(got));
        return true;
    }

    int master = -1;
    int terminalSide = -1;
    int reports = -1;
    pid_t shell = -1;
    pid_t program = -1;
    std::string screen, reported;
};

std::string Ended(int signal) { return "ended by " + std::to_string(signal); }

class PromptSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ostringstream out, err;
        CliIo io{out, err, nullptr};
        ASSERT_EQ(RunCli({"init", Db()}, io), 0) << err.str();
    }
    std::string Db() const { return folder.Utf8Path("QuorrelDPC.qrb"); }

    ScratchFolder folder;
};

// Ctrl+C, Ctrl+\ and kill at the prompt end the command by that signal, as
// they would without the prompt, and the terminal echoes again.
TEST_F(PromptSignalTest, SignalsThatEndTheCommandLeaveEchoOn) {
    struct Case {
        const char* name;
        const char* keys;  // typed at the terminal, or else
        int sent;          // sent by another process
        int ending;
    };
    const Case cases[] = {
        {"Ctrl+C", "\x03", 0, SIGINT},
        {"Ctrl+\\", "\x1c", 0, SIGQUIT},
        {"kill", nullptr, SIGTERM, SIGTERM},
        {"hang-up", nullptr, SIGHUP, SIGHUP},
    };
    for (const Case& c : cases) {
        TerminalSession session({"passwd", Db()});
        ASSERT_TRUE(session.Started()) << c.name;
        ASSERT_TRUE(session.WaitForScreen("New password: ")) << c.name;
        EXPECT_FALSE(session.EchoIsOn()) << c.name;
        session.Type("half a secr");
        c.keys ? session.Type(c.keys) : session.Send(c.sent);
        EXPECT_EQ(session.NextReport(), Ended(c.ending)) << c.name;
        EXPECT_TRUE(session.EchoIsOn()) << c.name;
    }
}

// Ctrl+Z stops the command with echo on; when it continues, it asks again
// with echo off and takes the password as usual.
TEST_F(PromptSignalTest, StoppingAtThePromptGivesEchoBackUntilItContinues) {
    TerminalSession session({"passwd", Db()});
    ASSERT_TRUE(session.Started());
    ASSERT_TRUE(session.WaitForScreen("New password: "));
    session.Type("half a secr\x1a");
    EXPECT_EQ(session.NextReport(), "stopped by " + std::to_string(SIGTSTP));
    EXPECT_TRUE(session.EchoIsOn());

    session.Send(SIGCONT);
    EXPECT_EQ(session.NextReport(), "continued");
    ASSERT_TRUE(session.WaitForScreen("New password: "));
    EXPECT_FALSE(session.EchoIsOn());
    session.Type("open sesame\n");
    ASSERT_TRUE(session.WaitForScreen("Confirm new password: "));
    EXPECT_FALSE(session.EchoIsOn());
    session.Type("open sesame\n");
    EXPECT_TRUE(session.WaitForScreen("master password added"));
    EXPECT_EQ(session.NextReport(), "exited with 0");
    EXPECT_TRUE(session.EchoIsOn());

    // Stopped from another process (SIGTSTP by kill), then ended there.
    TerminalSession again({"passwd", Db()});
    ASSERT_TRUE(again.WaitForScreen("Old password: "));
    again.Send(SIGTSTP);
    EXPECT_EQ(again.NextReport(), "stopped by " + std::to_string(SIGTSTP));
    EXPECT_TRUE(again.EchoIsOn());
    again.Send(SIGCONT);
    EXPECT_EQ(again.NextReport(), "continued");
    ASSERT_TRUE(again.WaitForScreen("Old password: "));
    EXPECT_FALSE(again.EchoIsOn());
    again.Type("\x03");
    EXPECT_EQ(again.NextReport(), Ended(SIGINT));
    EXPECT_TRUE(again.EchoIsOn());
}

}  // namespace
