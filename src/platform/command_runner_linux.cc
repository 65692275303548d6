#include "platform/command_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/status.h"

namespace almanix::platform {

CommandOutcome ProcessRunner::Run(const std::vector<std::string>& argv) {
  CommandOutcome outcome;
  if (argv.empty()) return outcome;
  int output_pipe[2];
  // Tells the parent why exec failed; closed by a successful exec.
  int exec_pipe[2];
  if (pipe2(output_pipe, O_CLOEXEC) != 0) return outcome;
  if (pipe2(exec_pipe, O_CLOEXEC) != 0) {
    close(output_pipe[0]);
    close(output_pipe[1]);
    return outcome;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    dup2(output_pipe[1], STDOUT_FILENO);
    dup2(output_pipe[1], STDERR_FILENO);
    const int null_in = open("/dev/null", O_RDONLY);
    if (null_in >= 0) dup2(null_in, STDIN_FILENO);
    execvp(args[0], args.data());
    const int error = errno;
    IgnoreResult(write(exec_pipe[1], &error, sizeof error) == sizeof error,
                 "the child ends either way; without the number the parent reports exit 127");
    _exit(127);
  }
  close(output_pipe[1]);
  close(exec_pipe[1]);
  if (pid < 0) {
    close(output_pipe[0]);
    close(exec_pipe[0]);
    return outcome;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(output_pipe[0], buffer, sizeof buffer);
    if (n > 0) {
      outcome.output.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  close(output_pipe[0]);
  int exec_error = 0;
  const bool exec_failed = read(exec_pipe[0], &exec_error, sizeof exec_error) > 0;
  close(exec_pipe[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.started = !exec_failed;
  if (outcome.started && WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
  return outcome;
}

}  // namespace almanix::platform
