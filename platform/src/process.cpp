// Starting a program detached from this process.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/paths.h"

namespace platform {
namespace {

// PATH lookup is done before fork: the child may only make
// async-signal-safe calls, which execvp's search is not guaranteed to be.
std::string FindProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const std::string search = GetEnv("PATH", "/usr/local/bin:/usr/bin:/bin");
    size_t begin = 0;
    while (begin <= search.size()) {
        size_t end = search.find(':', begin);
        if (end == std::string::npos) {
            end = search.size();
        }
        const std::string folder = end > begin ? search.substr(begin, end - begin) : ".";
        const std::string candidate = JoinPath(folder, program);
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        begin = end + 1;
    }
    return program;
}

// Runs in the grandchild: only async-signal-safe calls from here on.
[[noreturn]] void ExecOrReport(const char* path, char* const* argv, int report_fd) {
    sigset_t all;
    sigemptyset(&all);
    sigprocmask(SIG_SETMASK, &all, nullptr);
    const int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd >= 0) {
        ::dup2(null_fd, STDIN_FILENO);
        if (null_fd != STDIN_FILENO) {
            ::close(null_fd);
        }
    }
    ::execv(path, argv);
    const int error = errno;
    ssize_t ignored = ::write(report_fd, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

}  // namespace

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
    if (program.empty()) {
        return false;
    }
    const std::string path = FindProgram(program);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    // The write end closes on a successful exec, so the parent reads either
    // EOF (started) or the exec error.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // The intermediate child starts a new session and exits at once, so
        // the program is reparented to init and never left a zombie here.
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ExecOrReport(path.c_str(), argv.data(), report[1]);
        }
        if (grandchild < 0) {
            const int error = errno;
            ssize_t ignored = ::write(report[1], &error, sizeof error);
            (void)ignored;
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return got == 0;
}

}  // namespace platform
