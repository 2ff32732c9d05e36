#include "RunAsNobody.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::optional<int32_t> runChild(const std::function<int32_t()>& body, bool asNobody) {
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(channel[0]);
        if (asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 ||
                         ::setuid(65534) != 0 || ::geteuid() != 65534))
            ::_exit(3);
        const int32_t result = body();
        const bool sent = ::write(channel[1], &result, sizeof result) == sizeof result;
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    int32_t result = 0;
    ssize_t n;
    do {
        n = ::read(channel[0], &result, sizeof result);
    } while (n < 0 && errno == EINTR);
    ::close(channel[0]);
    int exitState = 0;
    ::waitpid(pid, &exitState, 0);
    if (WIFEXITED(exitState) && WEXITSTATUS(exitState) == 0 && n == sizeof result) return result;
    return std::nullopt;
}

}  // namespace

std::optional<int32_t> runAsNobody(const std::function<int32_t()>& body) {
    return runChild(body, true);
}

std::optional<int32_t> runInChild(const std::function<int32_t()>& body) {
    return runChild(body, false);
}
