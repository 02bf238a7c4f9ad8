#include "sim/privileged_process.h"

#include "platform/posix/unique_fd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ; // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace halix::sim {

namespace {

struct ChildStream {
    int fd;
    pid_t pid;
    std::chrono::milliseconds closeGrace;
};

ssize_t readChild(void* cookie, char* buffer, std::size_t size) {
    const auto* child = static_cast<ChildStream*>(cookie);
    while (true) {
        const ssize_t got = ::read(child->fd, buffer, size);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

void reap(pid_t pid, std::chrono::milliseconds grace) {
    // With the read end closed, a writing child dies of SIGPIPE at once; one that neither
    // writes nor ends gets the grace period, then is killed.
    const auto deadline = std::chrono::steady_clock::now() + grace;
    auto pause = std::chrono::microseconds(50);
    while (true) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

int closeChild(void* cookie) {
    const std::unique_ptr<ChildStream> child(static_cast<ChildStream*>(cookie));
    ::close(child->fd);
    reap(child->pid, child->closeGrace);
    return 0;
}

std::vector<std::string> childEnvironment(const std::vector<std::string>& overrides) {
    std::vector<std::string> result;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const bool overridden = std::ranges::any_of(overrides, [&](const std::string& item) {
            const std::size_t equals = item.find('=');
            return text.substr(0, text.find('=')) == std::string_view(item).substr(0, equals);
        });
        if (!overridden) {
            result.emplace_back(text);
        }
    }
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (std::string& text : strings) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

// Owns the spawn attribute objects for one start.
class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    SpawnSetup(SpawnSetup&&) = delete;
    SpawnSetup& operator=(SpawnSetup&&) = delete;

    bool prepare(int outputFd) {
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigset_t noneBlocked;
        sigemptyset(&noneBlocked);
        return ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY,
                                                  0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO) == 0 &&
               ::posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO) == 0 &&
               ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) == 0 &&
               // A caller that ignores SIGPIPE must not hand that on: the child has to die
               // when its reader goes away.
               ::posix_spawnattr_setsigdefault(&attributes, &defaults) == 0 &&
               ::posix_spawnattr_setsigmask(&attributes, &noneBlocked) == 0 &&
               ::posix_spawnattr_setflags(&attributes,
                                          POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0;
    }

    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
};

} // namespace

FilePtr startChildWithOutputStream(const ChildCommand& command, std::string& error) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        error = std::string("cannot create a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    UniqueFd readEnd(ends[0]);
    const UniqueFd writeEnd(ends[1]);

    SpawnSetup setup;
    if (!setup.prepare(writeEnd.get())) {
        error = "cannot prepare the child process";
        return nullptr;
    }
    std::vector<std::string> argv{command.executable};
    argv.insert(argv.end(), command.arguments.begin(), command.arguments.end());
    std::vector<std::string> environment = childEnvironment(command.setEnvironment);
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<char*> environmentPointers = pointers(environment);

    pid_t pid = 0;
    const int failure =
        ::posix_spawn(&pid, command.executable.c_str(), &setup.actions, &setup.attributes,
                      argvPointers.data(), environmentPointers.data());
    if (failure != 0) {
        error = command.executable + ": " + std::strerror(failure);
        return nullptr;
    }

    auto* child = new ChildStream{readEnd.get(), pid, command.closeGrace};
    const cookie_io_functions_t functions{readChild, nullptr, nullptr, closeChild};
    std::FILE* stream = ::fopencookie(child, "r", functions);
    if (stream == nullptr) {
        error = "cannot open a stream on the child's output";
        readEnd.reset();
        reap(pid, command.closeGrace);
        delete child;
        return nullptr;
    }
    readEnd.release(); // now closed by the stream
    return FilePtr(stream);
}

} // namespace halix::sim
