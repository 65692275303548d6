#include <malloc.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  // A command runs once and ends: memory it frees is better kept for its
  // next pages than handed back to the system and faulted in again. A
  // generation run builds and drops page texts of megabytes by the
  // thousand; with the defaults a third of its page faults were such
  // returns.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 32 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  std::vector<std::string> args(argv + 1, argv + argc);
  return almanix::cli::RunCli(args, std::cout, std::cerr);
}
