// The password prompt on a POSIX terminal. Echo is off only while the
// password is typed: whatever ends the prompt, a line, the end of input or a
// signal (Ctrl+C, Ctrl+Z, kill), the terminal gets its echo back first.
#include "platform/Platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace platform {

namespace {

// What a person or another process uses to end or stop a command at a terminal.
constexpr int kHandled[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGTSTP};

volatile sig_atomic_t caughtSignal = 0;

void RememberSignal(int signal) { caughtSignal = signal; }

bool Ignored(const struct sigaction& action) { return !(action.sa_flags & SA_SIGINFO) && action.sa_handler == SIG_IGN; }

// For as long as it lives, the signals above are caught instead of taking
// their effect, and held back except while the prompt waits for a key, so
// that one never arrives between a check and the wait. Signals the process
// ignores stay ignored.
class HeldSignals {
public:
    HeldSignals() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : kHandled) sigaddset(&held, signal);
        sigprocmask(SIG_BLOCK, &held, &waitMask);
        struct sigaction remember = {};
        remember.sa_handler = RememberSignal;
        remember.sa_mask = held;
        remember.sa_flags = 0;  // no SA_RESTART: the wait ends with EINTR
        for (size_t i = 0; i < std::size(kHandled); ++i) {
            sigaction(kHandled[i], nullptr, &previous[i]);
            if (Ignored(previous[i])) continue;
            sigaction(kHandled[i], &remember, nullptr);
            replaced[i] = true;
        }
        caughtSignal = 0;
    }
    ~HeldSignals() {
        for (size_t i = 0; i < std::size(kHandled); ++i) {
            if (replaced[i]) sigaction(kHandled[i], &previous[i], nullptr);
        }
        sigprocmask(SIG_SETMASK, &waitMask, nullptr);
    }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

    // The mask the process had before: the one to wait with.
    sigset_t waitMask;

private:
    struct sigaction previous[std::size(kHandled)];
    bool replaced[std::size(kHandled)] = {};
};

enum class Outcome {
    kLine,
    kNothing,  // end of input before any character, or the terminal failed
    kSignal,
};

// Waits for the terminal to have input; false when a signal came first.
bool WaitForKey(int tty, const sigset_t& waitMask) {
    for (;;) {
        if (caughtSignal) return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(tty, &readable);
        if (::pselect(tty + 1, &readable, nullptr, nullptr, nullptr, &waitMask) > 0) return true;
        if (errno != EINTR) return true;  // the read that follows reports the failure
    }
}

// One prompt with echo off, up to the end of the line.
Outcome ReadQuietly(int tty, const std::string& prompt, std::string& secret, const sigset_t& waitMask) {
    struct termios saved;
    if (::tcgetattr(tty, &saved) != 0) return Outcome::kNothing;
    struct termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    quiet.c_lflag |= ICANON;
    if (::tcsetattr(tty, TCSAFLUSH, &quiet) != 0) return Outcome::kNothing;
    [[maybe_unused]] ssize_t ignored = ::write(tty, prompt.data(), prompt.size());
    Outcome outcome = Outcome::kLine;
    char ch = 0;
    for (;;) {
        if (!WaitForKey(tty, waitMask)) {
            outcome = Outcome::kSignal;
            break;
        }
        ssize_t r = ::read(tty, &ch, 1);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            if (secret.empty()) outcome = Outcome::kNothing;
            break;
        }
        if (ch == '\n' || ch == '\r') break;
        // Far beyond any password the program accepts; the rest is dropped.
        if (secret.size() < 1024) secret.push_back(ch);
    }
    ch = 0;
    // TCSAFLUSH also drops what was typed after a signal, so that no part of
    // a password reaches the shell.
    ::tcsetattr(tty, TCSAFLUSH, &saved);
    ignored = ::write(tty, "\n", 1);
    return outcome;
}

}  // namespace

bool ReadSecretFromConsole(const std::string& prompt, std::string& secret) {
    secret.clear();
    // The terminal itself, not standard input: a password is never taken
    // from a pipe by accident.
    int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return false;
    if (tty >= FD_SETSIZE) {
        ::close(tty);
        return false;
    }
    Outcome outcome;
    for (;;) {
        int signal = 0;
        {
            HeldSignals held;
            outcome = ReadQuietly(tty, prompt, secret, held.waitMask);
            signal = caughtSignal;
        }
        if (outcome != Outcome::kSignal) break;
        Wipe(secret.data(), secret.size());
        secret.clear();
        // The signal takes the effect it would have had without the prompt,
        // now that the terminal is as it was: ending the process, or stopping
        // it here, after which the prompt asks again with echo off.
        ::raise(signal);
        if (signal != SIGTSTP) break;
    }
    ::close(tty);
    if (outcome != Outcome::kLine) {
        Wipe(secret.data(), secret.size());
        secret.clear();
    }
    return outcome == Outcome::kLine;
}

}  // namespace platform
