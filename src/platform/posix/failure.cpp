#include "platform/posix/failure.h"

#include <cstring>

namespace halix {

namespace {
std::string joined(std::string_view outer, const std::string& inner) {
    if (inner.empty()) {
        return std::string(outer);
    }
    return outer.empty() ? inner : std::string(outer) + ": " + inner;
}
} // namespace

Failure Failure::prefixed(std::string_view outer) const& {
    return Failure(*this).prefixed(outer);
}

Failure Failure::prefixed(std::string_view outer) && {
    mStep = joined(outer, mStep);
    return std::move(*this);
}

Failure Failure::advising(std::string_view advice) && {
    mAdvice = advice;
    return std::move(*this);
}

std::string Failure::message() const {
    std::string text = joined(mStep, mErrno != 0 ? std::strerror(mErrno) : mReason);
    if (!mAdvice.empty()) {
        text += ". ";
        text += mAdvice;
    }
    return text;
}

} // namespace halix
