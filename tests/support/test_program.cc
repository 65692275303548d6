#include "support/test_program.h"

namespace almanix::testing {

Status TestProgram::StartIn(const std::string& root, const std::string& workdir) {
  test_ui.choices.push_back(0);
  Options options;
  options.root = root;
  options.workdir = workdir;
  return Start(options);
}

}  // namespace almanix::testing
