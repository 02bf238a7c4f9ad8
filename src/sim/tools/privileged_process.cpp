#include "sim/tools/privileged_process.h"

#include "platform/posix/unique_fd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
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

// A descriptor kept clear of standard input, output and error, which the child sets up
// (a caller started without them may hold its pipes there). Async-signal-safe.
int clearOfStandardStreams(int fd) {
    return fd > STDERR_FILENO ? fd : ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
}

// The child between fork and exec: only async-signal-safe calls. Reports why the exec failed
// on `report` (close-on-exec, so the parent reads nothing once the program runs).
[[noreturn]] void runChild(const ChildCommand& command, int output, int report, char** argv,
                           char** environment) {
    // Our handlers must not run in the child before the exec replaces them, and a caller that
    // ignores SIGPIPE must not hand that on: the child has to die when its reader goes away.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 &&
            (current.sa_handler != SIG_IGN || signal == SIGPIPE)) {
            ::sigaction(signal, &defaults, nullptr);
        }
    }
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    ::sigprocmask(SIG_SETMASK, &noneBlocked, nullptr);

    report = clearOfStandardStreams(report);
    output = clearOfStandardStreams(output);
    const int executable = clearOfStandardStreams(command.executable);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const bool ready =
        report >= 0 && output >= 0 && executable >= 0 && input >= 0 &&
        ::dup2(input, STDIN_FILENO) >= 0 && ::dup2(output, STDOUT_FILENO) >= 0 &&
        ::dup2(output, STDERR_FILENO) >= 0 &&
        // dup2 onto the same number keeps close-on-exec; these three must reach the program.
        ::fcntl(STDIN_FILENO, F_SETFD, 0) == 0 && ::fcntl(STDOUT_FILENO, F_SETFD, 0) == 0 &&
        ::fcntl(STDERR_FILENO, F_SETFD, 0) == 0 &&
        // Every other descriptor closes at the exec, the program's and the report's too.
        ::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC) == 0;
    if (ready) {
        ::fexecve(executable, argv, environment);
    }
    const int failure = errno;
    if (report >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(report, &failure, sizeof failure);
    }
    ::_exit(127);
}

// Forks with every signal blocked, so that none reaches the child before it has put our
// handlers aside. The child's pid, or -1 (errno set).
pid_t forkChild(const ChildCommand& command, int output, int report, char** argv,
                char** environment) {
    sigset_t all;
    sigfillset(&all);
    sigset_t previous;
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t pid = ::fork();
    if (pid == 0) {
        runChild(command, output, report, argv, environment);
    }
    const int failure = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = failure;
    return pid;
}

bool makePipe(UniqueFd& readEnd, UniqueFd& writeEnd) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        return false;
    }
    readEnd.reset(ends[0]);
    writeEnd.reset(ends[1]);
    return true;
}

// The errno the child reported for a failed start, or 0 when the program runs.
int startFailure(int report) {
    int failure = 0;
    ssize_t got = 0;
    while ((got = ::read(report, &failure, sizeof failure)) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof failure) ? failure : 0;
}

} // namespace

Result<FilePtr> startChildWithOutputStream(const ChildCommand& command) {
    UniqueFd readEnd;
    UniqueFd writeEnd;
    UniqueFd reportRead;
    UniqueFd reportWrite;
    if (!makePipe(readEnd, writeEnd) || !makePipe(reportRead, reportWrite)) {
        return Failure("cannot create a pipe", errno);
    }

    std::vector<std::string> argv{command.name};
    argv.insert(argv.end(), command.arguments.begin(), command.arguments.end());
    std::vector<std::string> environment = childEnvironment(command.setEnvironment);
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<char*> environmentPointers = pointers(environment);

    const pid_t pid = forkChild(command, writeEnd.get(), reportWrite.get(), argvPointers.data(),
                                environmentPointers.data());
    if (pid < 0) {
        return Failure(command.name + ": cannot start", errno);
    }
    writeEnd.reset();
    reportWrite.reset();
    if (const int failure = startFailure(reportRead.get()); failure != 0) {
        reap(pid, command.closeGrace);
        return Failure(command.name, failure);
    }

    auto* child = new ChildStream{readEnd.get(), pid, command.closeGrace};
    const cookie_io_functions_t functions{readChild, nullptr, nullptr, closeChild};
    std::FILE* stream = ::fopencookie(child, "r", functions);
    if (stream == nullptr) {
        const int reason = errno;
        readEnd.reset();
        reap(pid, command.closeGrace);
        delete child;
        return Failure("cannot open a stream on the child's output", reason);
    }
    readEnd.release(); // now closed by the stream
    return FilePtr(stream);
}

} // namespace halix::sim
