#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace almanix::cli {

// Runs one almanix-cli command line (args without the program name).
// Results go to out, messages to err. Never throws.
int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err);

}  // namespace almanix::cli
