#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace almanix::cli {

// Exit codes of almanix-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs one almanix-cli command line (args without the program name).
// Results go to out, messages to err. Never throws.
int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err);

}  // namespace almanix::cli
