// Sets or clears one environment variable for a scope, for tests of code that reads the
// environment.
#pragma once

#include <optional>
#include <string>

namespace halix::test {

class ScopedEnvironment {
public:
    // Sets `name` to `value`, or removes it when `value` is nullopt. Throws
    // std::system_error when the environment refuses the change (a name holding '=').
    ScopedEnvironment(std::string name, const std::optional<std::string>& value);
    // Puts back the value the variable had before, or its absence.
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ScopedEnvironment(ScopedEnvironment&&) = delete;
    ScopedEnvironment& operator=(ScopedEnvironment&&) = delete;

private:
    std::string mName;
    std::optional<std::string> mPrevious;
};

} // namespace halix::test
