#include "platform/opener.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace almanix::platform {

Status XdgOpener::Open(std::string_view target) {
  if (target.empty()) return Status::Invalid("Nothing to open");
  std::string arg(target);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The launcher may fall back to a text browser; keep it off our terminal.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {program_.data(), arg.data(), nullptr};
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, program_.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    return Status::IoError("Could not start " + program_ + ": " +
                           std::strerror(rc));
  }
  using namespace std::chrono_literals;
  auto deadline = std::chrono::steady_clock::now() + 3s;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Status::Ok();
      int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      if (code == 127) {
        return Status::IoError("Could not start " + program_);
      }
      return Status::IoError("Could not open " + arg + " (" + program_ +
                             " exit code " + std::to_string(code) + ")");
    }
    if (done < 0 && errno != EINTR) break;
    std::this_thread::sleep_for(20ms);
  }
  return Status::Ok();
}

}  // namespace almanix::platform
