#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_program.h"
#include "generator/generator.h"
#include "settings/publish_editor.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::publish::testing {

// A started program in a fresh root (installed data of the build tree, real
// tables), the Format & Publish logic for 2025 with the favorite "Club", a
// generator, and an opener that only writes down what it was asked to open.
class DestinationFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  // One run into the build folder; fails the test when it fails.
  void Generate();
  // Ticks exactly these category numbers.
  void Tick(std::vector<int> categories);

  std::string Build() const;  // ends in "/"
  TDir& dir() { return *session_->app.dir; }
  PublishSettings& settings() { return editor_->settings; }
  PublishWindowState& window() { return editor_->window; }
  // What the opener was given, in order.
  std::vector<std::string> Opened() const;

  almanix::testing::TempRoot root_;
  std::ostringstream err_;
  std::unique_ptr<almanix::testing::TestProgram> session_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<PublishEditor> editor_;
  std::unique_ptr<generator::Generator> generator_;

 private:
  std::string opened_record_;
};

// Python's http.server on 127.0.0.1 at a port the system picks, serving a
// folder; stopped by the destructor.
class LocalHttpServer {
 public:
  explicit LocalHttpServer(const std::string& folder);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  // "http://127.0.0.1:" + port + path (path starts with "/").
  std::string Url(const std::string& path) const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on (bound, then released).
int UnusedPort();

}  // namespace almanix::publish::testing
