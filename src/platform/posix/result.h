// A value or the Failure that kept it from being made, for the simulated machine and the POSIX
// layer; Result<void> is an outcome alone.
#pragma once

#include "platform/posix/failure.h"

#include <optional>
#include <utility>
#include <variant>

namespace halix {

template <typename T> class [[nodiscard]] Result {
public:
    // NOLINTNEXTLINE(google-explicit-constructor): a value is returned as its result
    Result(T value) : mOutcome(std::in_place_index<0>, std::move(value)) {}
    // NOLINTNEXTLINE(google-explicit-constructor): a failure is returned as its result
    Result(Failure failure) : mOutcome(std::in_place_index<1>, std::move(failure)) {}

    [[nodiscard]] bool has_value() const { return mOutcome.index() == 0; }
    explicit operator bool() const { return has_value(); }

    // The value; only when has_value().
    T& operator*() { return std::get<0>(mOutcome); }
    const T& operator*() const { return std::get<0>(mOutcome); }
    T* operator->() { return &std::get<0>(mOutcome); }
    const T* operator->() const { return &std::get<0>(mOutcome); }

    // The failure; only when !has_value().
    [[nodiscard]] const Failure& error() const { return std::get<1>(mOutcome); }

private:
    std::variant<T, Failure> mOutcome;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    // NOLINTNEXTLINE(google-explicit-constructor): a failure is returned as its result
    Result(Failure failure) : mFailure(std::move(failure)) {}

    [[nodiscard]] bool has_value() const { return !mFailure; }
    explicit operator bool() const { return has_value(); }

    // The failure; only when !has_value().
    [[nodiscard]] const Failure& error() const { return *mFailure; }

private:
    std::optional<Failure> mFailure;
};

} // namespace halix
