#include "support/cli_runner.h"

#include <sys/wait.h>

#include <cstdlib>

#include "app/text.h"
#include "support/temp_root.h"

namespace almanix::testing {

std::string ShellQuote(const std::string& text) {
  return "'" + ReplaceAll(text, "'", "'\\''") + "'";
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& scratch_folder) {
  std::string out = scratch_folder + "/cli-out.txt", err = scratch_folder + "/cli-err.txt";
  std::string command = ShellQuote(ALMANIX_CLI_PATH);
  for (const std::string& a : args) command += " " + ShellQuote(a);
  command += " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
  int status = std::system(command.c_str());
  CliResult r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadAll(out);
  r.err = ReadAll(err);
  return r;
}

}  // namespace almanix::testing
