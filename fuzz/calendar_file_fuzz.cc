// Opening a calendar file of any bytes: the ZIP reader with its refusals
// (links, "..", absolute names, bombs), the table check and the switch of
// the working directory.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fuzz_support.h"
#include "store/calendar_file.h"
#include "store/zip_archive.h"

namespace {

// Far below what a calendar may unpack to: a bomb of a few kilobytes would
// otherwise fill the disk of the fuzzing machine on every run.
constexpr std::uint64_t kFuzzUnpackLimit = 64ull << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  almanix::fuzz::Program& program = almanix::fuzz::TheProgram();
  static almanix::store::CalendarFile files(program.app, program.data, program.ui());
  const std::string path = program.root.Write("Fuzzed.cal", data, size);

  // The extraction on its own, under a small limit, into a box inside an
  // otherwise empty folder: nothing may appear beside the box. Only files
  // that stay below the limit are opened whole.
  const std::string scratch = program.root.path() + "scratch";
  std::error_code ec;
  std::filesystem::remove_all(scratch, ec);
  std::filesystem::create_directories(scratch + "/a/b", ec);
  almanix::store::ExtractOptions options;
  options.max_unpacked_bytes = kFuzzUnpackLimit;
  options.top_folders = {{"db", "DB"}, {"config", "Config"}};
  almanix::Result<almanix::store::ExtractReport> report =
      almanix::store::ExtractArchive(path, scratch + "/a/b/box", options);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch, ec)) {
    const std::string name = entry.path().string().substr(scratch.size());
    const bool inside = name == "/a" || name == "/a/b" || name == "/a/b/box" ||
                        name.starts_with("/a/b/box/");
    if (!inside) {
      std::fprintf(stderr, "calendar_file_fuzz: written outside the target: %s\n", name.c_str());
      std::abort();
    }
  }
  std::filesystem::remove_all(scratch, ec);
  if (report.ok() && report.value().size_limit_reached) return 0;

  almanix::IgnoreResult(files.File_Open(path),
                        "a refused file is a result; only a crash is a finding");
  // The next run unpacks into the same temporary folder, cleared first.
  files.CloseCalendarFile();
  return 0;
}
