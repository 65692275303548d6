#include "store/zip_archive.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/file_util.h"
#include "support/scoped_env.h"
#include "support/temp_root.h"

namespace almanix::store {
namespace {

namespace fs = std::filesystem;
using testing::Exists;
using testing::ReadAll;
using testing::WriteAll;

// ---- helpers ---------------------------------------------------------

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Runs a shell command; its output (stderr too) and exit code.
std::string Shell(const std::string& command, int* exit_code = nullptr) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    output.append(buffer, n);
  }
  int status = ::pclose(pipe);
  if (exit_code) *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> ZipNames(const std::string& archive) {
  return Lines(Shell("zipinfo -1 " + Quote(archive)));
}

// Everything under a folder, relative, folders with a trailing "/"; links
// are listed, not followed.
std::set<std::string> Tree(const std::string& folder) {
  std::set<std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::string relative = it->path().lexically_relative(folder).string();
    bool is_folder = it->is_directory() && !it->is_symlink();
    out.insert(relative + (is_folder ? "/" : ""));
  }
  return out;
}

void SetMtime(const std::string& path, time_t when) {
  struct timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0)
      << path;
}

time_t MtimeOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mtime;
}

std::string RandomBytes(size_t size, std::uint32_t seed) {
  std::mt19937_64 random(seed);
  std::string out(size, '\0');
  for (size_t i = 0; i + 8 <= size; i += 8) {
    std::uint64_t word = random();
    std::memcpy(out.data() + i, &word, 8);
  }
  return out;
}

std::uint32_t Crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
            static_cast<uInt>(bytes.size())));
}


// A reading of the raw headers, independent of the code under test.
struct RawEntry {
  // central directory
  std::uint16_t version_needed, flags, method, time, date;
  std::uint32_t crc, comp_size, size, external, local_offset;
  std::string name, extra;
  // local header
  std::uint16_t local_version_needed, local_flags, local_method, local_time,
      local_date;
  std::uint32_t local_crc, local_comp_size, local_size;
  std::string local_name, local_extra;
  std::string data;              // as stored
  std::uint32_t next_signature;  // what follows the data
};

struct RawZip {
  std::vector<RawEntry> entries;
  std::uint16_t comment_length = 0;
  bool zip64_end = false;
};

std::uint32_t Le(const std::string& bytes, size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
  }
  return value;
}

RawZip ParseZip(const std::string& bytes) {
  RawZip zip;
  size_t end = bytes.rfind(std::string("PK\5\6", 4));
  if (end == std::string::npos) return zip;
  zip.comment_length = static_cast<std::uint16_t>(Le(bytes, end + 20, 2));
  zip.zip64_end = end >= 20 && bytes.compare(end - 20, 4, "PK\6\7") == 0;
  size_t count = Le(bytes, end + 10, 2);
  size_t at = Le(bytes, end + 16, 4);
  for (size_t i = 0; i < count; ++i) {
    RawEntry e{};
    EXPECT_EQ(Le(bytes, at, 4), 0x02014b50u);
    e.version_needed = static_cast<std::uint16_t>(Le(bytes, at + 6, 2));
    e.flags = static_cast<std::uint16_t>(Le(bytes, at + 8, 2));
    e.method = static_cast<std::uint16_t>(Le(bytes, at + 10, 2));
    e.time = static_cast<std::uint16_t>(Le(bytes, at + 12, 2));
    e.date = static_cast<std::uint16_t>(Le(bytes, at + 14, 2));
    e.crc = Le(bytes, at + 16, 4);
    e.comp_size = Le(bytes, at + 20, 4);
    e.size = Le(bytes, at + 24, 4);
    size_t name_length = Le(bytes, at + 28, 2);
    size_t extra_length = Le(bytes, at + 30, 2);
    size_t comment_length = Le(bytes, at + 32, 2);
    e.external = Le(bytes, at + 38, 4);
    e.local_offset = Le(bytes, at + 42, 4);
    e.name = bytes.substr(at + 46, name_length);
    e.extra = bytes.substr(at + 46 + name_length, extra_length);
    at += 46 + name_length + extra_length + comment_length;

    size_t local = e.local_offset;
    EXPECT_EQ(Le(bytes, local, 4), 0x04034b50u);
    e.local_version_needed =
        static_cast<std::uint16_t>(Le(bytes, local + 4, 2));
    e.local_flags = static_cast<std::uint16_t>(Le(bytes, local + 6, 2));
    e.local_method = static_cast<std::uint16_t>(Le(bytes, local + 8, 2));
    e.local_time = static_cast<std::uint16_t>(Le(bytes, local + 10, 2));
    e.local_date = static_cast<std::uint16_t>(Le(bytes, local + 12, 2));
    e.local_crc = Le(bytes, local + 14, 4);
    e.local_comp_size = Le(bytes, local + 18, 4);
    e.local_size = Le(bytes, local + 22, 4);
    size_t local_name_length = Le(bytes, local + 26, 2);
    size_t local_extra_length = Le(bytes, local + 28, 2);
    e.local_name = bytes.substr(local + 30, local_name_length);
    e.local_extra =
        bytes.substr(local + 30 + local_name_length, local_extra_length);
    size_t data_at = local + 30 + local_name_length + local_extra_length;
    e.data = bytes.substr(data_at, e.comp_size);
    e.next_signature = Le(bytes, data_at + e.comp_size, 4);
    zip.entries.push_back(std::move(e));
  }
  return zip;
}

bool HasExtraField(const std::string& extra, std::uint32_t id) {
  for (size_t at = 0; at + 4 <= extra.size(); at += 4 + Le(extra, at + 2, 2)) {
    if (Le(extra, at, 2) == id) return true;
  }
  return false;
}

std::string Inflate(const std::string& raw, size_t size) {
  std::string out(size, '\0');
  z_stream zs{};
  inflateInit2(&zs, -MAX_WBITS);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
  zs.avail_in = static_cast<uInt>(raw.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  int result = inflate(&zs, Z_FINISH);
  inflateEnd(&zs);
  EXPECT_EQ(result, Z_STREAM_END);
  return out;
}

// ---- fixture ---------------------------------------------------------

class ZipArchiveTest : public ::testing::Test {
 protected:
  std::string Wd() const { return root_ / "wd/"; }

  // A working folder with one of each kind of thing a calendar keeps.
  void MakeWorkingFolder() {
    WriteAll(Wd() + "DB/Events.db",
             RandomBytes(3000, 1) + std::string(5000, 'e'));
    WriteAll(Wd() + "DB/Calendar2010.db", std::string(20000, 'c'));
    WriteAll(Wd() + "Config/application.ini",
             "[General]\r\nLanguage=English\r\n");
    WriteAll(Wd() + "Attachments/Work/2010-3-05/photo.jpg",
             RandomBytes(40000, 2));
    WriteAll(Wd() + "Attachments/Work/empty.txt", "");
    WriteAll(Wd() + "Attachments/notes.txt", "Call Anna about the budget.\n");
    WriteAll(Wd() + "Attachments/Budget.txt", "Q1 12,000\nQ2 14,500\n");
    WriteAll(Wd() + "Attachments/.hidden", "kept too");
    WriteAll(Wd() + "Include/header.htm", "<p>Header</p>\n");
    fs::create_directories(Wd() + "Favorites");
    // Neither followed nor stored.
    fs::create_symlink("/etc/passwd", Wd() + "Attachments/link");
    fs::create_directory_symlink("/etc", Wd() + "Attachments/etc-link");
    ASSERT_EQ(::mkfifo((Wd() + "Attachments/pipe").c_str(), 0644), 0);
  }

  std::vector<ArchiveRoot> Roots() const {
    return {{Wd() + "DB", "db"},
            {Wd() + "Config", "config"},
            {Wd() + "Attachments", "attachments"},
            {Wd() + "Favorites", "favorites"},
            {Wd() + "Include", "include"}};
  }

  static ExtractOptions Mapped() {
    ExtractOptions options;
    options.top_folders = {{"db", "DB"},
                           {"config", "Config"},
                           {"attachments", "Attachments"},
                           {"favorites", "Favorites"},
                           {"include", "Include"}};
    return options;
  }

  ExtractReport Extract(const std::string& archive, const std::string& target,
                        const ExtractOptions& options = Mapped()) {
    Result<ExtractReport> report = ExtractArchive(archive, target, options);
    EXPECT_TRUE(report.ok()) << report.status().message();
    return report.value_or(ExtractReport{});
  }

  // Builds an archive with Python's zipfile from (name, data) pairs; names
  // go in exactly as given.
  std::string PythonZip(
      const std::string& file,
      const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string script =
        "import sys, zipfile, warnings\n"
        "warnings.simplefilter('ignore')\n"
        "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n";
    for (const auto& [name, data] : entries) {
      script += "z.writestr(zipfile.ZipInfo(" + PyBytes(name) +
                ".decode('latin-1')), " + PyBytes(data) + ")\n";
    }
    script += "z.close()\n";
    WriteAll(root_ / "make.py", script);
    std::string path = root_ / file;
    int code = 0;
    std::string output =
        Shell("python3 " + Quote(root_ / "make.py") + " " + Quote(path), &code);
    EXPECT_EQ(code, 0) << output;
    return path;
  }

  static std::string PyBytes(const std::string& bytes) {
    std::string out = "b'";
    char hex[8];
    for (unsigned char c : bytes) {
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
    return out + "'";
  }

  testing::TempRoot root_;
};

// ---- writing -----------------------------------------------------------

TEST_F(ZipArchiveTest, EntriesComeFolderFirstSortedWithoutRegardToCase) {
  MakeWorkingFolder();
  std::vector<ArchiveRoot> roots = Roots();
  roots.push_back({Wd() + "Missing", "missing"});  // contributes nothing
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(WriteArchive(archive, roots).ok());
  EXPECT_EQ(
      ZipNames(archive),
      (std::vector<std::string>{
          "db/", "db/Calendar2010.db", "db/Events.db", "config/",
          "config/application.ini", "attachments/", "attachments/.hidden",
          "attachments/Budget.txt", "attachments/notes.txt",
          "attachments/Work/", "attachments/Work/2010-3-05/",
          "attachments/Work/2010-3-05/photo.jpg", "attachments/Work/empty.txt",
          "favorites/", "include/", "include/header.htm"}));
}

TEST_F(ZipArchiveTest, SkipLeavesOutFilesAndWholeFolders) {
  MakeWorkingFolder();
  std::vector<std::string> asked;
  ArchiveOptions options;
  options.skip = [&](const std::string& name) {
    asked.push_back(name);
    return name == "db/Events.db" || name == "attachments/Work/";
  };
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(WriteArchive(archive, Roots(), options).ok());
  std::vector<std::string> names = ZipNames(archive);
  EXPECT_EQ(names,
            (std::vector<std::string>{
                "db/", "db/Calendar2010.db", "config/",
                "config/application.ini", "attachments/", "attachments/.hidden",
                "attachments/Budget.txt", "attachments/notes.txt", "favorites/",
                "include/", "include/header.htm"}));
  // Nothing inside a skipped folder is even offered.
  for (const std::string& name : asked) {
    EXPECT_FALSE(name.rfind("attachments/Work/", 0) == 0 &&
                 name != "attachments/Work/")
        << name;
  }
}

TEST_F(ZipArchiveTest, HeadersHoldExactlyTheFieldsOtherToolsExpect) {
  testing::ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  MakeWorkingFolder();
  // 2010-03-05 14:27:38 UTC is 09:27:38 in New York (before the DST change).
  const time_t when = 1267799258;
  for (const auto& entry : fs::recursive_directory_iterator(Wd())) {
    if (!entry.is_symlink()) SetMtime(entry.path().string(), when);
  }
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(WriteArchive(archive, Roots()).ok());

  std::string bytes = ReadAll(archive);
  RawZip zip = ParseZip(bytes);
  ASSERT_EQ(zip.entries.size(), 16u);
  EXPECT_EQ(zip.comment_length, 0);
  EXPECT_FALSE(zip.zip64_end);
  const std::uint16_t dos_time = 9 << 11 | 27 << 5 | 38 / 2;
  const std::uint16_t dos_date = (2010 - 1980) << 9 | 3 << 5 | 5;
  const std::map<std::string, std::string> top = {
      {"db", "DB"},
      {"config", "Config"},
      {"attachments", "Attachments"},
      {"favorites", "Favorites"},
      {"include", "Include"}};
  for (const RawEntry& e : zip.entries) {
    SCOPED_TRACE(e.name);
    bool folder = e.name.back() == '/';
    EXPECT_EQ(e.version_needed, 20);
    EXPECT_EQ(e.local_version_needed, 20);
    EXPECT_EQ(e.flags, 0);  // no level bits, no data descriptor, no UTF-8
    EXPECT_EQ(e.local_flags, 0);
    EXPECT_EQ(e.local_name, e.name);
    EXPECT_FALSE(HasExtraField(e.extra, 0x0001));
    EXPECT_FALSE(HasExtraField(e.local_extra, 0x0001));
    EXPECT_EQ(e.time, dos_time);
    EXPECT_EQ(e.date, dos_date);
    EXPECT_EQ(e.local_time, dos_time);
    EXPECT_EQ(e.local_date, dos_date);
    // The sizes are in the local header, and no descriptor follows the data.
    EXPECT_EQ(e.local_crc, e.crc);
    EXPECT_EQ(e.local_comp_size, e.comp_size);
    EXPECT_EQ(e.local_size, e.size);
    EXPECT_TRUE(e.next_signature == 0x04034b50u ||
                e.next_signature == 0x02014b50u);
    if (folder) {
      EXPECT_EQ(e.method, 0);
      EXPECT_EQ(e.size, 0u);
      EXPECT_EQ(e.external >> 16, static_cast<std::uint32_t>(S_IFDIR | 0755));
      continue;
    }
    size_t slash = e.name.find('/');
    std::string on_disk =
        Wd() + top.at(e.name.substr(0, slash)) + e.name.substr(slash);
    std::string data = ReadAll(on_disk);
    struct stat st {};
    ::stat(on_disk.c_str(), &st);
    EXPECT_EQ(e.external >> 16, st.st_mode);
    EXPECT_EQ(e.size, data.size());
    EXPECT_EQ(e.crc, Crc(data));
    EXPECT_EQ(e.local_method, e.method);
    if (e.size == 0) {
      EXPECT_EQ(e.method, 0);
      EXPECT_EQ(e.comp_size, 0u);
    } else {
      EXPECT_EQ(e.method, 8);
      EXPECT_TRUE(Inflate(e.data, e.size) == data);
    }
  }

  int code = 0;
  std::string test = Shell("unzip -t " + Quote(archive), &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(test.find("No errors detected"), std::string::npos) << test;
  std::string verbose = Shell("zipinfo -v " + Quote(archive));
  auto count = [&](const std::string& needle) {
    int n = 0;
    for (size_t at = verbose.find(needle); at != std::string::npos;
         at = verbose.find(needle, at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_EQ(count("minimum software version required to extract:   2.0"), 16);
  EXPECT_EQ(count("extended local header:                          no"), 16);
  EXPECT_EQ(count("file system or operating system of origin:      Unix"), 16);
  EXPECT_EQ(count("compression method:                             deflated"),
            8);
  EXPECT_EQ(count("file last modified on (DOS date/time):          2010 Mar 5 "
                  "09:27:38"),
            16);
  EXPECT_EQ(count("There is no zipfile comment."), 1);
}

TEST_F(ZipArchiveTest, NonAsciiNamesAreMarkedUtf8) {
  WriteAll(Wd() + "Attachments/Büro/Grüße.txt", "Hallo\n");
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(
      WriteArchive(archive, {{Wd() + "Attachments", "attachments"}}).ok());
  RawZip zip = ParseZip(ReadAll(archive));
  ASSERT_EQ(zip.entries.size(), 3u);
  EXPECT_EQ(zip.entries[0].flags, 0);  // "attachments/" is plain ASCII
  EXPECT_EQ(zip.entries[2].name, "attachments/Büro/Grüße.txt");
  EXPECT_EQ(zip.entries[2].flags, 0x800);
  EXPECT_EQ(zip.entries[2].local_flags, 0x800);
  // Info-ZIP reads the name back as written.
  fs::create_directories(root_ / "unzipped");
  Shell("cd " + Quote(root_ / "unzipped") + " && unzip -q " + Quote(archive));
  EXPECT_EQ(ReadAll(root_ / "unzipped/attachments/Büro/Grüße.txt"), "Hallo\n");
}

TEST_F(ZipArchiveTest, ANameMetTwiceEndsUpOnceWithTheLaterData) {
  WriteAll(Wd() + "DB/Events.db", "first");
  WriteAll(Wd() + "DB/Only.db", "only");
  WriteAll(Wd() + "Other/Events.db", "second");
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(WriteArchive(archive, {{Wd() + "DB", "db"},
                                     {Wd() + "Other", "db"},
                                     {Wd() + "DB", "again"},
                                     {Wd() + "DB", "again"}})
                  .ok());
  EXPECT_EQ(
      ZipNames(archive),
      (std::vector<std::string>{"db/", "db/Events.db", "db/Only.db", "again/",
                                "again/Events.db", "again/Only.db"}));
  EXPECT_EQ(Shell("unzip -p " + Quote(archive) + " db/Events.db"), "second");
  EXPECT_NE(Shell("unzip -t " + Quote(archive)).find("No errors detected"),
            std::string::npos);
}

TEST_F(ZipArchiveTest, ArchiveSavedInsideARootLeavesItselfOut) {
  WriteAll(Wd() + "Attachments/a.txt", "a");
  std::string archive = Wd() + "Attachments/backup.zip";
  std::vector<ArchiveRoot> roots = {{Wd() + "Attachments", "attachments"}};
  ASSERT_TRUE(WriteArchive(archive, roots).ok());
  ASSERT_TRUE(WriteArchive(archive, roots).ok());
  EXPECT_EQ(ZipNames(archive),
            (std::vector<std::string>{"attachments/", "attachments/a.txt"}));
}

TEST_F(ZipArchiveTest, NoExistingRootsGiveAValidEmptyArchive) {
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(WriteArchive(archive, {{Wd() + "Missing", "db"}}).ok());
  EXPECT_EQ(ReadAll(archive).size(), 22u);
  Result<ExtractReport> report = ExtractArchive(archive, root_ / "out");
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_EQ(report.value().extracted, 0);
}

// ---- round trips ---------------------------------------------------------

TEST_F(ZipArchiveTest, WhatWeWriteComesBackByteForByte) {
  testing::ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  MakeWorkingFolder();
  // Bigger than what is kept in memory while saving, and incompressible.
  WriteAll(Wd() + "Attachments/video.bin", RandomBytes(17u << 20, 3));
  ::chmod((Wd() + "Config/application.ini").c_str(), 0640);
  SetMtime(Wd() + "DB/Events.db", 1267799259);  // odd: DOS keeps 2 s steps
  std::vector<std::pair<int, int>> progress;
  ArchiveOptions write_options;
  write_options.progress = [&](int done, int total) {
    progress.emplace_back(done, total);
  };
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(WriteArchive(archive, Roots(), write_options).ok());
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), std::make_pair(17, 17));
  for (size_t i = 1; i < progress.size(); ++i) {
    EXPECT_LE(progress[i - 1].first, progress[i].first);
  }

  std::string out = root_ / "restored/";
  WriteAll(out + "DB/Events.db", "an older calendar");  // replaced
  ExtractReport report = Extract(archive, out);
  EXPECT_EQ(report.extracted, 10);
  EXPECT_EQ(report.skipped, 0);
  EXPECT_TRUE(report.refused.empty());
  EXPECT_FALSE(report.size_limit_reached);

  std::set<std::string> expected = Tree(Wd());
  expected.erase("Attachments/link");
  expected.erase("Attachments/etc-link");
  expected.erase("Attachments/pipe");
  EXPECT_EQ(Tree(out), expected);
  for (const std::string& name : expected) {
    if (name.back() == '/') continue;
    SCOPED_TRACE(name);
    EXPECT_TRUE(ReadAll(out + name) == ReadAll(Wd() + name));
    time_t original = MtimeOf(Wd() + name);
    time_t restored = MtimeOf(out + name);
    EXPECT_LE(restored, original);
    EXPECT_GT(restored, original - 2);
  }
  EXPECT_EQ(MtimeOf(out + "DB/Events.db"), 1267799258);
  struct stat st {};
  ::stat((out + "Config/application.ini").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ZipArchiveTest, InfoZipArchivesExtractUnderTheMappedFolders) {
  // The Windows program wrote lower-case folders; older copies upper case.
  WriteAll(root_ / "lower/db/Events.db", "lower events");
  WriteAll(root_ / "lower/config/application.ini", "[General]\n");
  WriteAll(root_ / "lower/Extra/keep.txt", "unmapped");
  WriteAll(root_ / "upper/DB/Events.db", "upper events");
  int code = 0;
  std::string output = Shell("cd " + Quote(root_ / "lower") +
                                 " && zip -r -9 -q ../x.cal db config Extra",
                             &code);
  ASSERT_EQ(code, 0) << output;
  output = Shell("cd " + Quote(root_ / "upper") + " && zip -r -q ../y.zip DB",
                 &code);
  ASSERT_EQ(code, 0) << output;

  std::string out = root_ / "out/";
  ExtractReport report = Extract(root_ / "x.cal", out);
  EXPECT_EQ(report.extracted, 3);
  EXPECT_EQ(Tree(out), (std::set<std::string>{"DB/", "DB/Events.db", "Config/",
                                              "Config/application.ini",
                                              "Extra/", "Extra/keep.txt"}));
  EXPECT_EQ(ReadAll(out + "DB/Events.db"), "lower events");

  report = Extract(root_ / "y.zip", out);
  EXPECT_EQ(report.extracted, 1);
  EXPECT_EQ(ReadAll(out + "DB/Events.db"), "upper events");
  EXPECT_FALSE(Exists(out + "db"));
}

// ---- hostile archives ----------------------------------------------------

TEST_F(ZipArchiveTest, NamesThatWouldEscapeAreRefused) {
  std::string archive = PythonZip(
      "hostile.zip", {{"good/first.txt", "first"},
                      {"../evil.txt", "evil"},
                      {"/abs.txt", "abs"},
                      {"sub/../../x.txt", "x"},
                      {"sub/../inside.txt", "looks harmless, still refused"},
                      {"C:/win.txt", "win"},
                      {"back\\slash.txt", "slash"},
                      {"nulXname.txt", "nul"},
                      {"dup.txt", "two"},
                      {"./dot/ok.txt", "ok"},
                      {"good/last.txt", "last"}});
  // zipfile cuts names at a NUL; put it in the raw bytes afterwards.
  std::string bytes = ReadAll(archive);
  for (size_t at = bytes.find("nulXname"); at != std::string::npos;
       at = bytes.find("nulXname", at)) {
    bytes[at + 3] = '\0';
  }
  WriteAll(archive, bytes);

  std::string out = root_ / "jail/target/";
  ExtractReport report = Extract(archive, out);
  EXPECT_EQ(report.refused, (std::vector<std::string>{
                                "../evil.txt", "/abs.txt", "sub/../../x.txt",
                                "sub/../inside.txt", "C:/win.txt",
                                "back\\slash.txt", "nul name.txt"}));
  EXPECT_EQ(report.extracted, 4);
  EXPECT_EQ(Tree(out),
            (std::set<std::string>{"good/", "good/first.txt", "good/last.txt",
                                   "dup.txt", "dot/", "dot/ok.txt"}));
  EXPECT_EQ(ReadAll(out + "dup.txt"), "two");
  EXPECT_EQ(
      Tree(root_ / "jail"),
      (std::set<std::string>{"target/", "target/good/", "target/good/first.txt",
                             "target/good/last.txt", "target/dup.txt",
                             "target/dot/", "target/dot/ok.txt"}));
  EXPECT_FALSE(Exists("/abs.txt"));
}

TEST_F(ZipArchiveTest, LinksAreNeitherExtractedNorFollowed) {
  fs::create_directories(root_ / "src");
  fs::create_symlink("/etc/passwd", root_ / "src/passwd-link");
  WriteAll(root_ / "src/DB/Events.db", "events");
  WriteAll(root_ / "src/plain.txt", "plain");
  int code = 0;
  std::string output = Shell("cd " + Quote(root_ / "src") +
                                 " && zip -y -r -q ../links.zip passwd-link "
                                 "DB plain.txt",
                             &code);
  ASSERT_EQ(code, 0) << output;

  // Links already in the target lead outside; they must stay untouched.
  std::string out = root_ / "out/";
  WriteAll(root_ / "outside/Events.db", "outside data");
  WriteAll(root_ / "outside/victim.txt", "victim");
  fs::create_directories(out);
  fs::create_directory_symlink(root_ / "outside", out + "DB");
  fs::create_symlink(root_ / "outside/victim.txt", out + "plain.txt");

  ExtractReport report = Extract(root_ / "links.zip", out);
  EXPECT_EQ(report.refused, std::vector<std::string>{"passwd-link"});
  EXPECT_FALSE(PathExists(out + "passwd-link"));
  // DB is a link, not a folder: its entries are skipped, not written through.
  EXPECT_EQ(report.skipped, 2);  // "DB/" and "DB/Events.db"
  EXPECT_EQ(ReadAll(root_ / "outside/Events.db"), "outside data");
  // A link in the way of a file is replaced by the file, not written through.
  EXPECT_EQ(report.extracted, 1);
  EXPECT_FALSE(fs::is_symlink(out + "plain.txt"));
  EXPECT_EQ(ReadAll(out + "plain.txt"), "plain");
  EXPECT_EQ(ReadAll(root_ / "outside/victim.txt"), "victim");
}

TEST_F(ZipArchiveTest, EntriesThatCannotBeReadAreSkipped) {
  std::string src = root_ / "src/";
  WriteAll(src + "good1.txt", "good one");
  WriteAll(src + "secret.txt", "the password is pw");
  WriteAll(src + "stored.txt", "STORED-DATA-THAT-GETS-DAMAGED");
  WriteAll(src + "bz.txt", std::string(5000, 'b'));
  WriteAll(src + "good2.txt", std::string(5000, 'g'));
  std::string archive = root_ / "mixed.zip";
  std::string cd = "cd " + Quote(src) + " && ";
  for (const char* step : {"zip -q ../mixed.zip good1.txt",
                           "zip -q -e -P pw ../mixed.zip secret.txt",
                           "zip -q -0 ../mixed.zip stored.txt",
                           "zip -q -Z bzip2 ../mixed.zip bz.txt",
                           "zip -q ../mixed.zip good2.txt"}) {
    int code = 0;
    std::string output = Shell(cd + step, &code);
    ASSERT_EQ(code, 0) << step << ": " << output;
  }
  ASSERT_NE(Shell("zipinfo " + Quote(archive)).find("bzp2"), std::string::npos);
  std::string bytes = ReadAll(archive);
  size_t at = bytes.find("STORED-DATA");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 's';  // the CRC no longer matches
  WriteAll(archive, bytes);

  std::string out = root_ / "out/";
  WriteAll(out + "stored.txt", "the copy from before");
  ExtractReport report = Extract(archive, out);
  EXPECT_EQ(report.extracted, 2);
  EXPECT_EQ(report.skipped, 3);
  EXPECT_TRUE(report.refused.empty());
  // Each skipped entry is named with the reason.
  ASSERT_EQ(report.damaged.size(), 3u);
  EXPECT_EQ(report.damaged[0], "secret.txt: it is encrypted");
  EXPECT_EQ(report.damaged[1].rfind("stored.txt: its data is damaged", 0), 0u)
      << report.damaged[1];
  EXPECT_EQ(report.damaged[2],
            "bz.txt: it is compressed with method 12, which cannot be read");
  // A damaged entry leaves the existing file as it was, and no part behind.
  EXPECT_EQ(Tree(out),
            (std::set<std::string>{"good1.txt", "good2.txt", "stored.txt"}));
  EXPECT_EQ(ReadAll(out + "stored.txt"), "the copy from before");
  EXPECT_EQ(ReadAll(out + "good2.txt"), std::string(5000, 'g'));
}

// A ZIP with a small file, a 1 GB entry of zeros (about 1 MB compressed)
// declaring its size (honest) or 1000 bytes, and another small file. zlib's
// blocks ending in a sync flush can be repeated, so the bomb is made in well
// under a second.
std::string MakeBomb(const testing::TempRoot& root, const std::string& file,
                     bool honest) {
  std::string script = R"PY(
import struct, sys, zlib
out, kind = sys.argv[1], sys.argv[2]
block = bytes(1 << 24)
c = zlib.compressobj(9, zlib.DEFLATED, -15)
data = (c.compress(block) + c.flush(zlib.Z_SYNC_FLUSH)) * 64 + b'\x03\x00'
crc = 0
for _ in range(64): crc = zlib.crc32(block, crc)
size = (1 << 24) * 64 if kind == 'honest' else 1000
entries = [(b'before.txt', 0, b'before', zlib.crc32(b'before'), 6),
           (b'big.bin', 8, data, crc, size),
           (b'after.txt', 0, b'after', zlib.crc32(b'after'), 5)]
body, central = b'', b''
for name, method, payload, crc, size in entries:
    central += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, method,
        0, 0x21, crc, len(payload), size, len(name), 0, 0, 0, 0, 0, len(body)) + name
    body += struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, method, 0, 0x21, crc,
        len(payload), size, len(name), 0) + name + payload
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 3, 3, len(central), len(body), 0)
open(out, 'wb').write(body + central + end)
)PY";
  WriteAll(root / "bomb.py", script);
  std::string path = root / file;
  int code = 0;
  std::string output = Shell("python3 " + Quote(root / "bomb.py") + " " +
                                 Quote(path) + (honest ? " honest" : " liar"),
                             &code);
  EXPECT_EQ(code, 0) << output;
  return path;
}

TEST_F(ZipArchiveTest, ZipBombsStopAtTheSizeBound) {
  ExtractOptions options;
  options.max_unpacked_bytes = 64u << 20;
  const auto largest = [](const std::string& folder) {
    std::uintmax_t most = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
      if (e.is_regular_file()) most = std::max(most, e.file_size());
    }
    return most;
  };

  // An honest 1 GB entry: refused whole before anything is written.
  std::string honest = MakeBomb(root_, "honest.zip", /*honest=*/true);
  ASSERT_NE(Shell("unzip -l " + Quote(honest)).find("1073741824"),
            std::string::npos);
  std::string out = root_ / "out1/";
  Result<ExtractReport> refused = ExtractArchive(honest, out, options);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.status().message().find("would unpack to 1073741835 bytes"),
            std::string::npos)
      << refused.status().message();
  EXPECT_FALSE(Exists(out));

  // An entry that claims 1000 bytes and inflates to 1 GB is cut off early
  // and counted as damaged; the entries after it still come out.
  std::string liar = MakeBomb(root_, "liar.zip", /*honest=*/false);
  out = root_ / "out2/";
  ExtractReport report = Extract(liar, out, options);
  EXPECT_FALSE(report.size_limit_reached);
  EXPECT_EQ(report.extracted, 2);
  EXPECT_EQ(report.skipped, 1);
  EXPECT_EQ(Tree(out), (std::set<std::string>{"before.txt", "after.txt"}));
  EXPECT_LE(largest(out), options.max_unpacked_bytes);

  // A bound below what the entries declare refuses the archive whole.
  options.max_unpacked_bytes = 8;
  out = root_ / "out3/";
  EXPECT_FALSE(ExtractArchive(liar, out, options).ok());
  EXPECT_FALSE(Exists(out));
}

// The overlapping construction: each local header but the last is followed
// by a stored deflate block that quotes the next local header, so every
// entry's data runs on through all later headers into one shared kernel.
// `files` entries of `kernel` bytes each come from a few kilobytes.
std::string OverlapBomb(int files, size_t kernel, std::uint64_t* unpacked) {
  std::string plain(kernel, 'a');
  std::string packed(compressBound(static_cast<uLong>(kernel)), '\0');
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  zs.next_in = reinterpret_cast<Bytef*>(plain.data());
  zs.avail_in = static_cast<uInt>(plain.size());
  zs.next_out = reinterpret_cast<Bytef*>(packed.data());
  zs.avail_out = static_cast<uInt>(packed.size());
  EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  packed.resize(zs.total_out);
  deflateEnd(&zs);
  uLong kernel_crc = crc32(0, reinterpret_cast<const Bytef*>(plain.data()),
                           static_cast<uInt>(plain.size()));

  auto le = [](std::string* out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
  };
  struct Entry {
    std::string name, header;
    std::uint32_t crc, comp, size;
  };
  std::vector<Entry> entries(static_cast<size_t>(files));
  std::string after;  // the headers (with their quoting blocks) that follow
  *unpacked = 0;
  for (int i = files - 1; i >= 0; --i) {
    Entry& e = entries[static_cast<size_t>(i)];
    char name[16];
    std::snprintf(name, sizeof name, "f%03d.txt", i);
    e.name = name;
    // What this entry inflates to: every later header, then the kernel.
    std::string quoted;
    for (int j = i + 1; j < files; ++j) quoted += entries[static_cast<size_t>(j)].header;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(quoted.data()),
                      static_cast<uInt>(quoted.size()));
    e.crc = static_cast<std::uint32_t>(crc32_combine(crc, kernel_crc, static_cast<z_off_t>(kernel)));
    e.size = static_cast<std::uint32_t>(quoted.size() + kernel);
    std::string quote;  // the stored block quoting the next header
    if (i + 1 < files) {
      auto length = static_cast<std::uint32_t>(entries[static_cast<size_t>(i) + 1].header.size());
      quote.push_back('\0');
      le(&quote, length, 2);
      le(&quote, ~length & 0xffff, 2);
    }
    e.comp = static_cast<std::uint32_t>(quote.size() + after.size() + packed.size());
    le(&e.header, 0x04034b50, 4);
    le(&e.header, 20, 2);
    le(&e.header, 0, 2);
    le(&e.header, 8, 2);
    le(&e.header, 0, 2);
    le(&e.header, 0x21, 2);
    le(&e.header, e.crc, 4);
    le(&e.header, e.comp, 4);
    le(&e.header, e.size, 4);
    le(&e.header, static_cast<std::uint32_t>(e.name.size()), 2);
    le(&e.header, 0, 2);
    e.header += e.name;
    after = e.header + quote + after;
    *unpacked += e.size;
  }
  // `after` now holds the first header onwards, less the kernel.
  std::string body = after + packed;
  std::string central;
  std::uint32_t offset = 0;
  for (int i = 0; i < files; ++i) {
    const Entry& e = entries[static_cast<size_t>(i)];
    le(&central, 0x02014b50, 4);
    le(&central, 20, 2);
    le(&central, 20, 2);
    le(&central, 0, 2);
    le(&central, 8, 2);
    le(&central, 0, 2);
    le(&central, 0x21, 2);
    le(&central, e.crc, 4);
    le(&central, e.comp, 4);
    le(&central, e.size, 4);
    le(&central, static_cast<std::uint32_t>(e.name.size()), 2);
    for (int k = 0; k < 6; ++k) le(&central, 0, 2);
    le(&central, offset, 4);
    central += e.name;
    offset += static_cast<std::uint32_t>(e.header.size()) + (i + 1 < files ? 5 : 0);
  }
  std::string end;
  le(&end, 0x06054b50, 4);
  le(&end, 0, 4);
  le(&end, static_cast<std::uint32_t>(files), 2);
  le(&end, static_cast<std::uint32_t>(files), 2);
  le(&end, static_cast<std::uint32_t>(central.size()), 4);
  le(&end, static_cast<std::uint32_t>(body.size()), 4);
  le(&end, 0, 2);
  return body + central + end;
}

TEST_F(ZipArchiveTest, OverlappingEntriesAreRefusedBeforeAnythingIsWritten) {
  std::uint64_t unpacked = 0;
  std::string bomb = OverlapBomb(60, 4u << 20, &unpacked);
  WriteAll(root_ / "overlap.zip", bomb);
  // A real bomb: the first entry alone inflates, CRC and all, to all the
  // later headers and the kernel; Info-ZIP's unzip knows the pattern.
  RawZip raw = ParseZip(bomb);
  ASSERT_EQ(raw.entries.size(), 60u);
  EXPECT_EQ(Crc(Inflate(raw.entries[0].data, raw.entries[0].size)), raw.entries[0].crc);
  EXPECT_GT(unpacked, 1000 * bomb.size());
  EXPECT_NE(Shell("unzip -tq " + Quote(root_ / "overlap.zip")).find("possible zip bomb"),
            std::string::npos);

  std::string out = root_ / "out/";
  Result<ExtractReport> report = ExtractArchive(root_ / "overlap.zip", out, Mapped());
  ASSERT_FALSE(report.ok());
  EXPECT_NE(report.status().message().find("share their data"), std::string::npos)
      << report.status().message();
  EXPECT_FALSE(Exists(out));
}

TEST_F(ZipArchiveTest, NamesThatMeanTheSamePlaceRefuseTheWholeArchive) {
  const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>
      cases = {
          {"twice", {{"db/Events.db", "one"}, {"config/a.ini", "a"}, {"db/Events.db", "two"}}},
          {"in two spellings", {{"db/Events.db", "one"}, {"DB/events.db", "two"}}},
          {"a file where a folder belongs", {{"db", "stray"}, {"db/Events.db", "events"}}},
          {"a folder below a file", {{"include/logo", "file"}, {"Include/Logo/x.png", "x"}}},
      };
  for (const auto& [what, entries] : cases) {
    SCOPED_TRACE(what);
    std::string archive = PythonZip("dup.zip", entries);
    std::string out = root_ / "out/";
    Result<ExtractReport> report = ExtractArchive(archive, out, Mapped());
    ASSERT_FALSE(report.ok());
    EXPECT_NE(report.status().message().find(archive + " is refused: it holds"),
              std::string::npos)
        << report.status().message();
    EXPECT_FALSE(Exists(out));
  }
  // A lone file named like a calendar folder is refused, the rest extracted.
  std::string archive = PythonZip("stray.zip", {{"db", "stray"}, {"config/a.ini", "a"}});
  ExtractReport report = Extract(archive, root_ / "out2/");
  EXPECT_EQ(report.refused, std::vector<std::string>{"db"});
  EXPECT_EQ(Tree(root_ / "out2/"), (std::set<std::string>{"Config/", "Config/a.ini"}));
}

TEST_F(ZipArchiveTest, AFailedExtractionRemovesWhatItWrote) {
  std::string archive = PythonZip(
      "big.zip", {{"a.txt", "first"},
                  {"sub/deeper/b.txt", "second"},
                  {"sub/big.bin", RandomBytes(1u << 20, 7)},
                  {"z.txt", "never reached"}});
  std::string out = root_ / "out/";
  WriteAll(out + "kept.txt", "was here before");
  // A child whose files may not grow past 256 KB: the big entry fails half
  // way, as on a full disk.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {256u << 10, 256u << 10};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Result<ExtractReport> report = ExtractArchive(archive, out, Mapped());
    ::_exit(report.ok() ? 0 : 3);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(Tree(out), std::set<std::string>{"kept.txt"});

  // Into a folder of its own: nothing is left, not even the folder.
  std::string fresh = root_ / "fresh/";
  child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {256u << 10, 256u << 10};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(ExtractArchive(archive, fresh, Mapped()).ok() ? 0 : 3);
  }
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_FALSE(Exists(fresh));
}

TEST_F(ZipArchiveTest, NamesDifferingOnlyInCaseAreNotSavedTogether) {
  WriteAll(Wd() + "Attachments/Notes.txt", "one");
  WriteAll(Wd() + "Attachments/notes.txt", "two");
  Status status = WriteArchive(root_ / "x.cal", {{Wd() + "Attachments", "attachments"}});
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("differ only in case"), std::string::npos)
      << status.message();
  EXPECT_FALSE(Exists(root_ / "x.cal"));
}

// ---- archives that cannot be opened --------------------------------------

TEST_F(ZipArchiveTest, BadArchivesFailAndLeaveTheTargetAlone) {
  WriteAll(Wd() + "DB/Events.db", RandomBytes(100000, 4));
  std::string good = root_ / "good.zip";
  ASSERT_TRUE(WriteArchive(good, {{Wd() + "DB", "db"}}).ok());
  std::string good_bytes = ReadAll(good);
  WriteAll(root_ / "text.zip", "This is a note, not an archive.\n");
  WriteAll(root_ / "empty.zip", "");
  WriteAll(root_ / "half.zip", good_bytes.substr(0, good_bytes.size() / 2));
  std::string cut_end = good_bytes.substr(0, good_bytes.size() - 10);
  WriteAll(root_ / "cut-end.zip", cut_end);
  fs::create_directories(root_ / "folder.zip");

  std::string target = root_ / "target/";
  WriteAll(target + "marker.txt", "still here");
  for (const char* name : {"text.zip", "empty.zip", "half.zip", "cut-end.zip",
                           "missing.zip", "folder.zip"}) {
    SCOPED_TRACE(name);
    std::string archive = root_ / name;
    Result<ExtractReport> report = ExtractArchive(archive, target, Mapped());
    ASSERT_FALSE(report.ok());
    EXPECT_NE(report.status().message().find(archive), std::string::npos)
        << report.status().message();
    EXPECT_EQ(Tree(target), std::set<std::string>{"marker.txt"});
    EXPECT_EQ(ReadAll(target + "marker.txt"), "still here");
  }
  Result<ExtractReport> missing =
      ExtractArchive(root_ / "missing.zip", root_ / "never");
  EXPECT_EQ(missing.status().code(), Status::Code::kNotFound);
  EXPECT_FALSE(Exists(root_ / "never"));
}

// ---- saving over an existing archive ---------------------------------------

TEST_F(ZipArchiveTest, AFailedSaveLeavesTheOldArchiveAsItWas) {
  for (int i = 0; i < 10; ++i) {
    WriteAll(Wd() + "Attachments/f" + std::to_string(i) + ".txt",
             std::string(1000 + i, 'a' + i));
  }
  std::string archive = root_ / "saves/x.cal";
  fs::create_directories(root_ / "saves");
  std::vector<ArchiveRoot> roots = {{Wd() + "Attachments", "attachments"}};
  ASSERT_TRUE(WriteArchive(archive, roots).ok());
  std::string before = ReadAll(archive);

  // A file turns into a folder while the archive is being written.
  ArchiveOptions options;
  options.progress = [&](int done, int) {
    if (done == 2) {
      fs::remove(Wd() + "Attachments/f9.txt");
      fs::create_directory(Wd() + "Attachments/f9.txt");
    }
  };
  Status status = WriteArchive(archive, roots, options);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("f9.txt"), std::string::npos)
      << status.message();
  EXPECT_TRUE(ReadAll(archive) == before);
  EXPECT_EQ(Tree(root_ / "saves"), std::set<std::string>{"x.cal"});

  // A target whose folder cannot exist: the parent is a file.
  WriteAll(root_ / "plain-file", "not a folder");
  status = WriteArchive(root_ / "plain-file/x.cal", roots);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("plain-file/x.cal"), std::string::npos);
  EXPECT_EQ(ReadAll(root_ / "plain-file"), "not a folder");

  // A target that is a folder is not replaced.
  fs::create_directories(root_ / "saves/folder.cal/inside");
  EXPECT_FALSE(WriteArchive(root_ / "saves/folder.cal", roots).ok());
  EXPECT_TRUE(fs::is_directory(root_ / "saves/folder.cal/inside"));
}

TEST_F(ZipArchiveTest, ASaveKilledHalfWayLeavesTheOldArchiveAsItWas) {
  WriteAll(Wd() + "DB/Events.db", "events");
  std::string archive = root_ / "saves/x.cal";
  fs::create_directories(root_ / "saves");
  ASSERT_TRUE(WriteArchive(archive, {{Wd() + "DB", "db"}}).ok());
  std::string before = ReadAll(archive);
  for (int i = 0; i < 5; ++i) {
    WriteAll(Wd() + "Attachments/big" + std::to_string(i) + ".bin",
             RandomBytes(20u << 20, 10 + i));
  }

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Status status = WriteArchive(
        archive, {{Wd() + "DB", "db"}, {Wd() + "Attachments", "attachments"}});
    ::_exit(status.ok() ? 0 : 1);
  }
  // Wait until the child is writing, then kill it in the middle.
  bool writing = false;
  for (int i = 0; i < 500 && !writing; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    writing = Tree(root_ / "saves").size() > 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  ::kill(child, SIGKILL);
  int wait_status = 0;
  ::waitpid(child, &wait_status, 0);
  EXPECT_TRUE(writing);
  ASSERT_TRUE(WIFSIGNALED(wait_status)) << "the save finished before the kill";

  EXPECT_TRUE(ReadAll(archive) == before);
  int code = 0;
  std::string test = Shell("unzip -t " + Quote(archive), &code);
  EXPECT_EQ(code, 0) << test;
  // The temporary file beside the archive may be left behind; it is never
  // the archive.
  for (const std::string& name : Tree(root_ / "saves")) {
    EXPECT_TRUE(name == "x.cal" || name.rfind(".x.cal.tmp", 0) == 0) << name;
  }
}

// Opening a calendar file unpacks into a folder emptied just before, so new
// files go straight under their names: the same guarantees must hold as
// with a temporary name renamed into place.
TEST_F(ZipArchiveTest, NewFilesWrittenInPlaceKeepTheSameGuarantees) {
  std::string archive = PythonZip(
      "inplace.zip", {{"good.txt", "GOOD-DATA"},
                      {"new.txt", "NEW-DATA-THAT-GETS-DAMAGED"},
                      {"old.txt", "OLD-DATA-THAT-GETS-DAMAGED"},
                      {"sub/c.txt", "C-DATA"}});
  std::string bytes = ReadAll(archive);
  for (const char* data : {"NEW-DATA", "OLD-DATA"}) {
    size_t at = bytes.find(data);
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'x';  // the CRC no longer matches
  }
  WriteAll(archive, bytes);
  ExtractOptions options = Mapped();
  options.new_files_in_place = true;

  std::string out = root_ / "out/";
  WriteAll(out + "old.txt", "the copy from before");
  ExtractReport report = Extract(archive, out, options);
  EXPECT_EQ(report.extracted, 2);
  EXPECT_EQ(report.skipped, 2);
  // A damaged entry leaves no file where there was none, the existing file
  // as it was, and no part behind.
  EXPECT_EQ(Tree(out), (std::set<std::string>{"good.txt", "old.txt", "sub/", "sub/c.txt"}));
  EXPECT_EQ(ReadAll(out + "old.txt"), "the copy from before");
  EXPECT_EQ(ReadAll(out + "good.txt"), "GOOD-DATA");
  struct stat st {};
  ASSERT_EQ(::stat((out + "good.txt").c_str(), &st), 0);
  EXPECT_LT(st.st_mtime, 400000000) << "the entry's 1980 time, not the extraction's";

  // Failing half-way (a full disk) takes back every file it made.
  std::string big = PythonZip("big-inplace.zip", {{"a.txt", "first"},
                                                  {"sub/big.bin", RandomBytes(1u << 20, 9)},
                                                  {"z.txt", "never reached"}});
  std::string fresh = root_ / "fresh/";
  WriteAll(fresh + "kept.txt", "was here before");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {256u << 10, 256u << 10};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(ExtractArchive(big, fresh, options).ok() ? 0 : 3);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(Tree(fresh), std::set<std::string>{"kept.txt"});
}

// ---- archives from other writers ------------------------------------------

// Runs a Python script with the given arguments; fails the test on error.
void RunPython(const std::string& folder, const std::string& script,
               const std::string& arguments) {
  WriteAll(folder + "/script.py", script);
  int code = 0;
  std::string output =
      Shell("python3 " + Quote(folder + "/script.py") + " " + arguments, &code);
  ASSERT_EQ(code, 0) << output;
}

TEST_F(ZipArchiveTest, ArchivesFromOtherWritersComeOutWhole) {
  testing::ScopedTimeZone zone("Europe/Berlin");
  const time_t when = 1267799258;  // 2010-03-05 14:27:38 UTC, even
  std::string src = root_ / "src/";
  const std::string events = RandomBytes(30000, 7) + std::string(40000, 'e');
  WriteAll(src + "db/Events.db", events);
  WriteAll(src + "db/empty.db", "");
  WriteAll(src + "config/application.ini", "[General]\nLanguage=English\n");
  for (const char* file :
       {"db/Events.db", "db/empty.db", "config/application.ini"}) {
    SetMtime(src + file, when);
  }
  const std::string files = "db/Events.db db/empty.db config/application.ini";
  std::string cd = "cd " + Quote(src) + " && ";
  // Info-ZIP: ZIP64 records forced on a small archive; streamed to a pipe,
  // so every entry has a data descriptor; descriptors forced on a file;
  // stored; a comment that holds an end-record signature of its own.
  struct Made {
    const char* name;
    std::string command;
  };
  std::vector<Made> made = {
      {"zip64.zip", "zip -q -fz ../zip64.zip " + files},
      {"streamed.zip", "zip -q - " + files + " | cat > ../streamed.zip"},
      {"descriptors.zip", "zip -q -fd ../descriptors.zip " + files},
      {"stored.zip", "zip -q -0 ../stored.zip " + files},
      {"comment.zip", "zip -q ../comment.zip " + files +
                          " && printf 'see PK\\005\\006 here\\n' | "
                          "zip -q -z ../comment.zip"},
  };
  for (const Made& m : made) {
    int code = 0;
    std::string output = Shell(cd + m.command, &code);
    ASSERT_EQ(code, 0) << m.command << ": " << output;
  }
  // Python: a ZIP64 extra field in the local header only, entries in the
  // directory in another order than their data, a folder entry, mixed
  // methods, an extra field of an unknown kind and an archive comment.
  RunPython(root_.path(), R"(
import sys, zipfile, struct
src, out = sys.argv[1], sys.argv[2]
def info(name, method):
    i = zipfile.ZipInfo(name, date_time=(2010, 3, 5, 15, 27, 38))
    i.compress_type = method
    i.external_attr = 0o100644 << 16
    return i
with zipfile.ZipFile(out, 'w') as z:
    with z.open(info('db/Events.db', zipfile.ZIP_DEFLATED), 'w',
                force_zip64=True) as f:
        f.write(open(src + 'db/Events.db', 'rb').read())
    d = zipfile.ZipInfo('config/', date_time=(2010, 3, 5, 15, 27, 38))
    d.external_attr = 0o40755 << 16 | 0x10
    z.writestr(d, b'')
    i = info('config/application.ini', zipfile.ZIP_STORED)
    i.extra = struct.pack('<HH4s', 0xcafe, 4, b'odd!')
    z.writestr(i, open(src + 'config/application.ini', 'rb').read())
    z.writestr(info('db/empty.db', zipfile.ZIP_DEFLATED), b'')
    z.filelist.reverse()
    z.comment = b'made by hand'
)",
            Quote(src) + " " + Quote(root_ / "python.zip"));
  made.push_back({"python.zip", ""});

  for (const Made& m : made) {
    SCOPED_TRACE(m.name);
    std::string out = root_ / ("out-" + std::string(m.name) + "/");
    ExtractReport report = Extract(root_ / m.name, out);
    EXPECT_EQ(report.extracted, 3);
    EXPECT_EQ(report.skipped, 0);
    EXPECT_TRUE(report.damaged.empty()) << report.damaged.front();
    EXPECT_TRUE(ReadAll(out + "DB/Events.db") == events);
    EXPECT_EQ(ReadAll(out + "DB/empty.db"), "");
    EXPECT_EQ(ReadAll(out + "Config/application.ini"),
              "[General]\nLanguage=English\n");
    // DOS times are local: 15:27:38 in Berlin.
    EXPECT_EQ(MtimeOf(out + "DB/Events.db"), when);
    EXPECT_EQ(MtimeOf(out + "Config/application.ini"), when);
  }
  // The pipe really did give descriptors, and the Python archive really
  // lists its entries against the order of their data.
  EXPECT_NE(Shell("zipinfo -v " + Quote(root_ / "streamed.zip"))
                .find("extended local header:                          yes"),
            std::string::npos);
  RawZip python = ParseZip(ReadAll(root_ / "python.zip"));
  ASSERT_EQ(python.entries.size(), 4u);
  EXPECT_GT(python.entries[0].local_offset, python.entries[3].local_offset);
  EXPECT_EQ(python.comment_length, 12);
}

TEST_F(ZipArchiveTest, NamesWithoutTheUtf8FlagAreReadAsCodePage437) {
  // Old writers stored names in code page 437 without the flag; a name
  // with the flag is UTF-8. Info-ZIP adds a Unicode path field that names
  // the entry while its CRC matches the raw name.
  RunPython(root_.path(), R"(
import sys, zipfile, struct, zlib
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('GrXYe.txt', b'cp437')
    z.writestr('日本.txt', b'utf-8')
    raw = 'Name.txt'.encode()
    unicode = 'Näme.txt'.encode()
    i = zipfile.ZipInfo('Name.txt')
    i.extra = struct.pack('<HHBI', 0x7075, 5 + len(unicode), 1,
                          zlib.crc32(raw)) + unicode
    z.writestr(i, b'unicode path')
    stale = zipfile.ZipInfo('Stale.txt')
    stale.extra = struct.pack('<HHBI', 0x7075, 5 + len(unicode), 1,
                              zlib.crc32(b'other')) + unicode
    z.writestr(stale, b'stale path')
data = open(sys.argv[1], 'rb').read()
open(sys.argv[1], 'wb').write(data.replace(b'GrXYe', b'Gr\x81\xe1e'))
)",
            Quote(root_ / "names.zip"));
  RawZip zip = ParseZip(ReadAll(root_ / "names.zip"));
  ASSERT_EQ(zip.entries.size(), 4u);
  EXPECT_EQ(zip.entries[0].name, "Gr\x81\xe1" "e.txt");
  EXPECT_EQ(zip.entries[0].flags & 0x800, 0);
  std::string out = root_ / "out/";
  ExtractReport report = Extract(root_ / "names.zip", out);
  EXPECT_EQ(report.extracted, 4);
  EXPECT_EQ(Tree(out), (std::set<std::string>{"Grüße.txt", "日本.txt",
                                              "Näme.txt", "Stale.txt"}));
  EXPECT_EQ(ReadAll(out + "Grüße.txt"), "cp437");
  EXPECT_EQ(ReadAll(out + "Näme.txt"), "unicode path");
}

TEST_F(ZipArchiveTest, WhatWeWriteIsReadByInfoZipAndPython) {
  MakeWorkingFolder();
  WriteAll(Wd() + "Attachments/Büro/Grüße.txt", "Hallo\n");
  std::string archive = root_ / "x.cal";
  ASSERT_TRUE(WriteArchive(archive, Roots()).ok());
  int code = 0;
  std::string test = Shell("unzip -t " + Quote(archive), &code);
  EXPECT_EQ(code, 0) << test;
  // Python checks every CRC and prints each name with its size.
  RunPython(root_.path(), R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    if bad: sys.exit('bad entry ' + bad)
    for i in z.infolist():
        print(i.filename, i.file_size, len(z.read(i)), i.create_system)
)",
            Quote(archive) + " > " + Quote(root_ / "listing.txt"));
  std::vector<std::string> lines = Lines(ReadAll(root_ / "listing.txt"));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0], "db/ 0 0 3");
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "attachments/Büro/Grüße.txt 6 6 3"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "attachments/Work/2010-3-05/photo.jpg 40000 40000 3"),
            lines.end());
}

TEST_F(ZipArchiveTest, EntryCountsPastTheLimitGetZip64Records) {
  // 65,536 folders and two files: one entry more than the plain end record
  // can count, made cheaply of empty folders.
  for (int i = 0; i < 256; ++i) {
    std::string group = Wd() + "Attachments/g" + std::to_string(i) + "/";
    fs::create_directories(group);
    for (int j = 0; j < 255; ++j) {
      ASSERT_EQ(::mkdir((group + std::to_string(j)).c_str(), 0755), 0);
    }
  }
  WriteAll(Wd() + "Attachments/g0/first.txt", "first");
  WriteAll(Wd() + "Attachments/last.txt", "last");
  std::string archive = root_ / "many.cal";
  ASSERT_TRUE(
      WriteArchive(archive, {{Wd() + "Attachments", "attachments"}}).ok());
  const size_t entries = 1 + 256 * 256 + 2;
  std::string bytes = ReadAll(archive);
  // The plain end record says "see the ZIP64 one".
  size_t end = bytes.rfind(std::string("PK\5\6", 4));
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(Le(bytes, end + 10, 2), 0xffffu);
  EXPECT_EQ(bytes.compare(end - 20, 4, "PK\6\7"), 0);

  int code = 0;
  std::string test = Shell("unzip -tq " + Quote(archive), &code);
  EXPECT_EQ(code, 0) << test;
  RunPython(root_.path(), R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print(len(z.infolist()), z.read('attachments/last.txt').decode())
)",
            Quote(archive) + " > " + Quote(root_ / "count.txt"));
  EXPECT_EQ(ReadAll(root_ / "count.txt"),
            std::to_string(entries) + " last\n");

  std::string out = root_ / "out/";
  ExtractReport report = Extract(archive, out);
  EXPECT_EQ(report.extracted, 2);
  EXPECT_TRUE(fs::is_directory(out + "Attachments/g255/254"));
  EXPECT_EQ(ReadAll(out + "Attachments/g0/first.txt"), "first");
}

// ---- damaged directories ---------------------------------------------------

void Put(std::string* bytes, size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) {
    (*bytes)[at + i] = static_cast<char>(value >> (8 * i) & 0xff);
  }
}

TEST_F(ZipArchiveTest, DamagedDirectoriesAreRefusedBeforeAnythingIsWritten) {
  WriteAll(Wd() + "DB/Events.db", RandomBytes(5000, 5) + std::string(9000, 'x'));
  WriteAll(Wd() + "DB/Other.db", std::string(3000, 'o'));
  std::string good = root_ / "good.zip";
  ASSERT_TRUE(WriteArchive(good, {{Wd() + "DB", "db"}}).ok());
  const std::string bytes = ReadAll(good);
  const RawZip zip = ParseZip(bytes);
  ASSERT_EQ(zip.entries.size(), 3u);
  const size_t end = bytes.size() - 22;
  const size_t directory = Le(bytes, end + 16, 4);
  const size_t events_local = zip.entries[1].local_offset;
  const size_t events_central =
      directory + 46 + zip.entries[0].name.size();  // the second header

  // Each case: how the bytes are changed, and a word its message holds.
  struct Case {
    const char* what;
    std::function<void(std::string*)> change;
    const char* says;
  };
  std::vector<Case> cases = {
      {"the directory cut short, the end record moved up to it",
       [&](std::string* b) {
         std::string end_record = b->substr(end);
         b->resize(end - 10);
         Put(&end_record, 12, end - 10 - directory, 4);
         b->append(end_record);
       },
       "directory cannot be read"},
      {"one entry more counted than the directory holds",
       [&](std::string* b) {
         Put(b, end + 8, 4, 2);
         Put(b, end + 10, 4, 2);
       },
       "directory cannot be read"},
      {"a local name that differs from the directory's",
       [&](std::string* b) { (*b)[events_local + 30 + 3] = 'X'; },
       "damaged ZIP archive"},
      {"a local method that differs", [&](std::string* b) {
         Put(b, events_local + 8, 0, 2);
       },
       "damaged ZIP archive"},
      {"a local CRC that differs", [&](std::string* b) {
         Put(b, events_local + 14, 0x12345678, 4);
       },
       "damaged ZIP archive"},
      {"a local header offset past the directory", [&](std::string* b) {
         Put(b, events_central + 42, end, 4);
       },
       "directory cannot be read"},
      {"bytes after the end record", [&](std::string* b) { *b += "junk"; },
       "damaged ZIP archive"},
      {"bytes before the archive", [&](std::string* b) {
         b->insert(0, "#!/bin/sh\n");
       },
       "not a ZIP archive"},
      {"a ZIP64 locator naming no record", [&](std::string* b) {
         std::string locator("PK\6\7", 4);
         locator += std::string(16, '\0');
         Put(&locator, 8, 3, 8);
         Put(&locator, 16, 1, 4);
         b->insert(end, locator);
         Put(b, end + 20 + 16, directory, 4);
       },
       "damaged ZIP archive"},
      {"a ZIP64 size claimed without its field", [&](std::string* b) {
         Put(b, events_central + 24, 0xffffffff, 4);
       },
       "damaged ZIP archive"},
  };
  std::string target = root_ / "target/";
  WriteAll(target + "marker.txt", "still here");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string changed = bytes;
    c.change(&changed);
    std::string archive = root_ / "changed.zip";
    WriteAll(archive, changed);
    Result<ExtractReport> report = ExtractArchive(archive, target, Mapped());
    ASSERT_FALSE(report.ok());
    EXPECT_NE(report.status().message().find(c.says), std::string::npos)
        << report.status().message();
    EXPECT_NE(report.status().message().find(archive), std::string::npos);
    EXPECT_EQ(Tree(target), std::set<std::string>{"marker.txt"});
  }
}

TEST_F(ZipArchiveTest, DamagedDataIsSkippedAndTheRestExtracted) {
  const std::string events = RandomBytes(5000, 6) + std::string(9000, 'x');
  WriteAll(Wd() + "DB/Events.db", events);
  WriteAll(Wd() + "DB/Other.db", std::string(3000, 'o'));
  std::string good = root_ / "good.zip";
  ASSERT_TRUE(WriteArchive(good, {{Wd() + "DB", "db"}}).ok());
  const std::string bytes = ReadAll(good);
  const RawZip zip = ParseZip(bytes);
  ASSERT_EQ(zip.entries[1].name, "db/Events.db");
  const size_t directory = Le(bytes, bytes.size() - 22 + 16, 4);
  const size_t local = zip.entries[1].local_offset;
  const size_t central = directory + 46 + zip.entries[0].name.size();
  const size_t data = local + 30 + zip.entries[1].name.size();

  struct Case {
    const char* what;
    std::function<void(std::string*)> change;
  };
  std::vector<Case> cases = {
      {"a CRC that does not match the data, in both headers",
       [&](std::string* b) {
         Put(b, local + 14, zip.entries[1].crc ^ 1, 4);
         Put(b, central + 16, zip.entries[1].crc ^ 1, 4);
       }},
      {"a size one byte short, in both headers",
       [&](std::string* b) {
         Put(b, local + 22, events.size() - 1, 4);
         Put(b, central + 24, events.size() - 1, 4);
       }},
      {"deflate data that breaks off", [&](std::string* b) {
         // A stored block's length and its complement no longer agree, or
         // the first block has the reserved type.
         (*b)[data] = static_cast<char>(0x07);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string changed = bytes;
    c.change(&changed);
    std::string archive = root_ / "changed.zip";
    WriteAll(archive, changed);
    std::string out = root_ / "out/";
    fs::remove_all(out);
    ExtractReport report = Extract(archive, out);
    EXPECT_EQ(report.extracted, 1);
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_EQ(report.damaged[0].rfind("db/Events.db: its data is damaged", 0),
              0u)
        << report.damaged[0];
    EXPECT_EQ(Tree(out), (std::set<std::string>{"DB/", "DB/Other.db"}));
  }
}

TEST_F(ZipArchiveTest, HeaderClaimsAreCheckedBeforeAnythingIsAllocated) {
  // A ZIP64 end record that claims 2^60 entries in an empty directory:
  // refused at once, not after an attempt to make room for them.
  std::string bytes;
  auto put = [&](std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
      bytes.push_back(static_cast<char>(value >> (8 * i) & 0xff));
    }
  };
  put(0x06064b50, 4);
  put(44, 8);
  put(0x031e, 2);
  put(45, 2);
  put(0, 4);
  put(0, 4);
  put(1ull << 60, 8);
  put(1ull << 60, 8);
  put(0, 8);
  put(0, 8);
  put(0x07064b50, 4);
  put(0, 4);
  put(0, 8);
  put(1, 4);
  put(0x06054b50, 4);
  put(0, 4);
  put(0xffff, 2);
  put(0xffff, 2);
  put(0xffffffff, 4);
  put(0xffffffff, 4);
  put(0, 2);
  std::string archive = root_ / "claims.zip";
  WriteAll(archive, bytes);
  Result<ExtractReport> report = ExtractArchive(archive, root_ / "out");
  ASSERT_FALSE(report.ok());
  EXPECT_NE(report.status().message().find("directory cannot be read"),
            std::string::npos)
      << report.status().message();
  EXPECT_FALSE(Exists(root_ / "out"));
}

}  // namespace
}  // namespace almanix::store
