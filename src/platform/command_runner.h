#pragma once

#include <string>
#include <vector>

// Runs another program and collects what it said: the wallpaper commands of
// the desktops go through this seam, so tests can stand in for the system.
namespace almanix::platform {

struct CommandOutcome {
  bool started = false;  // false: the program was not found or not runnable
  int exit_code = -1;    // -1 when it did not end normally
  std::string output;    // standard output and error together

  bool ok() const { return started && exit_code == 0; }
};

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  // argv[0] is looked up in PATH; the environment is passed on unchanged.
  virtual CommandOutcome Run(const std::vector<std::string>& argv) = 0;
};

// Runs the program as a child process and waits for it to end.
class ProcessRunner : public CommandRunner {
 public:
  CommandOutcome Run(const std::vector<std::string>& argv) override;
};

}  // namespace almanix::platform
