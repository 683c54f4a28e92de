#pragma once
// A stretch of a test run with an ordinary user's rights, so that a file the test made read-only
// or unreadable is so for the code under test too, whoever runs the tests. Run by the superuser, the
// whole process takes the user and group nobody (65534) as its real and effective ids while the
// object lives and is root again after it; the saved ids stay 0, which is what allows the way back.
// Run by anyone else, nothing changes. The files used must lie in folders that nobody may enter.
#include <cerrno>
#include <cstring>
#include <string>

#include <unistd.h>

class TUnprivilegedScope {
public:
    TUnprivilegedScope()
    {
        if (::geteuid() != 0)
            return;
        if (::setresgid(kNobody, kNobody, 0) != 0) {
            FError = std::string("cannot take the group nobody: ") + std::strerror(errno);
            return;
        }
        if (::setresuid(kNobody, kNobody, 0) != 0) {
            FError = std::string("cannot take the user nobody: ") + std::strerror(errno);
            ::setresgid(0, 0, 0);
            return;
        }
        FDropped = true;
    }
    ~TUnprivilegedScope()
    {
        if (FDropped) {
            // Root first: taking back the group needs root's rights.
            (void)::setresuid(0, 0, 0);
            (void)::setresgid(0, 0, 0);
        }
    }
    TUnprivilegedScope(const TUnprivilegedScope &) = delete;
    TUnprivilegedScope &operator=(const TUnprivilegedScope &) = delete;

    // Empty when the process now has an ordinary user's rights; else why it still has root's.
    const std::string &Error() const { return FError; }

private:
    static constexpr uid_t kNobody = 65534;
    bool FDropped = false;
    std::string FError;
};
