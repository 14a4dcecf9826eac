#pragma once
// A piece of a test run as a user other than the one running the tests. The tests run as root,
// here and in CI, and root writes any file whatever its permissions: a case about a user who may
// not write a file must run as someone else.
//
// Linux keeps a thread's credentials apart from the other threads' at the level of the system
// calls: a thread of its own takes the file-system identity of "nobody" (uid and gid 65534, no
// supplementary groups) through the raw system calls, which change that thread alone (glibc's
// setgroups() and setgid() would change every thread). From then on the kernel checks every file
// access of that thread as nobody's, makes the files it creates nobody's, and root's capabilities
// to override file permissions no longer apply to it; the rest of the process stays root.

#include <functional>
#include <string>
#include <thread>

#ifdef __linux__
#include <cerrno>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

constexpr unsigned kOtherUserId = 65534;

// Runs fn as that other user and returns true, or returns false with the reason in *why when this
// system or this process cannot be someone else: fn has not run then.
inline bool RunAsOtherUser(const std::function<void()>& fn, std::string* why)
{
#ifndef __linux__
    (void)fn;
    *why = "acting as another user needs Linux (per-thread file-system identity)";
    return false;
#else
    if (::geteuid() != 0) {
        *why = "acting as another user needs root; a user cannot make a file that another user owns";
        return false;
    }
    // A file only root may read: the other user must be refused it, by open() as by faccessat().
    char probe[] = "/tmp/morvek-other-user.XXXXXX";
    const int fd = ::mkstemp(probe);
    if (fd < 0) {
        *why = "no probe file in /tmp";
        return false;
    }
    ::close(fd);
    *why = "the system did not let this process act as uid 65534 (setgroups/setfsuid refused, or "
           "faccessat() does not check the thread's own identity)";
    bool switched = false;
    std::thread([&] {
        if (::syscall(SYS_setgroups, 0, nullptr) != 0)
            return;
        ::syscall(SYS_setfsgid, kOtherUserId);
        ::syscall(SYS_setfsuid, kOtherUserId);
        // setfsuid() reports no failure: asked with an invalid id it returns the one in force.
        if (::syscall(SYS_setfsuid, -1L) != static_cast<long>(kOtherUserId)
            || ::syscall(SYS_setfsgid, -1L) != static_cast<long>(kOtherUserId))
            return;
        if (::open(probe, O_RDONLY | O_CLOEXEC) >= 0 || errno != EACCES
            || ::faccessat(AT_FDCWD, probe, R_OK, AT_EACCESS) == 0)
            return;
        switched = true;
        fn();
    }).join();
    ::unlink(probe);
    if (switched)
        why->clear();
    return switched;
#endif
}
