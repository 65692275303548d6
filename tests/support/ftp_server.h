#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace almanix::testing {

// Starts tests/publish/ftp_server.py (Debian's python3 with pyftpdlib) on a
// free port and stops it again.
class FtpServer {
 public:
  FtpServer(const std::string& home, const std::string& log,
            std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"/usr/bin/python3",
                                     std::string(ALMANIX_SOURCE_DIR) +
                                         "/tests/publish/ftp_server.py",
                                     "--home", home, "--user", "test", "--password",
                                     "secret"};
    args.insert(args.end(), extra.begin(), extra.end());
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (err >= 0) dup2(err, 2);
      close(out[0]);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string text;
    pollfd pfd{out[0], POLLIN, 0};
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
      if (poll(&pfd, 1, 200) <= 0) continue;
      char buf[64];
      ssize_t n = read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    if (text.rfind("PORT ", 0) == 0) port_ = std::atoi(text.c_str() + 5);
  }
  ~FtpServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
  }
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  int port() const { return port_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

inline bool HasPyftpdlib() {
  return std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0;
}

}  // namespace almanix::testing
