#include "support/scoped_environment.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace halix::test {

namespace {

// Tests change the environment from one thread, with no other thread reading it.
int change(const std::string& name, const std::optional<std::string>& value) {
    return value ? ::setenv(name.c_str(), value->c_str(), 1) // NOLINT(concurrency-mt-unsafe)
                 : ::unsetenv(name.c_str());                 // NOLINT(concurrency-mt-unsafe)
}

} // namespace

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : mName(std::move(name)) {
    if (const char* previous = std::getenv(mName.c_str())) { // NOLINT(concurrency-mt-unsafe)
        mPrevious = previous;
    }
    if (change(mName, value) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot set " + mName);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    // The name was accepted when it was set, so putting it back cannot be refused for it.
    (void)change(mName, mPrevious);
}

} // namespace halix::test
