#pragma once

#include <string>

#include "program/program.h"
#include "support/fake_ui.h"

namespace almanix::testing {

// Holds the interface before the program is built on it.
struct TestUiHolder {
  FakeUi test_ui;
};

// The program as the desktop and almanix-cli start it, in a test's root,
// with a scripted interface that records what it shows.
class TestProgram : private TestUiHolder, public Program {
 public:
  TestProgram() : Program(test_ui) {}

  // Starts in the root (and working directory, when given); a first start
  // takes the first calendar type.
  Status StartIn(const std::string& root, const std::string& workdir = "");

  FakeUi& fake_ui() { return test_ui; }
};

}  // namespace almanix::testing
