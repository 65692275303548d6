// Times saving and opening a calendar archive against Info-ZIP on the same
// working folder: 50 MB of attachments by default, about 60 % of the bytes
// compressible text and 40 % JPEG-like random data, files of 10 KB - 2 MB,
// beside a small DB, Config, Favorites and Include. Each figure is the
// median of three runs; our save includes the fsync it always makes.
//
//   zip_bench [megabytes]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "store/zip_archive.h"

namespace {

namespace fs = std::filesystem;
using almanix::store::ArchiveRoot;
using almanix::store::ExtractArchive;
using almanix::store::ExtractOptions;
using almanix::store::WriteArchive;

double Seconds(const std::function<void()>& prepare,
               const std::function<void()>& work, int runs = 3) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    prepare();
    auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Notes and mail-like text: words drawn with a skewed distribution, so it
// compresses about as well as real prose.
std::string Text(std::mt19937& random, size_t size) {
  static const char* const kWords[] = {
      "the",         "of",      "and",       "to",        "a",
      "in",          "meeting", "is",        "for",       "on",
      "with",        "project", "that",      "by",        "this",
      "be",          "are",     "from",      "at",        "as",
      "budget",      "review",  "please",    "team",      "report",
      "schedule",    "it",      "we",        "will",      "have",
      "not",         "or",      "an",        "was",       "client",
      "call",        "agenda",  "notes",     "next",      "week",
      "Monday",      "Tuesday", "Wednesday", "Thursday",  "Friday",
      "office",      "travel",  "invoice",   "contract",  "draft",
      "final",       "version", "attached",  "discussed", "action",
      "items",       "follow",  "up",        "deadline",  "quarter",
      "sales",       "figures", "customer",  "support",   "release",
      "plan",        "holiday", "birthday",  "dentist",   "appointment",
      "conference",  "room",    "booked",    "confirmed", "cancelled",
      "moved",       "lunch",   "dinner",    "flight",    "hotel",
      "reservation", "number",  "address",   "phone",     "email"};
  constexpr int kCount = sizeof kWords / sizeof kWords[0];
  std::exponential_distribution<double> skew(0.08);
  std::uniform_int_distribution<int> digits(0, 99999);
  std::string out;
  out.reserve(size + 64);
  int in_line = 0;
  while (out.size() < size) {
    int pick = std::min(kCount - 1, static_cast<int>(skew(random)));
    if (random() % 23 == 0) {
      out += std::to_string(digits(random));
    } else {
      out += kWords[pick];
    }
    in_line += 1;
    if (random() % 11 == 0) {
      out += ". ";
    } else if (random() % 17 == 0) {
      out += ", ";
    } else {
      out += ' ';
    }
    if (in_line > 12 && random() % 4 == 0) {
      out += "\r\n";
      in_line = 0;
    }
  }
  out.resize(size);
  return out;
}

std::string Jpeg(std::mt19937& random, size_t size) {
  std::string out = "\xFF\xD8\xFF\xE0";
  out.reserve(size);
  while (out.size() < size) out += static_cast<char>(random());
  return out;
}

void MakeWorkingFolder(const std::string& wd, size_t megabytes) {
  std::mt19937 random(20100305);
  std::uniform_int_distribution<size_t> sizes(10 << 10, 2 << 20);
  Write(wd + "DB/Events.db", Text(random, 600 << 10));
  Write(wd + "DB/Calendar2010.db", Text(random, 300 << 10));
  Write(wd + "Config/application.ini", Text(random, 4 << 10));
  Write(wd + "Include/header.htm", Text(random, 2 << 10));
  fs::create_directories(wd + "Favorites");
  size_t total = megabytes << 20;
  size_t text = total * 6 / 10;
  size_t made_text = 0, made_jpeg = 0;
  for (int n = 0; made_text + made_jpeg < total; ++n) {
    size_t size = sizes(random);
    bool is_text =
        made_text < text && (made_jpeg >= total - text || random() % 2 == 0);
    std::string folder = wd + "Attachments/Work/2025-" +
                         std::to_string(1 + n % 12) + "-" +
                         std::to_string(1 + n % 28) + "/";
    if (is_text) {
      Write(folder + "notes" + std::to_string(n) + ".txt", Text(random, size));
      made_text += size;
    } else {
      Write(folder + "photo" + std::to_string(n) + ".jpg", Jpeg(random, size));
      made_jpeg += size;
    }
  }
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
  std::string base =
      (fs::temp_directory_path() / "almanix-zip-bench").string() + "/";
  fs::remove_all(base);
  std::string wd = base + "wd/";
  MakeWorkingFolder(wd, megabytes);
  std::vector<ArchiveRoot> roots = {{wd + "DB", "db"},
                                    {wd + "Config", "config"},
                                    {wd + "Attachments", "attachments"},
                                    {wd + "Favorites", "favorites"},
                                    {wd + "Include", "include"}};
  ExtractOptions mapped;
  mapped.top_folders = {{"db", "DB"},
                        {"config", "Config"},
                        {"attachments", "Attachments"},
                        {"favorites", "Favorites"},
                        {"include", "Include"}};

  std::string ours = base + "ours.cal";
  std::string theirs = base + "theirs.zip";
  double our_save =
      Seconds([] {},
              [&] {
                almanix::Status status = WriteArchive(ours, roots);
                if (!status.ok()) {
                  std::fprintf(stderr, "%s\n", status.message().c_str());
                  std::exit(1);
                }
              });
  double zip_save = Seconds([&] { fs::remove(theirs); },
                            [&] {
                              Run("cd " + wd + " && zip -9 -r -q " + theirs +
                                  " DB Config Attachments Favorites Include");
                            });
  double our_open = Seconds(
      [&] { fs::remove_all(base + "out1"); },
      [&] {
        auto report = ExtractArchive(ours, base + "out1", mapped);
        if (!report.ok()) {
          std::fprintf(stderr, "%s\n", report.status().message().c_str());
          std::exit(1);
        }
      });
  double unzip_open =
      Seconds([&] { fs::remove_all(base + "out2"); },
              [&] { Run("unzip -q -o " + theirs + " -d " + base + "out2"); });

  std::printf("working folder: %zu MB of attachments\n", megabytes);
  std::printf("archive sizes:  ours %.1f MB, zip -9 %.1f MB\n",
              fs::file_size(ours) / 1048576.0,
              fs::file_size(theirs) / 1048576.0);
  std::printf("%-8s %10s %10s %8s\n", "", "ours (s)", "Info-ZIP", "ratio");
  std::printf("%-8s %10.3f %10.3f %8.2f\n", "save", our_save, zip_save,
              our_save / zip_save);
  std::printf("%-8s %10.3f %10.3f %8.2f\n", "open", our_open, unzip_open,
              our_open / unzip_open);
  fs::remove_all(base);
  return 0;
}
