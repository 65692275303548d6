#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/batch_heap.h"

int main(int argc, char** argv) {
  // Sized to hold a five-year site of thirty categories without growing.
  almanix::platform::PrepareBatchHeap(std::size_t{256} << 20);
  std::vector<std::string> args(argv + 1, argv + argc);
  return almanix::cli::RunCli(args, std::cout, std::cerr);
}
