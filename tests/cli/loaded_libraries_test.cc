#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/scoped_env.h"
#include "support/temp_root.h"

// The transfer, iCalendar, keyring and QR code libraries are opened by the
// commands that use them: a run that only opens or saves a calendar file
// never maps them, nor what they pull in. LD_DEBUG=files makes the dynamic
// loader name every library it maps.
namespace almanix {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::IsEmpty;
using testing::WriteAll;

const std::vector<std::string> kOnFirstUse = {"libcurl",   "libssl",  "libical",
                                              "libsecret", "libglib", "libgio",
                                              "libqrencode", "libgnutls", "libicu",
                                              "libcrypto"};
// Calendar files are ZIP archives read and written on zlib alone; a ZIP
// library would bring its compression and encryption libraries into every
// start.
const std::vector<std::string> kNever = {"libzip", "libbz2", "liblzma", "libzstd"};

class LoadedLibrariesTest : public ::testing::Test {
 protected:
  // The libraries the run mapped, by file name.
  std::set<std::string> Mapped(std::vector<std::string> args) {
    testing::ScopedEnv debug("LD_DEBUG", "files");
    testing::CliResult r = testing::RunCli(args, root_.path());
    EXPECT_EQ(r.code, 0) << r.err.substr(0, 4000);
    std::set<std::string> names;
    static const std::regex kFile(R"(file=(?:\S*/)?(lib[^ /\[]+) \[)");
    for (std::sregex_iterator it(r.err.begin(), r.err.end(), kFile), end; it != end; ++it) {
      names.insert((*it)[1].str());
    }
    return names;
  }

  static std::vector<std::string> OnFirstUse(const std::set<std::string>& mapped) {
    std::vector<std::string> found;
    for (const std::string& name : mapped) {
      for (const std::string& prefix : kOnFirstUse) {
        if (name.rfind(prefix, 0) == 0) found.push_back(name);
      }
      for (const std::string& prefix : kNever) {
        if (name.rfind(prefix, 0) == 0) found.push_back(name);
      }
    }
    return found;
  }

  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
};

TEST_F(LoadedLibrariesTest, OpeningAndSavingMapNoneOfThem) {
  const std::string cal = root_ / "club.cal";
  fs::copy_file(std::string(ALMANIX_SOURCE_DIR) + "/resources/samples/club.cal", cal);
  std::set<std::string> version = Mapped({"--version"});
  // The probe sees what is mapped at all.
  ASSERT_THAT(version, Contains("libc.so.6"));
  EXPECT_THAT(OnFirstUse(version), IsEmpty());
  EXPECT_THAT(OnFirstUse(Mapped({"--root", data_, "open", cal})), IsEmpty());
  EXPECT_THAT(OnFirstUse(Mapped({"--root", data_, "--calendar", cal, "save",
                                 root_ / "saved.cal"})),
              IsEmpty());
}

TEST_F(LoadedLibrariesTest, AnICalendarImportOpensLibical) {
  const std::string ics = root_ / "one.ics";
  WriteAll(ics,
           "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
           "UID:one@test\r\nDTSTAMP:20250101T000000Z\r\nDTSTART;VALUE=DATE:20250310\r\n"
           "SUMMARY:Meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  std::set<std::string> mapped =
      Mapped({"--root", data_, "import-ics", ics, "--category", "1"});
  EXPECT_THAT(mapped, Contains("libical.so.3"));
  EXPECT_THAT(mapped, ::testing::Not(Contains("libcurl.so.4")));
}

}  // namespace
}  // namespace almanix
