// What went wrong in the simulated machine or the POSIX layer, as a value: the step that failed,
// the steps it was part of, and why (a system call's errno, or a reason of its own).
#pragma once

#include <string>
#include <string_view>

namespace halix {

class Failure {
public:
    // `step` failed in a system call that set `errorNumber`.
    Failure(std::string step, int errorNumber) : mStep(std::move(step)), mErrno(errorNumber) {}
    // `step` failed for `reason`, which is no system call's (a parse error, a wrong size).
    Failure(std::string step, std::string reason)
        : mStep(std::move(step)), mReason(std::move(reason)) {}

    // The same failure as part of `outer`: the message then starts with "outer: ".
    [[nodiscard]] Failure prefixed(std::string_view outer) const&;
    [[nodiscard]] Failure prefixed(std::string_view outer) &&;
    // The same failure with `advice` (a sentence: what a person can do) after its reason.
    [[nodiscard]] Failure advising(std::string_view advice) &&;

    // The failed system call's errno; 0 when the failure is not a system call's.
    [[nodiscard]] int errorNumber() const { return mErrno; }
    // The steps, outermost first, joined by ": ".
    [[nodiscard]] const std::string& step() const { return mStep; }
    // "step: step: reason. advice": the reason is strerror(errno) or the failure's own text.
    [[nodiscard]] std::string message() const;

private:
    std::string mStep;
    int mErrno = 0;
    std::string mReason;
    std::string mAdvice;
};

} // namespace halix
