#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "app/config.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/scramble.h"
#include "support/test_program.h"
#include "generator/generator.h"
#include "publish/destination_fixture.h"
#include "publish/destinations.h"
#include "publish/ftp_engine.h"
#include "publish/ftp_upload.h"
#include "publish/host_trust.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"
#include "support/cli_runner.h"
#include "support/fake_ui.h"
#include "support/ftp_server.h"
#include "support/temp_root.h"

namespace almanix::publish {
namespace {

namespace fs = std::filesystem;
using almanix::testing::Exists;
using almanix::testing::FakeUi;
using almanix::testing::ReadAll;
using almanix::testing::TempRoot;
using almanix::testing::WriteAll;

// ---- Host names, listings and folders ----

TEST(FtpHosts, WwwHostIsTriedAsGivenThenWithFtpThenBare) {
  EXPECT_EQ(HostCandidates("www.example.org"),
            (std::vector<std::string>{"www.example.org", "ftp.example.org", "example.org"}));
}

TEST(FtpHosts, BareHostGetsBothPrefixesLast) {
  EXPECT_EQ(HostCandidates("example.org"),
            (std::vector<std::string>{"example.org", "ftp.example.org", "www.example.org"}));
}

TEST(FtpHosts, ReplacementsIgnoreCaseAndDuplicatesAreDropped) {
  EXPECT_EQ(HostCandidates("FTP.Example.org"),
            (std::vector<std::string>{"FTP.Example.org", "www.Example.org", "Example.org"}));
}

TEST(FtpHosts, SchemeSlashAndDoubledPrefixAreCleaned) {
  EXPECT_EQ(CleanHost("ftp://ftp.ftp.example.org/"), "ftp.example.org");
  EXPECT_EQ(CleanHost("FTP://www.www.example.org:2121/"), "www.example.org:2121");
  EXPECT_EQ(CleanHost("www.ftp.example.org"), "www.example.org");
  EXPECT_EQ(CleanHost("ftp.www.example.org"), "ftp.example.org");
}

TEST(FtpPaths, BackslashesAndDoubledSlashesAreNormalised) {
  EXPECT_EQ(NormaliseRemotePath("public_html\\\\calendar//x/"), "public_html/calendar/x/");
}

TEST(FtpListing, DirectoryLinesAndNames) {
  EXPECT_TRUE(IsDirectoryLine("drwxr-xr-x   2 u  g  4096 Jan 01 10:00 public_html"));
  EXPECT_TRUE(IsDirectoryLine("01-01-24  10:00AM       <DIR>          www"));
  EXPECT_FALSE(IsDirectoryLine("-rw-r--r--   1 u  g  12 Jan 01 10:00 index.html"));
  EXPECT_EQ(ListingName("drwxr-xr-x   2 u  g  4096 Jan 01 10:00 public_html\r"),
            "public_html");
}

TEST(FtpListing, SuggestionsAddCalendarToEveryFolder) {
  std::vector<std::string> listing = {
      "drwxr-xr-x   2 u  g  4096 Jan 01 10:00 public_html",
      "-rw-r--r--   1 u  g    12 Jan 01 10:00 notes.txt",
      "drwxr-xr-x   2 u  g  4096 Jan 01 10:00 calendar",
      "drwxr-xr-x   2 u  g  4096 Jan 01 10:00 public_html"};
  EXPECT_EQ(FolderSuggestions(listing),
            (std::vector<std::string>{"public_html/calendar/", "calendar/"}));
}

TEST(FtpSettings, ProtocolAndProxyTypesAreRead) {
  EXPECT_EQ(ParseFtpProtocol("ftps"), FtpProtocol::kFtps);
  EXPECT_EQ(ParseFtpProtocol("SFTP"), FtpProtocol::kSftp);
  EXPECT_EQ(ParseFtpProtocol("gopher"), FtpProtocol::kFtp);
  EXPECT_EQ(ParseFtpProxyType("User Site"), FtpProxyType::kUserSite);
  EXPECT_EQ(ParseFtpProxyType("Http Proxy With Ftp"), FtpProxyType::kHttpProxyWithFtp);
  EXPECT_EQ(ParseFtpProxyType("None"), FtpProxyType::kNone);
}

// ---- A real server on 127.0.0.1 ----

using almanix::testing::FtpServer;

using almanix::testing::HasPyftpdlib;
std::string Bytes(size_t n, char seed) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + (i * 7) % 61);
  return s;
}

class FtpUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasPyftpdlib()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
    fs::create_directories(home_);
    fs::create_directories(build_);
    WriteAll(build_ + "a.html", "<html>a</html>");
    WriteAll(build_ + "b.html", "<html>b</html>");
    WriteAll(build_ + "c.css", Bytes(300000, 'c'));
  }

  void Start(std::vector<std::string> extra = {}) {
    server_ = std::make_unique<FtpServer>(home_, root_ / "ftpd.log", std::move(extra));
    ASSERT_GT(server_->port(), 0) << ReadAll(root_ / "ftpd.log");
  }

  FtpUploadSettings Settings(const std::string& directory) {
    FtpUploadSettings s;
    s.host = server_->host();
    s.directory = directory;
    s.connection.user = "test";
    s.connection.password = "secret";
    s.connection.connect_timeout_seconds = 5;
    s.connection.response_timeout_seconds = 10;
    s.connection.stall_seconds = 10;
    return s;
  }

  FtpUploadOptions Options() {
    FtpUploadOptions o;
    o.clock = [] { return std::time_t{3600 * 13 + 60 * 5 + 9}; };  // 13:05:09 in UTC
    return o;
  }

  FtpUploadResult Publish(const FtpUploadSettings& s, FtpUploadOptions o) {
    engine_ = MakeCurlFtpEngine(s.connection);
    upload_ = std::make_unique<FtpUpload>(*engine_, ui_, nullptr, s, std::move(o));
    return upload_->PublishFiles(build_);
  }
  FtpUploadResult Publish(const std::string& directory) {
    return Publish(Settings(directory), Options());
  }

  bool Logged(const std::string& line) const {
    const auto& lines = upload_->log_lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool LeftoverTempFiles() const {
    for (auto& e : fs::recursive_directory_iterator(home_)) {
      if (e.path().filename().string().find(".part") != std::string::npos) return true;
    }
    return false;
  }
  void ExpectArrived(const std::string& folder) {
    for (const char* name : {"a.html", "b.html", "c.css"}) {
      EXPECT_EQ(ReadAll(home_ + folder + name), ReadAll(build_ + name)) << folder << name;
    }
  }

  TempRoot root_;
  const std::string home_ = root_ / "server/";
  const std::string build_ = root_ / "build/";
  std::unique_ptr<FtpServer> server_;
  FakeUi ui_;
  std::unique_ptr<FtpEngine> engine_;
  std::unique_ptr<FtpUpload> upload_;
};

TEST_F(FtpUploadTest, UploadsEveryFileCompleteUnderItsOwnName) {
  Start();
  fs::create_directories(home_ + "calendar");
  WriteAll(home_ + "calendar/b.html", "old page");
  FtpUploadResult r = Publish("calendar/");
  ASSERT_TRUE(r.uploaded);
  EXPECT_EQ(r.sent, 3);
  EXPECT_EQ(r.chosen_folder, "calendar/");
  ExpectArrived("calendar/");
  EXPECT_FALSE(LeftoverTempFiles());
  const auto& log = upload_->log_lines();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "Using Indy FTP: (passive mode)");
  EXPECT_EQ(log[1], "");
  EXPECT_EQ(log[2], "");
  EXPECT_TRUE(Logged("13:05:09 :Connecting to " + server_->host()));
  EXPECT_TRUE(Logged("13:05:09 :Connected to " + server_->host()));
  EXPECT_TRUE(Logged("13:05:09 :connected OK"));
  EXPECT_TRUE(Logged("13:05:09 :Changing directory calendar/"));
  EXPECT_TRUE(Logged("13:05:09 :Sent file :  a.html"));
  EXPECT_TRUE(Logged("13:05:09 :Sent file :  c.css"));
  EXPECT_TRUE(Logged("13:05:09 :Disconnecting ..."));
  EXPECT_TRUE(ui_.questions.empty());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(FtpUploadTest, StartFolderWhenTheFolderIsSlashOrEmpty) {
  Start();
  FtpUploadResult r = Publish("/");
  ASSERT_TRUE(r.uploaded);
  ExpectArrived("");
  EXPECT_EQ(r.chosen_folder, "/");
}

TEST_F(FtpUploadTest, ActiveModeUploadsToo) {
  Start();
  FtpUploadSettings s = Settings("/");
  s.connection.passive = false;
  FtpUploadResult r = Publish(s, Options());
  ASSERT_TRUE(r.uploaded);
  ExpectArrived("");
  EXPECT_EQ(upload_->log_lines()[0], "Using Indy FTP: (regular mode)");
}

TEST_F(FtpUploadTest, AlternateEngineIsNamedInTheLog) {
  Start();
  FtpUploadSettings s = Settings("/");
  s.alternate_engine = true;
  ASSERT_TRUE(Publish(s, Options()).uploaded);
  EXPECT_EQ(upload_->log_lines()[0], "Using mFTP v4.7: (passive mode)");
}

TEST_F(FtpUploadTest, FirstCandidateFailsAndTheFtpVariantBecomesTheHost) {
  Start();
  const std::string port = std::to_string(server_->port());
  FtpUploadSettings s = Settings("/");
  s.host = "www.almanix.test:" + port;
  // Nothing listens on 127.0.0.2: the first candidate is refused.
  s.connection.resolve = {"www.almanix.test:" + port + ":127.0.0.2",
                          "ftp.almanix.test:" + port + ":127.0.0.1"};
  FtpUploadResult r = Publish(s, Options());
  ASSERT_TRUE(r.uploaded);
  EXPECT_TRUE(Logged("13:05:09 :Connecting to www.almanix.test:" + port));
  EXPECT_TRUE(Logged("13:05:09 :Failed Connecting to www.almanix.test:" + port));
  EXPECT_TRUE(Logged("13:05:09 :Connected to ftp.almanix.test:" + port));
  EXPECT_FALSE(Logged("13:05:09 :Connecting to almanix.test:" + port));
  EXPECT_EQ(upload_->host(), "ftp.almanix.test:" + port);
}

TEST_F(FtpUploadTest, HostWithSchemeSlashAndDoubledPrefixIsCleaned) {
  Start();
  const std::string port = std::to_string(server_->port());
  FtpUploadSettings s = Settings("/");
  s.host = "ftp://ftp.ftp.almanix.test:" + port + "/";
  s.connection.resolve = {"ftp.almanix.test:" + port + ":127.0.0.1"};
  ASSERT_TRUE(Publish(s, Options()).uploaded);
  EXPECT_TRUE(Logged("13:05:09 :Connecting to ftp.almanix.test:" + port));
}

TEST_F(FtpUploadTest, NoCandidateConnects) {
  Start();
  const std::string port = std::to_string(server_->port());
  FtpUploadSettings s = Settings("/");
  s.host = "www.almanix.test:" + port;
  s.connection.resolve = {"www.almanix.test:" + port + ":127.0.0.2",
                          "ftp.almanix.test:" + port + ":127.0.0.2",
                          "almanix.test:" + port + ":127.0.0.2"};
  FtpUploadResult r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
  EXPECT_FALSE(r.chosen_folder);
  // Shown once, with the first variant's cause on a line of its own.
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind(std::string(kConnectFailedMessage) + "\nwww.almanix.test:" +
                                      port + ": ",
                                  0),
            0u)
      << ui_.messages[0];
  EXPECT_TRUE(Logged("13:05:09 :Failed Connecting to almanix.test:" + port));
}

TEST_F(FtpUploadTest, WrongPasswordDoesNotConnect) {
  Start();
  FtpUploadSettings s = Settings("/");
  s.connection.password = "wrong";
  s.connection.resolve = {"ftp.127.0.0.1:" + std::to_string(server_->port()) + ":127.0.0.1",
                          "www.127.0.0.1:" + std::to_string(server_->port()) + ":127.0.0.1"};
  FtpUploadResult r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
  ASSERT_EQ(ui_.messages.size(), 1u);
  // The server's refusal is named, not only in the log.
  EXPECT_EQ(ui_.messages[0].rfind(std::string(kConnectFailedMessage) + "\n", 0), 0u);
  EXPECT_NE(ui_.messages[0].find("530"), std::string::npos) << ui_.messages[0];
}

TEST_F(FtpUploadTest, MissingFolderIsCreatedPartByPartOnOk) {
  Start();
  ui_.answers = {Answer::kOk};
  FtpUploadResult r = Publish("new/deep/");
  ASSERT_TRUE(r.uploaded);
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(ui_.questions[0],
            "Remote Path: 'new/deep/' does not exist, would you like to create it ?");
  EXPECT_TRUE(Logged("13:05:09 :Current Dir:/new"));
  EXPECT_TRUE(Logged("13:05:09 :Current Dir:/new/deep"));
  ExpectArrived("new/deep/");
  EXPECT_EQ(r.chosen_folder, "new/deep/");
}

TEST_F(FtpUploadTest, CreateQuestionCancelledThenUploadQuestionCancelled) {
  Start();
  ui_.answers = {Answer::kCancel, Answer::kCancel};
  FtpUploadResult r = Publish("missing/");
  EXPECT_FALSE(r.uploaded);
  EXPECT_FALSE(r.chosen_folder);
  EXPECT_EQ(ui_.questions,
            (std::vector<std::string>{
                "Remote Path: 'missing/' does not exist, would you like to create it ?",
                "Upload files to /"}));
  EXPECT_FALSE(Exists(home_ + "missing"));
  EXPECT_FALSE(Exists(home_ + "a.html"));
}

TEST_F(FtpUploadTest, CreateQuestionCancelledThenStartFolderAccepted) {
  Start();
  ui_.answers = {Answer::kCancel, Answer::kOk};
  FtpUploadResult r = Publish("missing/");
  ASSERT_TRUE(r.uploaded);
  ExpectArrived("");
  EXPECT_EQ(r.chosen_folder, "/");
}

TEST_F(FtpUploadTest, DefaultAnswerCreatesNothing) {
  Start();
  FtpUploadResult r = Publish("missing/");  // the questions take their defaults
  EXPECT_FALSE(r.uploaded);
  EXPECT_FALSE(Exists(home_ + "missing"));
}

TEST_F(FtpUploadTest, CreateFailureAsksForTheCurrentFolder) {
  Start();
  WriteAll(home_ + "blocked", "a file where the folder should be");
  ui_.answers = {Answer::kOk, Answer::kCancel};
  FtpUploadResult r = Publish("blocked/cal/");
  EXPECT_FALSE(r.uploaded);
  ASSERT_EQ(ui_.questions.size(), 2u);
  EXPECT_EQ(ui_.questions[1],
            "Sorry I could not create this remote path : 'blocked/cal/'\r Would you like to "
            "try uploading the calendar to the current directory: /");
  EXPECT_EQ(ui_.messages, std::vector<std::string>{std::string(kBrowseHint)});
}

TEST_F(FtpUploadTest, WebRootInTheStartFolderIsSearched) {
  Start();
  fs::create_directories(home_ + "public_html/calendar");
  FtpUploadResult r = Publish("calendar/");
  ASSERT_TRUE(r.uploaded);
  ExpectArrived("public_html/calendar/");
  EXPECT_EQ(r.chosen_folder, "public_html/calendar/");
  EXPECT_TRUE(Logged("13:05:09 :Changing directory public_html/calendar/"));
  EXPECT_TRUE(ui_.questions.empty());
}

TEST_F(FtpUploadTest, SecondRssGoesIntoRssPathBesideTheCalendar) {
  Start();
  WriteAll(build_ + "rss.xml", "<rss/>");
  fs::create_directories(home_ + "calendar/feeds");
  FtpUploadSettings s = Settings("calendar/");
  s.rss_path = "feeds";
  FtpUploadResult r = Publish(s, Options());
  ASSERT_TRUE(r.uploaded);
  EXPECT_TRUE(r.rss_copied);
  EXPECT_EQ(ReadAll(home_ + "calendar/rss.xml"), "<rss/>");
  EXPECT_EQ(ReadAll(home_ + "calendar/feeds/rss.xml"), "<rss/>");
  EXPECT_EQ(r.chosen_folder, "calendar/");
}

TEST_F(FtpUploadTest, MissingRssPathStopsWithItsMessage) {
  Start();
  WriteAll(build_ + "rss.xml", "<rss/>");
  FtpUploadSettings s = Settings("/");
  s.rss_path = "nofeeds";
  FtpUploadResult r = Publish(s, Options());
  EXPECT_FALSE(r.rss_copied);
  EXPECT_FALSE(r.chosen_folder);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind(
                "Could not change directories to 'nofeeds' Try a different directory\n", 0),
            0u);
}

// A cancelled upload leaves the live calendar as it was: the files already
// sent never take the old ones' places, and nothing of them stays behind.
TEST_F(FtpUploadTest, CancelLeavesTheLiveCalendarAsItWasAndSkipsTheFeedCopy) {
  Start();
  WriteAll(home_ + "a.html", "old a");
  WriteAll(home_ + "b.html", "old b");
  WriteAll(build_ + "rss.xml", "<rss/>");
  fs::create_directories(home_ + "feeds");
  FtpUploadSettings s = Settings("/");
  s.rss_path = "feeds";
  engine_ = MakeCurlFtpEngine(s.connection);
  upload_ = std::make_unique<FtpUpload>(*engine_, ui_, nullptr, s, Options());
  ui_.on_process_events = [this] {
    if (Logged("13:05:09 :Sent file :  b.html")) upload_->Cancel();
  };
  FtpUploadResult r = upload_->PublishFiles(build_);
  EXPECT_TRUE(r.cancelled);
  EXPECT_FALSE(r.uploaded);
  EXPECT_FALSE(r.chosen_folder);
  EXPECT_EQ(r.sent, 0);
  EXPECT_EQ(ReadAll(home_ + "a.html"), "old a");
  EXPECT_EQ(ReadAll(home_ + "b.html"), "old b");
  EXPECT_FALSE(Exists(home_ + "c.css"));
  EXPECT_FALSE(Exists(home_ + "rss.xml"));
  EXPECT_FALSE(Exists(home_ + "feeds/rss.xml"));
  EXPECT_FALSE(LeftoverTempFiles());
  EXPECT_TRUE(ui_.messages.empty());

  // The progress window's Cancel reaches the upload through the seam as well.
  ui_.on_process_events = {};
  ui_.cancel_when = [this] { return Logged("13:05:09 :Sent file :  b.html"); };
  r = Publish("/");
  EXPECT_TRUE(r.connected);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(ReadAll(home_ + "a.html"), "old a");
  EXPECT_EQ(ReadAll(home_ + "b.html"), "old b");
  EXPECT_FALSE(Exists(home_ + "c.css"));
  EXPECT_FALSE(LeftoverTempFiles());

  // Not cancelled, every file takes its place.
  ui_.cancel_when = {};
  r = Publish("/");
  EXPECT_TRUE(r.uploaded);
  ExpectArrived("");
  EXPECT_FALSE(LeftoverTempFiles());
}

TEST_F(FtpUploadTest, IncrementalUploadSendsOnlyChangedFiles) {
  Start();
  FtpUploadOptions o = Options();
  o.record_dir = root_ / "records";
  ASSERT_EQ(Publish(Settings("/"), o).sent, 3);
  // The server copy of an unchanged file is not touched again (a marker of
  // the same size shows it).
  WriteAll(home_ + "a.html", "<html>A</html>");
  WriteAll(build_ + "b.html", "<html>b, changed</html>");
  FtpUploadResult r = Publish(Settings("/"), o);
  ASSERT_TRUE(r.uploaded);
  EXPECT_EQ(r.sent, 1);
  EXPECT_EQ(r.unchanged, 2);
  EXPECT_EQ(ReadAll(home_ + "a.html"), "<html>A</html>");
  EXPECT_EQ(ReadAll(home_ + "b.html"), "<html>b, changed</html>");
  EXPECT_TRUE(Logged("13:05:09 :Unchanged, not sent :  a.html"));
  EXPECT_TRUE(Logged("13:05:09 :Sent file :  b.html"));
}

TEST_F(FtpUploadTest, FileDeletedOrChangedOnTheServerIsSentAgain) {
  Start();
  FtpUploadOptions o = Options();
  o.record_dir = root_ / "records";
  ASSERT_EQ(Publish(Settings("/"), o).sent, 3);
  fs::remove(home_ + "a.html");
  WriteAll(home_ + "c.css", "cut short by someone");
  FtpUploadResult r = Publish(Settings("/"), o);
  ASSERT_TRUE(r.uploaded);
  EXPECT_EQ(r.sent, 2);
  EXPECT_EQ(r.unchanged, 1);
  ExpectArrived("");
}

TEST_F(FtpUploadTest, IncrementalUploadIsFullForAnotherFolderOrWithoutRecord) {
  Start();
  fs::create_directories(home_ + "other");
  FtpUploadOptions o = Options();
  o.record_dir = root_ / "records";
  ASSERT_EQ(Publish(Settings("/"), o).sent, 3);
  EXPECT_EQ(Publish(Settings("other/"), o).sent, 3);
  ExpectArrived("other/");
  EXPECT_EQ(Publish(Settings("other/"), o).sent, 0);
  fs::remove_all(o.record_dir);
  EXPECT_EQ(Publish(Settings("other/"), o).sent, 3);
}

TEST(FtpRecords, OnePerPlaceNamedByItsHash) {
  const std::string a = UploadRecordPath("/r/", FtpProtocol::kFtp, "Example.org", "u", "/www");
  EXPECT_EQ(a, UploadRecordPath("/r", FtpProtocol::kFtp, "example.org:21", "u", "/www"));
  EXPECT_EQ(a.rfind("/r/upload-", 0), 0u);
  for (const std::string& other :
       {UploadRecordPath("/r/", FtpProtocol::kSftp, "example.org", "u", "/www"),
        UploadRecordPath("/r/", FtpProtocol::kFtp, "example.org:2121", "u", "/www"),
        UploadRecordPath("/r/", FtpProtocol::kFtp, "example.org", "v", "/www"),
        UploadRecordPath("/r/", FtpProtocol::kFtp, "example.org", "u", "/www/cal")}) {
    EXPECT_NE(a, other);
  }
}

TEST(FtpListing, FileNamesAndSizesOfUnixAndDosLines) {
  using File = std::optional<std::pair<std::string, long long>>;
  EXPECT_EQ(ListingFile("-rw-r--r--   1 u  g  300000 Jan 01 10:00 c.css\r"),
            File(std::make_pair("c.css", 300000LL)));
  EXPECT_EQ(ListingFile("-rw-r--r--    1 102  105   14 Dec 09  2024 my page.html"),
            File(std::make_pair("my page.html", 14LL)));
  EXPECT_EQ(ListingFile("01-01-24  10:00AM                 1234 a.html"),
            File(std::make_pair("a.html", 1234LL)));
  EXPECT_EQ(ListingFile("drwxr-xr-x   2 u  g  4096 Jan 01 10:00 www"), File());
  EXPECT_EQ(ListingFile("01-01-24  10:00AM       <DIR>          www"), File());
  EXPECT_EQ(ListingFile("lrwxrwxrwx   1 u  g  7 Jan 01 10:00 l -> a.html"), File());
  EXPECT_EQ(ListingFile("total 12"), File());
}

TEST_F(FtpUploadTest, FailingFileIsCountedAndNeverRecordedAsSent) {
  Start();
  // A folder of the same name: the file cannot take its place.
  fs::create_directories(home_ + "b.html");
  FtpUploadOptions o = Options();
  o.record_dir = root_ / "records";
  FtpUploadResult r = Publish(Settings("/"), o);
  EXPECT_FALSE(r.uploaded);
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(r.sent, 2);
  EXPECT_FALSE(r.chosen_folder);
  EXPECT_TRUE(Logged("13:05:09 :Error Sending :  b.html"));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind("Could not upload files to '/' Try a different remote "
                                  "directory\r1 of 3 files could not be sent\nb.html: ",
                                  0),
            0u)
      << ui_.messages[0];
  EXPECT_EQ(ReadAll(home_ + "a.html"), ReadAll(build_ + "a.html"));
  EXPECT_EQ(ReadAll(home_ + "c.css"), ReadAll(build_ + "c.css"));
  EXPECT_FALSE(LeftoverTempFiles());
  ASSERT_EQ(std::distance(fs::directory_iterator(o.record_dir), fs::directory_iterator()), 1);
  const std::string record = ReadAll(fs::directory_iterator(o.record_dir)->path().string());
  EXPECT_NE(record.find("file\ta.html\t"), std::string::npos);
  EXPECT_EQ(record.find("b.html"), std::string::npos);
  // Once the obstacle is gone, the next upload sends just that file.
  fs::remove(home_ + "b.html");
  ui_.messages.clear();
  r = Publish(Settings("/"), o);
  EXPECT_TRUE(r.uploaded);
  EXPECT_EQ(r.sent, 1);
  EXPECT_EQ(ReadAll(home_ + "b.html"), ReadAll(build_ + "b.html"));
}

TEST_F(FtpUploadTest, ConnectionDroppedMidFileKeepsTheOldFileAndTheRestGoes) {
  Start({"--drop", "b.html"});
  WriteAll(home_ + "b.html", "old page");
  FtpUploadResult r = Publish("/");
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(ReadAll(home_ + "b.html"), "old page");
  // libcurl logs in again for the next file.
  EXPECT_EQ(ReadAll(home_ + "c.css"), ReadAll(build_ + "c.css"));
  EXPECT_EQ(ReadAll(home_ + "a.html"), ReadAll(build_ + "a.html"));
}

TEST_F(FtpUploadTest, StalledTransferIsGivenUp) {
  Start({"--throttle", "2000"});
  FtpUploadSettings s = Settings("/");
  s.connection.stall_bytes_per_second = 50000;
  s.connection.stall_seconds = 2;
  const auto start = std::chrono::steady_clock::now();
  FtpUploadResult r = Publish(s, Options());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_GE(r.failed, 1);
  EXPECT_TRUE(Logged("13:05:09 :Error Sending :  c.css"));
  EXPECT_FALSE(Exists(home_ + "c.css"));
}

// ---- Servers that refuse or break off (switches of ftp_server.py) ----

int Count(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.find(part) != std::string::npos;
  }));
}

TEST_F(FtpUploadTest, AccountWithoutRenameRightStoresDirectlyAndSaysSoOnce) {
  Start({"--no-rename"});
  WriteAll(home_ + "b.html", "old page");
  FtpUploadResult r = Publish("/");
  ASSERT_TRUE(r.uploaded) << (ui_.messages.empty() ? "" : ui_.messages.back());
  EXPECT_EQ(r.sent, 3);
  // The changed page is there, never deleted and left missing.
  ExpectArrived("");
  EXPECT_FALSE(LeftoverTempFiles());
  EXPECT_EQ(Count(ui_.messages, "does not allow files to be renamed"), 1);
  EXPECT_EQ(Count(upload_->log_lines(), "does not allow files to be renamed"), 1);
}

TEST_F(FtpUploadTest, ServerRefusingRenameOntoAFileGetsTheNewFileWithoutAGap) {
  Start({"--no-rename-over"});
  WriteAll(home_ + "b.html", "old page");
  FtpUploadResult r = Publish("/");
  ASSERT_TRUE(r.uploaded);
  ExpectArrived("");
  EXPECT_FALSE(LeftoverTempFiles());
  EXPECT_FALSE(Exists(home_ + UploadAsideName("b.html")));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(FtpUploadTest, ConnectionBrokenMidFileLeavesTheOldFileAndNoPart) {
  Start({"--drop-after", "100000", "--fault-name", "c.css"});
  WriteAll(home_ + "c.css", "old style");
  FtpUploadResult r = Publish("/");
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(r.sent, 2);
  EXPECT_TRUE(ReadAll(home_ + "c.css") == "old style");
  EXPECT_FALSE(LeftoverTempFiles());
}

TEST_F(FtpUploadTest, FullDiskKeepsTheOldFileAndSaysWhy) {
  Start({"--full-after", "1000", "--fault-name", "c.css"});
  WriteAll(home_ + "c.css", "old style");
  FtpUploadResult r = Publish("/");
  EXPECT_FALSE(r.uploaded);
  EXPECT_EQ(r.failed, 1);
  EXPECT_TRUE(ReadAll(home_ + "c.css") == "old style");
  EXPECT_FALSE(LeftoverTempFiles());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find("\nc.css: "), std::string::npos) << ui_.messages[0];
  EXPECT_NE(ui_.messages[0].find("552"), std::string::npos) << ui_.messages[0];
}

TEST_F(FtpUploadTest, StallMidFileIsGivenUpWithoutLeavingAPart) {
  Start({"--stall-after", "20000", "--fault-name", "c.css"});
  WriteAll(build_ + "c.css", Bytes(8000000, 'c'));
  WriteAll(home_ + "c.css", "old style");
  FtpUploadSettings s = Settings("/");
  s.connection.stall_seconds = 2;
  FtpUploadResult r = Publish(s, Options());
  EXPECT_EQ(r.failed, 1);
  EXPECT_TRUE(ReadAll(home_ + "c.css") == "old style");
  EXPECT_FALSE(LeftoverTempFiles());
}

TEST_F(FtpUploadTest, ProgressCountsFilesAndBytesOfWhatIsSent) {
  Start();
  ASSERT_TRUE(Publish("/").uploaded);
  const auto& lines = ui_.progress_details;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "0 of 3 files, 0 KB of 293 KB");
  EXPECT_EQ(lines.back(), "3 of 3 files, 293 KB of 293 KB");
  // The big file reports its bytes on the way, not only at its end.
  EXPECT_GT(Count(lines, "2 of 3 files, "), 1);
  EXPECT_EQ(UploadProgressText(12, 79, 340 * 1024, 2202010), "12 of 79 files, 340 KB of 2.1 MB");
}

TEST(FtpAddress, EveryProtocolGetsOneSchemeAndNoDoubledSlash) {
  SettingsContext context;
  PublishSettings s(context);
  s.SetText("FTP.Host", "ftp://ftp.example.org/");
  s.SetText("FTP.Directory", "/public_html//calendar");
  EXPECT_EQ(PublishedAddress(s), "ftp://ftp.example.org/public_html/calendar/");
  s.SetText("FTP.Directory", "/");
  EXPECT_EQ(PublishedAddress(s), "ftp://ftp.example.org/");
  s.SetText("FTP.Protocol", "FTPS");
  s.SetText("FTP.Directory", "site/");
  EXPECT_EQ(PublishedAddress(s), "ftp://ftp.example.org/site/");
  s.SetText("FTP.Protocol", "SFTP");
  s.SetText("FTP.Host", "sftp://example.org:2222");
  EXPECT_EQ(PublishedAddress(s), "sftp://example.org:2222/~/site/");
  s.SetText("FTP.Directory", "/var/www/cal/");
  EXPECT_EQ(PublishedAddress(s), "sftp://example.org:2222/var/www/cal/");
}

TEST_F(FtpUploadTest, BrowsingBuildsTwoLevelsAndPublishHere) {
  Start();
  fs::create_directories(home_ + "www/calendar/old");
  fs::create_directories(home_ + "backup");
  FtpUploadSettings s = Settings("/");
  engine_ = MakeCurlFtpEngine(s.connection);
  upload_ = std::make_unique<FtpUpload>(*engine_, ui_, nullptr, s, Options());
  ASSERT_TRUE(upload_->Connect());
  FtpFolderNode tree = upload_->LoadTree();
  EXPECT_TRUE(Logged("13:05:09 :Loading Directory Tree"));
  ASSERT_EQ(tree.children.size(), 2u);
  EXPECT_EQ(tree.children[0].name, "backup");
  EXPECT_EQ(tree.children[1].name, "www");
  ASSERT_EQ(tree.children[1].children.size(), 1u);
  const FtpFolderNode& calendar = tree.children[1].children[0];
  EXPECT_EQ(calendar.path, "www/calendar");
  EXPECT_TRUE(calendar.children.empty());  // the third level is not read
  upload_->SelectNode(calendar);
  EXPECT_EQ(upload_->Cd(), "/www/calendar");
  ui_.answers = {Answer::kOk};
  FtpUploadResult r = upload_->PublishHere(build_);
  EXPECT_TRUE(r.uploaded);
  EXPECT_EQ(ui_.questions.back(), "Upload Files to www/calendar");
  ExpectArrived("www/calendar/");
  EXPECT_EQ(r.chosen_folder, "www/calendar");
}

TEST_F(FtpUploadTest, AddFolderAndSuggestions) {
  Start();
  fs::create_directories(home_ + "public_html");
  FtpUploadSettings s = Settings("/");
  engine_ = MakeCurlFtpEngine(s.connection);
  upload_ = std::make_unique<FtpUpload>(*engine_, ui_, nullptr, s, Options());
  ASSERT_TRUE(upload_->Connect());
  ui_.texts = {"  CalendarDir "};
  EXPECT_EQ(upload_->AddFolder(), "CalendarDir/");
  EXPECT_TRUE(fs::is_directory(home_ + "CalendarDir"));
  std::vector<std::string> offered = {"/", "calendar/"};
  ASSERT_TRUE(upload_->SuggestFolders(&offered));
  EXPECT_EQ(offered, (std::vector<std::string>{"/", "calendar/", "CalendarDir/calendar/",
                                               "public_html/calendar/"}));
  EXPECT_EQ(ui_.messages, std::vector<std::string>{std::string(kSuggestedMessage)});
  EXPECT_TRUE(Logged("13:05:09 :Looking for directories on your server "));
  EXPECT_FALSE(engine_->IsConnected());
}

// ---- The "Website" destination ----

// A started program in a fresh root with the favorite "Club" whose
// destination is the test server.
class WebsiteDestinationTest : public FtpUploadTest {
 protected:
  void SetUp() override {
    FtpUploadTest::SetUp();
    if (IsSkipped()) return;
    Start();
    session_ = std::make_unique<almanix::testing::TestProgram>();
    ASSERT_TRUE(session_->StartIn(root_.path()).ok());
    ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(2025, 1, 1)).ok());
    editor_ = std::make_unique<PublishEditor>(*session_->app.dir, "US",
                                              session_->app.log.get(), &ui_);
    editor_->set_current_year(2025);
    ASSERT_TRUE(editor_->SetUp(session_->data.db(), 2025, "Club.html", 1).ok());
    PublishSettings& s = editor_->settings;
    s.SetInt("Publish.StartYear", 2025);
    s.SetInt("Publish.EndYear", 2025);
    s.SetText("Publish.Destination", "Webserver");
    s.SetText("FTP.Host", server_->host());
    s.SetText("FTP.UserID", "test");
    s.SetText("FTP.Password", "secret");
    s.SetText("FTP.Directory", " site/ ");
    ASSERT_TRUE(editor_->Save().ok());
    ASSERT_TRUE(editor_->Load(editor_->FavoriteFolder()).ok());
    editor_->window.chkAutoUpdate = false;
    generator::GeneratorEnv env;
    env.db = &session_->data.db();
    env.brand_short_url = "www.example.org/almanix";
    env.program_version = "1.0";
    generator_ = std::make_unique<generator::Generator>(*editor_, env);
    fs::create_directories(home_ + "site");
  }

  PublishOptions Options() {
    PublishOptions o;
    o.open_folder = false;
    o.ftp.clock = [] { return std::time_t{0}; };
    o.save_calendar_file = [this](const std::string& path) {
      return session_->files->SaveCalendarFile(path);
    };
    return o;
  }

  std::ostringstream err_;
  std::unique_ptr<almanix::testing::TestProgram> session_;
  std::unique_ptr<PublishEditor> editor_;
  std::unique_ptr<generator::Generator> generator_;
};

TEST_F(WebsiteDestinationTest, PublishNowUploadsTheBuildFolderAndKeepsTheFolder) {
  Status s = PublishNow(*editor_, *generator_, Options());
  ASSERT_TRUE(s.ok()) << s.message();
  const std::string build = WithTrailingSlash(session_->app.dir->BuildDir);
  ASSERT_TRUE(Exists(build + "Calendar.html"));
  EXPECT_EQ(ReadAll(home_ + "site/Calendar.html"), ReadAll(build + "Calendar.html"));
  EXPECT_EQ(editor_->settings.Text("FTP.Directory"), "site/");
  // The upload record lives beside the working directory, not in it.
  EXPECT_FALSE(Exists(editor_->FavoriteFolder() + "upload-manifest.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(session_->app.dir->FtpDir),
                          fs::directory_iterator()),
            1);
  EXPECT_FALSE(Exists(home_ + "site/calendar.cal"));
}

TEST_F(WebsiteDestinationTest, CalendarFileTravelsWithoutTheFtpAccount) {
  editor_->settings.SetBool("FTP.CalendarFile", true);
  ASSERT_TRUE(editor_->Save().ok());
  const std::string conf = editor_->FavoriteFolder() + "conf.ini";
  const std::string before = ReadAll(conf);
  const std::string open_file = session_->app.dir->CalendarFile;
  Status s = PublishNow(*editor_, *generator_, Options());
  ASSERT_TRUE(s.ok()) << s.message();
  ASSERT_TRUE(Exists(home_ + "site/calendar.cal"));
  EXPECT_EQ(ReadAll(conf), before);
  EXPECT_EQ(session_->app.dir->CalendarFile, open_file);
  EXPECT_EQ(editor_->settings.Text("FTP.UserID"), "test");
  // The packed favorite holds neither the account name nor the password.
  const std::string list = root_ / "packed.txt";
  const std::string cmd = "unzip -p '" + home_ + "site/calendar.cal' '*onf.ini' > '" + list +
                          "' 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string packed = ReadAll(list);
  EXPECT_NE(packed.find("UserID="), std::string::npos);
  EXPECT_EQ(packed.find("UserID=test"), std::string::npos);
  EXPECT_EQ(packed.find("secret"), std::string::npos);
}

// Every login of every favorite and the mail account, each in the forms it
// may take in a settings file.
std::vector<std::string> SecretForms(const std::string& secret) {
  std::vector<std::string> forms{secret};
  for (std::uint16_t key :
       {kPublishPasswordKey, kSmtpPasswordKey, kFtpPasswordKey, kProxyPasswordKey}) {
    forms.push_back(EncodeScrambled(secret, key));
    forms.push_back(EncodeScrambled(secret, key).substr(2));
    forms.push_back(Scramble(secret, key));
    forms.push_back(Cp1252ToUtf8(Scramble(secret, key)));
  }
  return forms;
}

TEST_F(WebsiteDestinationTest, PublishedCalendarFileHoldsNoSecretOfAnyFavorite) {
  const std::string favorites = session_->app.dir->FavoritesDir;
  // The published favorite: its own FTP login and a proxy login, scrambled.
  PublishSettings& s = editor_->settings;
  s.SetBool("FTP.CalendarFile", true);
  s.SetBool("FTP.EncyptPassword", true);
  s.SetText("Proxy.Host", "proxy.example.net");
  s.SetText("Proxy.User", "club-proxy-user");
  s.SetText("Proxy.Password", "club-proxy-pass");
  ASSERT_TRUE(editor_->Save().ok());
  // Two more favorites as older versions left them: passwords in conf.ini,
  // scrambled and plain.
  for (const char* name : {"Other", "Plain"}) {
    fs::copy(editor_->FavoriteFolder(), favorites + name, fs::copy_options::recursive);
  }
  IniFile other(favorites + "Other/conf.ini");
  ASSERT_TRUE(other.Load().ok());
  other.WriteString("FTP", "UserID", "other-ftp-user");
  other.WriteString("FTP", "Password", EncodeScrambled("other-ftp-pass", kPublishPasswordKey));
  other.WriteString("FTP", "EncyptPassword", "1");
  other.WriteString("Proxy", "User", "other-proxy-user");
  other.WriteString("Proxy", "Password",
                    EncodeScrambled("other-proxy-pass", kPublishPasswordKey));
  ASSERT_TRUE(other.Save().ok());
  IniFile plain(favorites + "Plain/conf.ini");
  ASSERT_TRUE(plain.Load().ok());
  plain.WriteString("FTP", "UserID", "plain-ftp-user");
  plain.WriteString("FTP", "Password", "plain-ftp-pass");
  plain.WriteString("FTP", "EncyptPassword", "0");
  ASSERT_TRUE(plain.Save().ok());
  // The reminder mail account, saved by the program, and one an older
  // application.ini of the working directory still holds.
  TConfig& config = *session_->app.config;
  config.smtp_host = "mail.example.net";
  config.smtp_userid = "smtp-login-user";
  config.smtp_password = "smtp-saved-pass";
  ASSERT_TRUE(config.Save().ok());
  const std::string app_ini = session_->app.dir->ConfigDir + "application.ini";
  IniFile older(app_ini);
  ASSERT_TRUE(older.Load().ok());
  if (older.ReadString("EmailReminder", "smtp_password", "").empty()) {
    older.WriteString("EmailReminder", "smtp_password",
                      EncodeScrambled("smtp-older-pass", kSmtpPasswordKey));
  }
  ASSERT_TRUE(older.Save().ok());

  Status published = PublishNow(*editor_, *generator_, Options());
  ASSERT_TRUE(published.ok()) << published.message();
  const std::string cal = home_ + "site/calendar.cal";
  ASSERT_TRUE(Exists(cal));
  // Every entry unpacked, and the archive's own bytes.
  const std::string all = root_ / "unpacked.bin";
  ASSERT_EQ(std::system(("unzip -p '" + cal + "' > '" + all + "' 2>/dev/null").c_str()), 0);
  const std::string packed = ReadAll(all) + ReadAll(cal);
  ASSERT_NE(packed.find("[FTP]"), std::string::npos);  // the settings did travel
  for (const char* secret :
       {"secret", "club-proxy-pass", "other-ftp-pass", "other-proxy-pass", "plain-ftp-pass",
        "smtp-saved-pass", "smtp-older-pass"}) {
    for (const std::string& form : SecretForms(secret)) {
      EXPECT_EQ(packed.find(form), std::string::npos) << secret << " is published";
    }
  }
  for (const char* login : {"UserID=test", "club-proxy-user", "other-ftp-user",
                            "other-proxy-user", "plain-ftp-user", "smtp-login-user"}) {
    EXPECT_EQ(packed.find(login), std::string::npos) << login << " is published";
  }
  // The calendar itself is whole: its tables and every favorite.
  const std::string names = root_ / "names.txt";
  ASSERT_EQ(std::system(("unzip -Z1 '" + cal + "' > '" + names + "'").c_str()), 0);
  for (const char* entry : {"db/Events.db", "favorites/Club/conf.ini",
                            "favorites/Other/conf.ini", "favorites/Plain/title.txt",
                            "config/application.ini"}) {
    EXPECT_NE(ReadAll(names).find(entry), std::string::npos) << entry;
  }
  // And the working directory keeps what it had.
  EXPECT_EQ(ReadAll(favorites + "Plain/conf.ini").find("Password=plain-ftp-pass") !=
                std::string::npos,
            true);
  EXPECT_EQ(editor_->settings.Text("Proxy.Password"), "club-proxy-pass");
}

TEST_F(WebsiteDestinationTest, MissingFolderIsNotMadeWithoutTheCreateAnswer) {
  editor_->settings.SetText("FTP.Directory", "elsewhere/");
  Status s = PublishNow(*editor_, *generator_, Options());
  EXPECT_FALSE(s.ok());
  EXPECT_FALSE(Exists(home_ + "elsewhere"));
  PublishOptions o = Options();
  o.ftp.create_default = Answer::kOk;
  s = PublishNow(*editor_, *generator_, o);
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_TRUE(Exists(home_ + "elsewhere/Calendar.html"));
}

// ---- The command line, as a person runs it ----

int Occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(WebsiteDestinationTest, CommandLineShowsTheConnectFailureOnceWithItsCause) {
  editor_->settings.SetText("FTP.Password", "wrong");
  ASSERT_TRUE(editor_->Save().ok());
  const almanix::testing::CliResult run =
      almanix::testing::RunCli({"--root", root_.path(), "--year", "2025", "publish", "Club"},
                               root_.path());
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(Occurrences(run.err, "Could not connect. Check that the ftp hostname"), 1) << run.err;
  // The cause on the line after it.
  const size_t at = run.err.find("password are correct.");
  ASSERT_NE(at, std::string::npos);
  const std::string next = run.err.substr(run.err.find('\n', at) + 1);
  EXPECT_EQ(next.rfind("almanix:   ", 0), 0u) << run.err;
  EXPECT_NE(next.substr(0, next.find('\n')).find("530"), std::string::npos) << run.err;
}

TEST_F(WebsiteDestinationTest, CommandLinePrintsTheAddressAndTheProgress) {
  editor_->settings.SetText("FTP.Host", "ftp://" + server_->host() + "/");
  editor_->settings.SetText("FTP.Directory", "/site/");
  ASSERT_TRUE(editor_->Save().ok());
  const almanix::testing::CliResult run = almanix::testing::RunCli(
      {"--root", root_.path(), "--year", "2025", "publish", "Club", "--progress"}, root_.path());
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "ftp://" + server_->host() + "/site/\n");
  EXPECT_NE(run.err.find("almanix: 0 of "), std::string::npos) << run.err;
  const size_t last = run.err.rfind("almanix: ");
  const std::string final_line = run.err.substr(last);
  // "N of N files, X KB of X KB"
  const std::string files = final_line.substr(9, final_line.find(" of ") - 9);
  EXPECT_NE(final_line.find(" of " + files + " files, "), std::string::npos) << final_line;
}

TEST_F(WebsiteDestinationTest, CalendarFilePublishSendsUnchangedFilesOnlyOnce) {
  const std::string cal = root_ / "club.cal";
  ASSERT_TRUE(session_->files->SaveCalendarFile(cal).ok());
  // Saving made it this program's open calendar; the command line's own
  // program would wait for it.
  session_->files->CloseCalendarFile();
  const std::vector<std::string> args = {"--root",  root_.path(), "--calendar", cal,
                                         "--year", "2025",       "publish",    "Club"};
  const almanix::testing::CliResult first = almanix::testing::RunCli(args, root_.path());
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_NE(first.err.find("Sent file :  Calendar.html"), std::string::npos);
  const almanix::testing::CliResult second = almanix::testing::RunCli(args, root_.path());
  ASSERT_EQ(second.code, 0) << second.err;
  EXPECT_NE(second.err.find("Unchanged, not sent :  Calendar.html"), std::string::npos)
      << second.err;
  EXPECT_EQ(second.err.find("Sent file :  Calendar.html"), std::string::npos);
}

// ---- FTPS ----

class FtpsUploadTest : public FtpUploadTest {
 protected:
  void SetUp() override {
    FtpUploadTest::SetUp();
    if (IsSkipped()) return;
    if (std::system("/usr/bin/python3 -c 'import OpenSSL' >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "python3-openssl is not installed";
    }
    const std::string cmd = "openssl req -x509 -newkey rsa:2048 -nodes -keyout '" + key_ +
                            "' -out '" + cert_ +
                            "' -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1"
                            " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  const std::string cert_ = root_ / "cert.pem";
  const std::string key_ = root_ / "key.pem";
};

TEST_F(FtpsUploadTest, ExplicitTlsUploadArrivesWhole) {
  Start({"--tls", cert_, key_});
  WriteAll(build_ + "big.bin", Bytes(200000, 'z'));
  FtpUploadSettings s = Settings("/");
  s.connection.protocol = FtpProtocol::kFtps;
  s.connection.ca_file = cert_;
  FtpUploadResult r = Publish(s, Options());
  ASSERT_TRUE(r.uploaded) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  ExpectArrived("");
  EXPECT_EQ(ReadAll(home_ + "big.bin"), ReadAll(build_ + "big.bin"));
}

TEST_F(FtpsUploadTest, PlainFtpIsRefusedByATlsOnlyServer) {
  Start({"--tls", cert_, key_});
  FtpUploadSettings s = Settings("/");
  s.connection.resolve = {"ftp.127.0.0.1:" + std::to_string(server_->port()) + ":127.0.0.1",
                          "www.127.0.0.1:" + std::to_string(server_->port()) + ":127.0.0.1"};
  FtpUploadResult r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
}

// ---- SFTP against a real sshd ----

// OpenSSH's server on 127.0.0.1 under a configuration, host key and
// authorized key of its own in a temporary folder, letting the user running
// the tests log in with a key.
class SshServer {
 public:
  explicit SshServer(const std::string& folder) : folder_(folder) {
    if (!Exists("/usr/sbin/sshd")) {
      why_ = "openssh-server is not installed";
      return;
    }
    // As root sshd wants its privilege separation folder.
    if (geteuid() == 0) fs::create_directories("/run/sshd");
    const std::string keygen = "ssh-keygen -q -N '' -t ecdsa -b 256 -m PEM -f '";
    for (const char* key : {"host_key", "other_host_key", "client_key"}) {
      if (std::system((keygen + folder_ + key + "' >/dev/null 2>&1").c_str()) != 0) {
        why_ = "ssh-keygen failed";
        return;
      }
    }
    fs::copy_file(folder_ + "client_key.pub", folder_ + "authorized_keys");
    port_ = testing::UnusedPort();
    WriteAll(folder_ + "sshd_config",
             "Port " + std::to_string(port_) + "\nListenAddress 127.0.0.1\nHostKey " + folder_ +
                 "host_key\nPidFile " + folder_ + "sshd.pid\nAuthorizedKeysFile " + folder_ +
                 "authorized_keys\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                 "PubkeyAuthentication yes\nUsePAM no\nStrictModes no\n"
                 "PermitRootLogin prohibit-password\nSubsystem sftp internal-sftp\n");
    const std::string host_line = "[127.0.0.1]:" + std::to_string(port_) + " ";
    WriteAll(folder_ + "known_hosts", host_line + FirstTwoWords(folder_ + "host_key.pub"));
    WriteAll(folder_ + "wrong_known_hosts",
             host_line + FirstTwoWords(folder_ + "other_host_key.pub"));
    pid_ = fork();
    if (pid_ == 0) {
      int log = open((folder_ + "sshd.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
      }
      execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-D", "-e", "-f",
            (folder_ + "sshd_config").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
      if (ReadAll(folder_ + "sshd.log").find("Server listening") != std::string::npos) return;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      usleep(100000);
    }
    why_ = "sshd did not start: " + ReadAll(folder_ + "sshd.log");
  }
  ~SshServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
  }
  SshServer(const SshServer&) = delete;
  SshServer& operator=(const SshServer&) = delete;

  // Empty when the server runs.
  const std::string& why_not() const { return why_; }
  int port() const { return port_; }
  const std::string& folder() const { return folder_; }

 private:
  static std::string FirstTwoWords(const std::string& file) {
    std::istringstream in(ReadAll(file));
    std::string type, key;
    in >> type >> key;
    return type + " " + key + "\n";
  }

  std::string folder_;
  std::string why_;
  int port_ = 0;
  pid_t pid_ = -1;
};

class SftpUploadTest : public FtpUploadTest {
 protected:
  void SetUp() override {
    FtpUploadTest::SetUp();
    if (IsSkipped()) return;
    fs::create_directories(root_ / "ssh");
    sshd_ = std::make_unique<SshServer>(root_ / "ssh/");
    if (!sshd_->why_not().empty()) GTEST_SKIP() << "no SFTP test: " << sshd_->why_not();
    fs::create_directories(site_);
  }

  FtpUploadSettings SftpSettings() {
    FtpUploadSettings s;
    const std::string port = std::to_string(sshd_->port());
    s.host = "127.0.0.1:" + port;
    s.directory = site_;  // absolute: never the real home folder
    passwd* me = getpwuid(geteuid());
    s.connection.user = me ? me->pw_name : "root";
    s.connection.protocol = FtpProtocol::kSftp;
    s.connection.connect_timeout_seconds = 5;
    s.connection.response_timeout_seconds = 10;
    s.connection.ssh_known_hosts = sshd_->folder() + "known_hosts";
    s.connection.ssh_private_key = sshd_->folder() + "client_key";
    s.connection.ssh_public_key = sshd_->folder() + "client_key.pub";
    // The other host variants lead nowhere, quickly.
    s.connection.resolve = {"ftp.127.0.0.1:" + port + ":127.0.0.2",
                            "www.127.0.0.1:" + port + ":127.0.0.2"};
    return s;
  }

  const std::string site_ = root_ / "sftp-site/";
  std::unique_ptr<SshServer> sshd_;
};

TEST_F(SftpUploadTest, UploadReplacesOldFilesWholeAndLeavesNothingBehind) {
  WriteAll(site_ + "b.html", "old page");
  FtpUploadResult r = Publish(SftpSettings(), Options());
  ASSERT_TRUE(r.uploaded) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_EQ(r.sent, 3);
  for (const char* name : {"a.html", "b.html", "c.css"}) {
    EXPECT_EQ(ReadAll(site_ + name), ReadAll(build_ + name)) << name;
  }
  for (auto& e : fs::directory_iterator(site_)) {
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
  }
  // OpenSSH will not rename onto a file: the old one went aside, not away.
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SftpUploadTest, RefusedHostKeyIsNamedBesideTheFixedMessage) {
  FtpUploadSettings s = SftpSettings();
  s.connection.ssh_known_hosts = sshd_->folder() + "wrong_known_hosts";
  FtpUploadResult r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
  ASSERT_EQ(ui_.messages.size(), 1u);
  const std::string prefix =
      std::string(kConnectFailedMessage) + "\n127.0.0.1:" + std::to_string(sshd_->port()) + ": ";
  EXPECT_EQ(ui_.messages[0].rfind(prefix, 0), 0u) << ui_.messages[0];
  EXPECT_GT(ui_.messages[0].size(), prefix.size());
  EXPECT_FALSE(fs::exists(site_ + "a.html"));
}


// ---- Keys the person trusts (FTPS certificates, SSH host keys) ----

std::string CommandOutput(const std::string& command) {
  std::string text;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) text += buf;
    pclose(p);
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

TEST(HostTrustStoreTest, PinsOneKeyPerProtocolAndHostInAPrivateFile) {
  TempRoot root;
  HostTrustStore store(TrustStoreFile(root / "FTP"));
  EXPECT_FALSE(store.Find(FtpProtocol::kFtps, "ftp.example.org:21"));
  ASSERT_TRUE(store.Trust(FtpProtocol::kFtps, "FTP.Example.org:21", "SHA256:aaa").ok());
  ASSERT_TRUE(store.Trust(FtpProtocol::kSftp, "ftp.example.org:21", "SHA256:bbb").ok());
  EXPECT_EQ(store.Find(FtpProtocol::kFtps, "ftp.example.org:21"), "SHA256:aaa");
  EXPECT_EQ(store.Find(FtpProtocol::kSftp, "ftp.EXAMPLE.org:21"), "SHA256:bbb");
  EXPECT_FALSE(store.Find(FtpProtocol::kFtps, "ftp.example.org:990"));
  // Trusting again replaces the pin rather than adding a second one.
  ASSERT_TRUE(store.Trust(FtpProtocol::kFtps, "ftp.example.org:21", "SHA256:ccc").ok());
  EXPECT_EQ(store.Find(FtpProtocol::kFtps, "ftp.example.org:21"), "SHA256:ccc");
  EXPECT_EQ(fs::status(store.file()).permissions() & fs::perms::all, fs::perms::owner_read |
                                                                          fs::perms::owner_write);
  ASSERT_TRUE(store.Forget(FtpProtocol::kFtps, "ftp.example.org:21").ok());
  EXPECT_FALSE(store.Find(FtpProtocol::kFtps, "ftp.example.org:21"));
  EXPECT_EQ(store.Find(FtpProtocol::kSftp, "ftp.example.org:21"), "SHA256:bbb");
  EXPECT_FALSE(store.Trust(FtpProtocol::kFtps, "h:21", "SHA256:x\ny").ok());
  EXPECT_EQ(Sha256Fingerprint("abc"), "SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0");
}

TEST_F(FtpsUploadTest, UntrustedCertificateIsNamedThenTrustedKnowinglyThenPinned) {
  Start({"--tls", cert_, key_});
  const std::string fingerprint = "SHA256:" + CommandOutput(
      "openssl x509 -in '" + cert_ + "' -outform DER | openssl dgst -sha256 -binary | "
      "openssl base64 -A | tr -d =");
  FtpUploadSettings s = Settings("/");
  s.connection.protocol = FtpProtocol::kFtps;
  s.connection.trust_file = root_ / "trusted-hosts.txt";
  // No CA vouches for the self-signed certificate: refused, and named.
  FtpUploadResult r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
  ASSERT_TRUE(engine_->untrusted_key());
  EXPECT_EQ(engine_->untrusted_key()->host, server_->host());
  EXPECT_EQ(engine_->untrusted_key()->fingerprint, fingerprint);
  EXPECT_FALSE(engine_->untrusted_key()->changed());
  ASSERT_FALSE(ui_.messages.empty());
  EXPECT_NE(ui_.messages.back().find(fingerprint), std::string::npos) << ui_.messages.back();
  EXPECT_FALSE(fs::exists(home_ + "a.html"));

  // Trusted: the same certificate is accepted from now on.
  HostTrustStore store(s.connection.trust_file);
  ASSERT_TRUE(store.Trust(FtpProtocol::kFtps, server_->host(), fingerprint).ok());
  ui_.messages.clear();
  r = Publish(s, Options());
  ASSERT_TRUE(r.uploaded) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_FALSE(engine_->untrusted_key());
  ExpectArrived("");

  // Another certificate on that host is refused, even one a CA vouches for.
  ASSERT_TRUE(store.Trust(FtpProtocol::kFtps, server_->host(), "SHA256:somethingelse").ok());
  s.connection.ca_file = cert_;
  r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
  ASSERT_TRUE(engine_->untrusted_key());
  EXPECT_TRUE(engine_->untrusted_key()->changed());
  EXPECT_EQ(engine_->untrusted_key()->fingerprint, fingerprint);
  EXPECT_NE(ui_.messages.back().find(kChangedKeyMessage), std::string::npos);
}

TEST_F(SftpUploadTest, UnknownHostKeyIsNamedThenTrustedKnowinglyThenPinned) {
  const std::string fingerprint =
      CommandOutput("ssh-keygen -l -E sha256 -f '" + sshd_->folder() + "host_key.pub'" +
                    " | cut -d' ' -f2");
  ASSERT_EQ(fingerprint.rfind("SHA256:", 0), 0u) << fingerprint;
  FtpUploadSettings s = SftpSettings();
  s.connection.ssh_known_hosts = root_ / "no_known_hosts";
  s.connection.trust_file = root_ / "trusted-hosts.txt";
  FtpUploadResult r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
  ASSERT_TRUE(engine_->untrusted_key());
  EXPECT_EQ(engine_->untrusted_key()->fingerprint, fingerprint);

  HostTrustStore store(s.connection.trust_file);
  ASSERT_TRUE(store.Trust(FtpProtocol::kSftp, s.host, fingerprint).ok());
  r = Publish(s, Options());
  ASSERT_TRUE(r.uploaded) << (ui_.messages.empty() ? "" : ui_.messages.back());
  EXPECT_EQ(ReadAll(site_ + "a.html"), ReadAll(build_ + "a.html"));

  // A pin for another key wins over the known hosts file that lists this one.
  ASSERT_TRUE(store.Trust(FtpProtocol::kSftp, s.host, "SHA256:somethingelse").ok());
  s.connection.ssh_known_hosts = sshd_->folder() + "known_hosts";
  r = Publish(s, Options());
  EXPECT_FALSE(r.connected);
  ASSERT_TRUE(engine_->untrusted_key());
  EXPECT_TRUE(engine_->untrusted_key()->changed());
}

TEST_F(FtpUploadTest, CancelBreaksOffTheFileOnItsWay) {
  Start({"--throttle", "20000"});
  WriteAll(build_ + "c.css", Bytes(2000000, 'c'));  // a minute and more at this speed
  FtpUploadSettings s = Settings("/");
  engine_ = MakeCurlFtpEngine(s.connection);
  upload_ = std::make_unique<FtpUpload>(*engine_, ui_, nullptr, s, Options());
  const auto start = std::chrono::steady_clock::now();
  // The person presses Cancel two seconds into the upload.
  ui_.on_process_events = [&] {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2)) upload_->Cancel();
  };
  FtpUploadResult r = upload_->PublishFiles(build_);
  EXPECT_TRUE(r.cancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
  EXPECT_FALSE(fs::exists(home_ + "c.css"));
}

}  // namespace
}  // namespace almanix::publish
