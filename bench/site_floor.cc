// The least the kernel must do for a generated site, with no page made:
// the site's files written into a build folder over those of the run before
// (as a second generation run does, each file in one write), then copied
// into an emptied output folder by the copy `generate --out` uses. What it
// prints is a floor under the whole run's CPU time on this machine.
//
//   site_floor SITE SCRATCH [runs]
//
// SITE is a generated site (compare.py passes the one its last run left);
// it is read into memory first, untimed. Prints the medians of the CPU time
// (user + system, getrusage) and wall time of the writing and of the copy.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "publish/destinations.h"

namespace {

namespace fs = std::filesystem;

struct SiteFile {
  std::string folder;  // relative, "" or "events/"
  std::string name;
  std::string bytes;
};

struct Cost {
  double cpu = 0;
  double wall = 0;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <typename Work>
Cost Measure(Work work) {
  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  work();
  return {CpuSeconds() - cpu,
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

std::vector<SiteFile> ReadSite(const std::string& site) {
  std::vector<SiteFile> files;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(site)) {
    if (!e.is_regular_file()) continue;
    const fs::path relative = fs::relative(e.path(), site);
    std::string folder = relative.parent_path().string();
    if (!folder.empty()) folder += '/';
    std::ifstream in(e.path(), std::ios::binary);
    files.push_back({folder, relative.filename().string(),
                     std::string(std::istreambuf_iterator<char>(in), {})});
  }
  return files;
}

// Each file opened relative to its open folder and written in one call, as
// the generator's writes are.
bool WriteSite(const std::vector<SiteFile>& files, const std::string& build) {
  std::map<std::string, int> folders;
  bool ok = true;
  for (const SiteFile& f : files) {
    auto [it, added] = folders.try_emplace(f.folder, -1);
    if (added) {
      fs::create_directories(build + f.folder);
      it->second = ::open((build + f.folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    const int fd =
        ::openat(it->second, f.name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, f.bytes.data(), f.bytes.size()) !=
                      static_cast<ssize_t>(f.bytes.size())) {
      ok = false;
    }
    if (fd >= 0) ::close(fd);
  }
  for (const auto& [name, fd] : folders) ::close(fd);
  return ok;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: site_floor SITE SCRATCH [runs]\n");
    return 2;
  }
  const std::vector<SiteFile> files = ReadSite(argv[1]);
  const std::string scratch = fs::absolute(argv[2]).string() + "/";
  const std::string build = scratch + "build/", out = scratch + "out/";
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  std::size_t bytes = 0;
  for (const SiteFile& f : files) bytes += f.bytes.size();

  fs::remove_all(scratch);
  if (!WriteSite(files, build)) {
    std::fprintf(stderr, "site_floor: cannot write into %s\n", build.c_str());
    return 1;
  }
  std::vector<double> write_cpu, write_wall, copy_cpu, copy_wall, total_cpu;
  for (int run = 0; run < runs; ++run) {
    fs::remove_all(out);
    bool written = false;
    const Cost write = Measure([&] { written = WriteSite(files, build); });
    almanix::Status copied;
    const Cost copy = Measure([&] { copied = almanix::publish::CopyBuildFolder(build, out); });
    if (!written || !copied.ok()) {
      std::fprintf(stderr, "site_floor: %s\n", written ? copied.message().c_str() : "write failed");
      return 1;
    }
    write_cpu.push_back(write.cpu);
    write_wall.push_back(write.wall);
    copy_cpu.push_back(copy.cpu);
    copy_wall.push_back(copy.wall);
    total_cpu.push_back(write.cpu + copy.cpu);
  }
  fs::remove_all(scratch);
  std::printf("%zu files, %.1f MB: write %.3f s cpu (%.3f wall), copy %.3f s cpu (%.3f wall), "
              "both %.3f s cpu\n",
              files.size(), bytes / 1e6, Median(write_cpu), Median(write_wall),
              Median(copy_cpu), Median(copy_wall), Median(total_cpu));
  return 0;
}
