// The POSIX side of the end-to-end helpers (included by tool_runner.h):
// fork and exec with the standard handles on files (or some of them closed),
// a file-size limit for the child, another user, a small file system of its
// own; a tool started without waiting for it, and waits with a limit.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

namespace apptest {

inline constexpr bool kFileSizeLimits = true;
inline constexpr bool kFilePermissions = true;

inline bool is_superuser() { return ::geteuid() == 0; }

// Starts the tool as launched without waiting for it: its process id, or -1.
inline pid_t start_tool(const Launch& l) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(l.dir.c_str()) != 0) ::_exit(126);
    // The unprivileged user "nobody" (uid 65534).
    if (l.asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
    if (l.maxFileBytes > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      struct rlimit lim {};
      lim.rlim_cur = lim.rlim_max = static_cast<rlim_t>(l.maxFileBytes);
      ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(l.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    int err = l.errPath == l.outPath
                  ? out
                  : ::open(l.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (in < 0 || out < 0 || err < 0) ::_exit(124);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (l.closedStreams != 0) {
      // Started without them: the originals go too, so that the numbers of
      // the closed ones are the first the tool's own opens get.
      for (int fd : {in, out, err})
        if (fd > 2) ::close(fd);
      for (int fd = 0; fd <= 2; ++fd)
        if ((l.closedStreams & (1 << fd)) != 0) ::close(fd);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(l.program.c_str()));
    for (const std::string& a : l.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(SUNDER_EXE, argv.data());
    ::_exit(127);
  }
  return pid < 0 ? -1 : pid;
}

// wait_tool: the tool has not ended within the time given.
inline constexpr int kStillRunning = -2;

// Waits for a started tool to end, at most the seconds (negative: as long as
// it takes; 0: just a look). Its exit status; -1 when it did not exit
// normally (a signal), kStillRunning when it is still at work.
inline int wait_tool(pid_t pid, double seconds) {
  if (pid <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int wstatus = 0;
  for (;;) {
    const pid_t ended = ::waitpid(pid, &wstatus, seconds < 0 ? 0 : WNOHANG);
    if (ended == pid) break;
    if (ended < 0 && errno != EINTR) return -1;
    if (ended == 0) {
      if (std::chrono::steady_clock::now() >= deadline) return kStillRunning;
      ::usleep(2000);
    }
  }
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

inline int start_and_wait(const Launch& l) { return wait_tool(start_tool(l), -1); }

// A tmpfs of the size ("64k") mounted on the directory (needs root).
inline int mount_small_disk(const fs::path& dir, const char* size) {
  const std::string options = std::string("size=") + size;
  return ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0 ? 0 : errno;
}

inline int unmount_disk(const fs::path& dir) {
  return ::umount2(dir.c_str(), MNT_DETACH) == 0 ? 0 : errno;
}

}  // namespace apptest
