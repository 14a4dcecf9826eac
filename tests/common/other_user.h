#pragma once
// A piece of a test run as another user, since the tests run as root, who may write any file: a
// thread of its own takes uid and gid 65534 ("nobody"), no supplementary groups, as its file-system
// identity by raw system calls, which change that thread alone. The kernel then checks its file
// accesses as nobody's, without root's overrides, and nobody owns the files it makes.

#include <functional>
#include <string>
#include <thread>

#ifdef __linux__
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

constexpr long kOtherUserId = 65534;

// Runs fn as that user; false, with why, where this process cannot be someone else (fn not run).
inline bool RunAsOtherUser(const std::function<void()>& fn, std::string* why)
{
    *why = "acting as another user needs root on Linux; the system refused the identity, or its "
           "faccessat() does not check the calling thread's own";
    bool switched = false;
#ifdef __linux__
    if (::geteuid() == 0)
        std::thread([&] {
            // setfsuid() reports no failure: asked with an invalid id it returns the one in force.
            switched = ::syscall(SYS_setgroups, 0, nullptr) == 0 && ::syscall(SYS_setfsgid, kOtherUserId) >= 0
                && ::syscall(SYS_setfsuid, kOtherUserId) >= 0 && ::syscall(SYS_setfsgid, -1L) == kOtherUserId
                && ::syscall(SYS_setfsuid, -1L) == kOtherUserId && ::faccessat(AT_FDCWD, "/", W_OK, AT_EACCESS) != 0;
            if (switched)
                fn();
        }).join();
#endif
    return switched;
}
