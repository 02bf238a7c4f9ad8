// The answer source of a person at a terminal.
#include "term/terminal_source.h"

#include "term/line_reader.h"
#include "term/script_reader.h"

#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace halix {

namespace {

// The terminal settings to put back when a signal ends or stops the program while echo is
// off, so that an interrupted password prompt does not leave the person's terminal silent, and
// those to switch to again when a stopped program continues.
termios gSavedSettings{};
termios gQuietSettings{};
volatile std::sig_atomic_t gSavedFd = -1;

// Signals whose default action neither ends nor stops the program, and those no program can
// catch.
bool leavesTheProgramRunning(int signalNumber) {
    switch (signalNumber) {
    case SIGCHLD:
    case SIGCONT:
    case SIGURG:
    case SIGWINCH:
    case SIGKILL:
    case SIGSTOP:
        return true;
    default:
        return false;
    }
}

bool stopsTheProgram(int signalNumber) {
    return signalNumber == SIGTSTP || signalNumber == SIGTTIN || signalNumber == SIGTTOU;
}

// Takes the signal's default action with the terminal as it was before echo went off. A stop
// comes back here when the program continues, and switches echo off again before the read
// that the signal interrupted goes on (the handler restarts it). SIGTTOU is blocked meanwhile,
// so that the terminal is set even when the program continues in the background.
extern "C" void restoreTerminalForDefaultAction(int signalNumber) {
    const int savedErrno = errno;
    if (gSavedFd >= 0) {
        tcsetattr(gSavedFd, TCSANOW, &gSavedSettings);
    }
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    struct sigaction ours {};
    sigaction(signalNumber, &defaultAction, &ours);
    if (!stopsTheProgram(signalNumber)) {
        // Delivered as the handler returns, which ends the program.
        (void)raise(signalNumber);
        return;
    }
    sigset_t thisSignal;
    sigemptyset(&thisSignal);
    sigaddset(&thisSignal, signalNumber);
    sigprocmask(SIG_UNBLOCK, &thisSignal, nullptr);
    (void)raise(signalNumber); // stopped here until continued
    sigaction(signalNumber, &ours, nullptr);
    if (gSavedFd >= 0) {
        tcsetattr(gSavedFd, TCSANOW, &gQuietSettings);
    }
    errno = savedErrno;
}

// A program stopped by a signal it cannot catch comes back with echo as the shell left it.
extern "C" void switchEchoOffAgain(int /*signalNumber*/) {
    const int savedErrno = errno;
    if (gSavedFd >= 0) {
        tcsetattr(gSavedFd, TCSANOW, &gQuietSettings);
    }
    errno = savedErrno;
}

// Switches the terminal's echo off for its lifetime and restores the previous settings, also
// when a signal whose default action ends or stops the program arrives meanwhile (signals the
// program ignores or handles itself are left to it). Neither switch discards input: a password
// typed or pasted ahead, and lines typed after it, are read as typed.
class EchoOff {
public:
    explicit EchoOff(int fd) : mFd(fd) {
        if (isatty(fd) == 0 || tcgetattr(fd, &gSavedSettings) != 0) {
            return;
        }
        gQuietSettings = gSavedSettings;
        gQuietSettings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        struct sigaction handler {};
        handler.sa_flags = SA_RESTART;
        sigemptyset(&handler.sa_mask);
        sigaddset(&handler.sa_mask, SIGTTOU);
        for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
            handler.sa_handler =
                signalNumber == SIGCONT ? switchEchoOffAgain : restoreTerminalForDefaultAction;
            struct sigaction previous {};
            if ((signalNumber == SIGCONT || !leavesTheProgramRunning(signalNumber)) &&
                sigaction(signalNumber, nullptr, &previous) == 0 &&
                previous.sa_handler == SIG_DFL && sigaction(signalNumber, &handler, nullptr) == 0) {
                mTaken.push_back(signalNumber);
            }
        }
        gSavedFd = fd;
        mActive = tcsetattr(fd, TCSANOW, &gQuietSettings) == 0;
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
    void putBack() {
        gSavedFd = -1;
        struct sigaction defaultAction {};
        defaultAction.sa_handler = SIG_DFL;
        sigemptyset(&defaultAction.sa_mask);
        for (const int signalNumber : mTaken) {
            sigaction(signalNumber, &defaultAction, nullptr);
        }
    }

    int mFd;
    bool mActive = false;
    std::vector<int> mTaken; // the signals taken over from their default action
};

} // namespace

std::optional<std::string> TerminalSource::read(std::string_view prompt, LineEditor::Use use,
                                                const std::string& fileDirectory) {
    if (!mEditor) {
        mPrompts << prompt << std::flush;
        return readBoundedLine(mInput, kMaxScriptLineBytes);
    }
    // The editor keeps its prompt on one line; an alert's text before it is printed as it is.
    if (const std::size_t lastLine = prompt.rfind('\n'); lastLine != std::string_view::npos) {
        mPrompts << prompt.substr(0, lastLine + 1) << std::flush;
        prompt.remove_prefix(lastLine + 1);
    }
    return mEditor->readLine(prompt, use, fileDirectory);
}

std::optional<std::string> TerminalSource::readLine(std::string_view prompt) {
    return read(prompt, LineEditor::Use::Answer);
}

std::optional<std::string> TerminalSource::readPath(std::string_view prompt,
                                                    const std::string& directory) {
    return read(prompt, LineEditor::Use::Answer, directory);
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
