// A run with a failed step publishes nothing: every destination leaves the
// live calendar as it was and says why.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "publish/destination_fixture.h"
#include "publish/destinations.h"
#include "publish/ftp_upload.h"
#include "publish/other_destinations.h"
#include "platform/start_page.h"
#include "store/db_engine.h"
#include "store/event_draft.h"
#include "support/small_disk.h"
#include "support/temp_root.h"

namespace almanix::publish {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::SizeIs;
using ::testing::StartsWith;

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[entry.path().filename().string()] = almanix::testing::ReadAll(entry.path().string());
    }
  }
  return files;
}

class AcceptingStartPage : public platform::StartPageSetter {
 public:
  Status SetStartPage(std::string_view) override { return Status::Ok(); }
};

class PublishGateTest : public testing::DestinationFixture {
 protected:
  void SetUp() override {
    DestinationFixture::SetUp();
    window().chkAutoUpdate = false;
  }
  // An event that changes every month page of March 2025.
  void AddEvent() {
    store::EventDraft draft;
    draft.summary = "Late addition";
    draft.start = EncodeDate(2025, 3, 5) + 9 / 24.0;
    draft.end = EncodeDate(2025, 3, 5) + 10 / 24.0;
    draft.categories = {1};
    store::Query q(session_->data.db());
    ASSERT_TRUE(store::AddEvent(q, draft, 1).ok());
  }
  // The build folder on a disk that fills up during the run.
  std::unique_ptr<almanix::testing::SmallDisk> FullBuildDisk() {
    auto disk = std::make_unique<almanix::testing::SmallDisk>(root_ / "small", 32);
    dir().BuildDir = root_ / "small/";
    return disk;
  }
  void ExpectNothingPublished(const Status& status, const std::string& cause) {
    EXPECT_FALSE(status.ok());
    EXPECT_THAT(status.message(), AllOf(StartsWith("Nothing was published: "), HasSubstr(cause)));
    EXPECT_THAT(ui_.messages, Contains(status.message()));
  }
};

TEST_F(PublishGateTest, FolderKeepsItsFilesWhenTheBuildDiskIsFull) {
  const std::string site = root_ / "site/";
  settings().SetText("Publish.Destination", "File");
  settings().SetText("Publish.DirName", site);
  ASSERT_TRUE(PublishNow(*editor_, *generator_, PublishOptions{}).ok());
  const auto live = Snapshot(site);
  ASSERT_THAT(live, Contains(::testing::Key("Calendar.html")));

  AddEvent();
  auto disk = FullBuildDisk();
  if (!disk->mounted()) GTEST_SKIP() << disk->skip_reason();
  ui_.messages.clear();
  const Status status = PublishNow(*editor_, *generator_, PublishOptions{});
  ExpectNothingPublished(status, "(No space left on device)");
  EXPECT_EQ(Snapshot(site), live);
  EXPECT_THAT(Opened(), SizeIs(1));  // only the first publish opened it
}

TEST_F(PublishGateTest, FolderGetsNothingWhenTheBuildFolderCannotBeMade) {
  const std::string site = root_ / "site/";
  settings().SetText("Publish.Destination", "File");
  settings().SetText("Publish.DirName", site);
  almanix::testing::WriteAll(root_ / "plain file", "x");
  dir().BuildDir = root_ / "plain file/Build/";
  const Status status = PublishNow(*editor_, *generator_, PublishOptions{});
  ExpectNothingPublished(status, "Not a directory");
  EXPECT_THAT(Snapshot(site), ::testing::IsEmpty());
}

TEST_F(PublishGateTest, WebsiteIsNotContactedWhenARunStepFailed) {
  settings().SetText("Publish.Destination", "Webserver");
  settings().SetText("FTP.Host", "127.0.0.1");
  bool contacted = false;
  PublishOptions options;
  options.make_ftp_engine = [&contacted](const FtpConnectOptions& connection) {
    contacted = true;
    return MakeCurlFtpEngine(connection);
  };
  auto disk = FullBuildDisk();
  if (!disk->mounted()) GTEST_SKIP() << disk->skip_reason();
  const Status status = PublishNow(*editor_, *generator_, options);
  ExpectNothingPublished(status, "(No space left on device)");
  EXPECT_FALSE(contacted);
}

TEST_F(PublishGateTest, HomePageKeepsItsFilesWhenTheBuildDiskIsFull) {
  AcceptingStartPage start_page;
  ASSERT_TRUE(PublishToHomePage(*editor_, *generator_, start_page).ok());
  const std::string home = WithTrailingSlash(dir().HomepageDir);
  const auto live = Snapshot(home);
  ASSERT_FALSE(live.empty());

  AddEvent();
  auto disk = FullBuildDisk();
  if (!disk->mounted()) GTEST_SKIP() << disk->skip_reason();
  ui_.messages.clear();
  ExpectNothingPublished(PublishToHomePage(*editor_, *generator_, start_page),
                         "(No space left on device)");
  EXPECT_EQ(Snapshot(home), live);
}

// Cancel on the progress window, asked between pages: the run stops, says
// "cancelled" (no message box: the person knows), and neither the folder nor
// the server is touched. Not cancelled, the same publish goes through.
TEST_F(PublishGateTest, CancelledRunPublishesNothingAndSaysSo) {
  const std::string site = root_ / "site/";
  settings().SetText("Publish.Destination", "File");
  settings().SetText("Publish.DirName", site);
  ASSERT_TRUE(PublishNow(*editor_, *generator_, PublishOptions{}).ok());
  const auto live = Snapshot(site);

  AddEvent();
  ui_.messages.clear();
  int pages = 0;
  ui_.cancel_when = [&pages] { return ++pages > 2; };
  Status status = PublishNow(*editor_, *generator_, PublishOptions{});
  EXPECT_EQ(status.code(), Status::Code::kCancelled);
  EXPECT_EQ(status.message(), generator::kRunCancelledMessage);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(Snapshot(site), live);
  EXPECT_FALSE(generator::Generator::Running());
  // The run stopped before its last pages: no March page in the build.
  EXPECT_FALSE(std::filesystem::exists(Build() + "March2025.html"));

  settings().SetText("Publish.Destination", "Webserver");
  settings().SetText("FTP.Host", "127.0.0.1");
  bool contacted = false;
  PublishOptions options;
  options.make_ftp_engine = [&contacted](const FtpConnectOptions& connection) {
    contacted = true;
    return MakeCurlFtpEngine(connection);
  };
  pages = 0;
  status = PublishNow(*editor_, *generator_, options);
  EXPECT_EQ(status.code(), Status::Code::kCancelled);
  EXPECT_FALSE(contacted);

  ui_.cancel_when = {};
  settings().SetText("Publish.Destination", "File");
  ASSERT_TRUE(PublishNow(*editor_, *generator_, PublishOptions{}).ok());
  EXPECT_NE(Snapshot(site), live);
}

}  // namespace
}  // namespace almanix::publish
