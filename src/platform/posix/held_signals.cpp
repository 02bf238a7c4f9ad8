#include "platform/posix/held_signals.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace halix {

namespace {

// What the handler may touch: it runs on whichever thread the signal reaches.
volatile std::sig_atomic_t gKept = 0;
volatile std::sig_atomic_t gTold = 0;
// The line for the person, made before the handler can run; longer text is cut.
std::array<char, 512> gNotice{};
std::size_t gNoticeLength = 0;

extern "C" void keepSignal(int signalNumber) {
    const int savedErrno = errno;
    if (gKept == 0) {
        gKept = signalNumber;
    }
    if (gTold == 0) {
        gTold = 1;
        (void)!::write(STDERR_FILENO, gNotice.data(), gNoticeLength);
    }
    errno = savedErrno;
}

void prepareNotice(const std::string& program, const char* operation) {
    const std::string notice =
        program + ": " + operation + " goes on until it has finished; the program ends after it.\n";
    gNoticeLength = std::min(notice.size(), gNotice.size());
    std::copy_n(notice.begin(), gNoticeLength, gNotice.begin());
    if (gNoticeLength == gNotice.size()) {
        gNotice.back() = '\n';
    }
}

} // namespace

void HeldSignals::hold(const char* operation) {
    if (mHolding) {
        return;
    }
    prepareNotice(mProgram, operation);
    gKept = 0;
    gTold = 0;
    struct sigaction keeper {};
    keeper.sa_handler = keepSignal;
    // Calls under way (a read of the person's answer, a write to the card) go on.
    keeper.sa_flags = SA_RESTART;
    sigemptyset(&keeper.sa_mask);
    for (const int signalNumber : kHeld) {
        sigaddset(&keeper.sa_mask, signalNumber);
    }
    for (std::size_t i = 0; i < kHeld.size(); ++i) {
        mTaken.at(i) = sigaction(kHeld.at(i), nullptr, &mPrevious.at(i)) == 0 &&
                       mPrevious.at(i).sa_handler != SIG_IGN &&
                       sigaction(kHeld.at(i), &keeper, nullptr) == 0;
    }
    mHolding = true;
}

void HeldSignals::release() {
    if (!mHolding) {
        return;
    }
    mHolding = false;
    for (std::size_t i = 0; i < kHeld.size(); ++i) {
        if (mTaken.at(i)) {
            sigaction(kHeld.at(i), &mPrevious.at(i), nullptr);
            mTaken.at(i) = false;
        }
    }
    if (const int kept = gKept; kept != 0) {
        gKept = 0;
        (void)raise(kept);
    }
}

} // namespace halix
