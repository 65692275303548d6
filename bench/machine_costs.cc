// What the kernel of this machine charges for the three things a
// generation run and an open do most: a system call, making a small file
// (open, one write, close) and the first touch of a fresh page of memory.
// On a virtual machine these can cost ten times what they do on the bare
// machine, which sets a floor under every whole-process figure of
// docs/benchmarks.md.
//
//   machine_costs [FOLDER]     (FOLDER: where the small files go; default /dev/shm)

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

template <typename Work>
double MicrosecondsEach(int count, Work work) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) work(i);
  const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
  return took.count() / count;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder =
      std::string(argc > 1 ? argv[1] : "/dev/shm") + "/almanix-machine-costs." +
      std::to_string(::getpid());
  std::filesystem::create_directories(folder);
  const int dir = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);

  const double call = MicrosecondsEach(200000, [](int) { ::syscall(SYS_getppid); });

  // The size of a one-event calendar file.
  const std::string text(1200, 'x');
  const auto make = [&](int i) {
    const std::string name = std::to_string(i) + ".ics";
    const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) < 0) std::perror("machine_costs");
    if (fd >= 0) ::close(fd);
  };
  constexpr int kFiles = 12000;
  const double made = MicrosecondsEach(kFiles, make);
  const double remade = MicrosecondsEach(kFiles, make);
  ::close(dir);
  std::filesystem::remove_all(folder);

  constexpr int kPages = 20000;
  constexpr std::size_t kPage = 4096;
  auto* memory = static_cast<char*>(::mmap(nullptr, kPages * kPage, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  if (memory == MAP_FAILED) return 1;
  const double touched =
      MicrosecondsEach(kPages, [&](int i) { memory[static_cast<std::size_t>(i) * kPage] = 1; });
  ::munmap(memory, kPages * kPage);

  std::printf("system call:                         %6.2f us\n", call);
  std::printf("new 1.2 KB file (open, write, close): %6.2f us\n", made);
  std::printf("the same file written again:          %6.2f us\n", remade);
  std::printf("first touch of a fresh 4 KiB page:    %6.2f us\n", touched);
  return 0;
}
