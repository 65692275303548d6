#include "publish/published_calendar_file.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/scramble.h"
#include "publish/destination_fixture.h"
#include "publish/ftp_upload.h"
#include "store/calendar_file.h"

namespace almanix::publish {
namespace {

using almanix::testing::ReadAll;
using almanix::testing::WriteAll;

class PublishedCalendarFileTest : public testing::DestinationFixture {
 protected:
  void SetUp() override {
    DestinationFixture::SetUp();
    settings().SetText("FTP.Host", "ftp.club.example");
    settings().SetText("FTP.UserID", "club-user");
    settings().SetText("FTP.Password", "stored-pass");
    ASSERT_TRUE(editor_->Save().ok());
  }

  Status Publish() {
    if (Status s = session_->files->SaveCalendarFile(packed_); !s.ok()) return s;
    return WritePublishedCalendarFile(packed_, target_, scratch_, session_->app.secrets.get());
  }

  std::string Entry(const std::string& name) {
    const std::string out = root_ / "entry.bin";
    const std::string command =
        "unzip -p '" + target_ + "' '" + name + "' > '" + out + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? ReadAll(out) : std::string("(missing)");
  }

  const std::string packed_ = root_ / "packed.cal";
  const std::string target_ = root_ / "calendar.cal";
  const std::string scratch_ = root_ / "scratch/";
};

TEST_F(PublishedCalendarFileTest, LoginsAndTheUploadRecordStayHome) {
  const std::string favorite = editor_->FavoriteFolder();
  // The upload record older versions kept beside conf.ini.
  WriteAll(favorite + "upload-manifest.txt", "ftp club-user@ftp.club.example\n");
  Status s = Publish();
  ASSERT_TRUE(s.ok()) << s.message();
  const std::string conf = Entry("favorites/Club/conf.ini");
  EXPECT_NE(conf.find("Host=ftp.club.example\r\n"), std::string::npos);
  EXPECT_NE(conf.find("UserID=\r\n"), std::string::npos);
  EXPECT_EQ(conf.find("club-user"), std::string::npos);
  EXPECT_EQ(Entry("favorites/Club/" + std::string("upload-manifest.txt")), "(missing)");
  EXPECT_NE(Entry("db/Events.db"), "(missing)");
  EXPECT_FALSE(std::filesystem::exists(scratch_));
  // The working directory is as it was.
  EXPECT_NE(ReadAll(favorite + "conf.ini").find("UserID=club-user"), std::string::npos);
  EXPECT_TRUE(FileExists(favorite + std::string("upload-manifest.txt")));
}

TEST_F(PublishedCalendarFileTest, APasswordElsewhereInTheSettingsKeepsTheFileBack) {
  WriteAll(dir().ConfigDir + "other-tool.ini",
           "[Account]\r\nkey=" + EncodeScrambled("stored-pass", kPublishPasswordKey) + "\r\n");
  Status s = Publish();
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("other-tool.ini"), std::string::npos) << s.message();
  EXPECT_FALSE(FileExists(target_));
  EXPECT_FALSE(std::filesystem::exists(scratch_));
}

}  // namespace
}  // namespace almanix::publish
