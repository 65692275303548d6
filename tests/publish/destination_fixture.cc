#include "publish/destination_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdlib>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "platform/opener.h"

extern char** environ;

namespace almanix::publish::testing {

void DestinationFixture::SetUp() {
  opened_record_ = root_ / "opened.txt";
  const std::string script = root_ / "open.sh";
  almanix::testing::WriteAll(script,
                             "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened_record_ + "'\n");
  ::chmod(script.c_str(), 0755);

  session_ = std::make_unique<almanix::testing::TestProgram>();
  session_->app.opener = std::make_unique<platform::XdgOpener>(script);
  ASSERT_TRUE(session_->StartIn(root_.path()).ok());
  ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(2025, 1, 1)).ok());
  editor_ = std::make_unique<PublishEditor>(dir(), "US", session_->app.log.get(), &ui_);
  editor_->set_current_year(2025);
  ASSERT_TRUE(editor_->SetUp(session_->data.db(), 2025, "Club.html", 1).ok());
  ASSERT_TRUE(editor_->Save().ok());
  ASSERT_TRUE(editor_->Load(editor_->FavoriteFolder()).ok());
  settings().SetInt("Publish.StartYear", 2025);
  settings().SetInt("Publish.EndYear", 2025);
  generator::GeneratorEnv env;
  env.db = &session_->data.db();
  env.brand_short_url = "www.example.org/almanix";
  env.program_version = "1.0";
  env.now = std::time(nullptr);
  generator_ = std::make_unique<generator::Generator>(*editor_, env);
}

void DestinationFixture::Generate() {
  const RunResult run = generator_->GenerateCalendar(Build(), generator_->MainPagePath(), "");
  ASSERT_TRUE(run.ok()) << run.Summary();
}

void DestinationFixture::Tick(std::vector<int> categories) {
  TickList& list = window().chkCalendars;
  list.UntickAll();
  for (int c : categories) ASSERT_TRUE(list.Tick(c - 1));
}

std::string DestinationFixture::Build() const {
  return WithTrailingSlash(session_->app.dir->BuildDir);
}

std::vector<std::string> DestinationFixture::Opened() const {
  if (!FileExists(opened_record_)) return {};
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(almanix::testing::ReadAll(opened_record_))) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

LocalHttpServer::LocalHttpServer(const std::string& folder) {
  int out[2];
  if (::pipe(out) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  // Debian's interpreter: the one on PATH may be another build.
  std::string program = "/usr/bin/python3";
  std::string args[] = {"-u",     "-m",        "http.server", "0",
                        "--bind", "127.0.0.1", "--directory", folder};
  char* argv[] = {program.data(), args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                  args[4].data(), args[5].data(), args[6].data(), args[7].data(), nullptr};
  const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (rc != 0) {
    pid_ = -1;
    ::close(out[0]);
    return;
  }
  // Port 0 lets the system pick; the server names the port in its first line.
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  ::close(out[0]);
  const size_t at = line.find(" port ");
  if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 6);
}

LocalHttpServer::~LocalHttpServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

std::string LocalHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int UnusedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

}  // namespace almanix::publish::testing
