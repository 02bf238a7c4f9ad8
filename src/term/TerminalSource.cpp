// The answer source of a person at a terminal.
#include "term/TerminalSource.h"

#include "term/ScriptReader.h"
#include "term/line_reader.h"

#include <array>
#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace halix {

namespace {

// The terminal settings to put back when a signal ends the program while echo is off, so
// that an interrupted password prompt does not leave the person's terminal silent.
termios gSavedSettings{};
volatile std::sig_atomic_t gSavedFd = -1;

extern "C" void restoreTerminalAndRaise(int signalNumber) {
    if (gSavedFd >= 0) {
        tcsetattr(gSavedFd, TCSANOW, &gSavedSettings);
    }
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signalNumber, &defaultAction, nullptr);
    (void)raise(signalNumber);
}

// Switches the terminal's echo off for its lifetime and restores the previous settings,
// also when SIGINT, SIGTERM or SIGHUP end the program meanwhile. Neither switch discards
// input: a password typed or pasted ahead, and lines typed after it, are read as typed.
class EchoOff {
public:
    explicit EchoOff(int fd) : mFd(fd) {
        if (isatty(fd) == 0 || tcgetattr(fd, &gSavedSettings) != 0) {
            return;
        }
        struct sigaction restore {};
        restore.sa_handler = restoreTerminalAndRaise;
        sigemptyset(&restore.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals.at(i), &restore, &mPreviousActions.at(i));
        }
        gSavedFd = fd;
        termios quiet = gSavedSettings;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        mActive = tcsetattr(fd, TCSANOW, &quiet) == 0;
        if (!mActive) {
            putBack();
        }
    }
    ~EchoOff() {
        if (mActive) {
            tcsetattr(mFd, TCSANOW, &gSavedSettings);
            putBack();
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    EchoOff(EchoOff&&) = delete;
    EchoOff& operator=(EchoOff&&) = delete;

private:
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

    void putBack() {
        gSavedFd = -1;
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals.at(i), &mPreviousActions.at(i), nullptr);
        }
    }

    int mFd;
    bool mActive = false;
    std::array<struct sigaction, kSignals.size()> mPreviousActions{};
};

} // namespace

std::optional<std::string> TerminalSource::read(std::string_view prompt, LineEditor::Use use) {
    if (!mEditor) {
        mPrompts << prompt << std::flush;
        return readBoundedLine(mInput, kMaxScriptLineBytes);
    }
    // The editor keeps its prompt on one line; an alert's text before it is printed as it is.
    if (const std::size_t lastLine = prompt.rfind('\n'); lastLine != std::string_view::npos) {
        mPrompts << prompt.substr(0, lastLine + 1) << std::flush;
        prompt.remove_prefix(lastLine + 1);
    }
    return mEditor->readLine(prompt, use);
}

std::optional<std::string> TerminalSource::readLine(std::string_view prompt) {
    return read(prompt, LineEditor::Use::Answer);
}

std::optional<std::string> TerminalSource::readWindowAction(std::string_view prompt) {
    return read(prompt, LineEditor::Use::WindowAction);
}

std::optional<std::string> TerminalSource::readSecret(std::string_view prompt) {
    std::optional<std::string> secret;
    {
        // Echo goes off before the prompt shows, so nothing typed after it is echoed.
        const EchoOff echoOff(mInputFd);
        mPrompts << prompt << std::flush;
        secret = readBoundedLine(mInput, kMaxScriptLineBytes);
    }
    // The person's Return was not echoed.
    mPrompts << '\n' << std::flush;
    return secret;
}

} // namespace halix
