// The answer source of a person at a terminal.
#include "term/TerminalSource.h"

#include "term/ScriptReader.h"
#include "term/line_reader.h"

#include <termios.h>
#include <unistd.h>

namespace halix {

namespace {

// Switches the terminal's echo off for its lifetime and restores the previous settings.
class EchoOff {
public:
    explicit EchoOff(int fd) : mFd(fd) {
        if (isatty(fd) != 0 && tcgetattr(fd, &mSaved) == 0) {
            termios quiet = mSaved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            mActive = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (mActive) {
            tcsetattr(mFd, TCSAFLUSH, &mSaved);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    EchoOff(EchoOff&&) = delete;
    EchoOff& operator=(EchoOff&&) = delete;

private:
    int mFd;
    termios mSaved{};
    bool mActive = false;
};

} // namespace

std::optional<std::string> TerminalSource::readLine(std::string_view prompt) {
    mPrompts << prompt << std::flush;
    return readBoundedLine(mInput, kMaxScriptLineBytes);
}

std::optional<std::string> TerminalSource::readSecret(std::string_view prompt) {
    mPrompts << prompt << std::flush;
    std::optional<std::string> secret;
    {
        const EchoOff echoOff(mInputFd);
        secret = readBoundedLine(mInput, kMaxScriptLineBytes);
    }
    // The person's Return was not echoed.
    mPrompts << '\n' << std::flush;
    return secret;
}

} // namespace halix
