#pragma once
// Runs a piece of a test as a pupil's account would: in a child process that,
// when the test runs as root (as CI does), gives up root for the unprivileged
// user "nobody" first, so that file modes hold for it. The child's exit status
// is the function's result; 125 when the user could not be changed.

#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

inline constexpr uid_t kNobody = 65534;
inline constexpr int kCouldNotChangeUser = 125;

inline int RunAsPupil(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                ::setresuid(kNobody, kNobody, kNobody) != 0 || ::geteuid() == 0)
                ::_exit(kCouldNotChangeUser);
        }
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace testing_support
