#include "desktop/ftp_session.h"

#include <gtest/gtest.h>

#include "settings/publish_settings.h"
#include "support/fake_ui.h"

namespace almanix::desktop {
namespace {

TEST(FtpAccountFormTest, PortTravelsInTheHostOnlyWhenItIsNotTheProtocolsOwn) {
  publish::PublishSettings settings;
  FtpAccountForm form;
  form.host = " ftp://ftp.ftp.example.net/ ";
  form.port = 2121;
  form.user = " club ";
  form.password = " pass word ";
  form.protocol = "FTPS";
  form.passive = false;
  AccountToSettings(form, &settings);
  EXPECT_EQ(settings.Text("FTP.Host"), "ftp.ftp.example.net:2121");
  EXPECT_EQ(settings.Text("FTP.UserID"), "club");
  EXPECT_EQ(settings.Text("FTP.Password"), " pass word ");  // a password is taken as typed
  EXPECT_EQ(settings.Text("FTP.Protocol"), "FTPS");
  EXPECT_FALSE(settings.Bool("FTP.Passive"));

  FtpAccountForm back = AccountFromSettings(settings);
  EXPECT_EQ(back.host, "ftp.ftp.example.net");
  EXPECT_EQ(back.port, 2121);
  EXPECT_EQ(back.protocol, "FTPS");

  form.port = 22;
  form.protocol = "SFTP";
  AccountToSettings(form, &settings);
  EXPECT_EQ(settings.Text("FTP.Host"), "ftp.ftp.example.net");
  EXPECT_EQ(AccountFromSettings(settings).port, 0);
  // Not a port: an address with a colon elsewhere stays whole.
  settings.SetText("FTP.Host", "host:x1");
  EXPECT_EQ(AccountFromSettings(settings).host, "host:x1");
}

TEST(FtpAccountFormTest, EmptyOrPlaceholderHostIsRefusedBeforeAnyConnection) {
  FtpAccountForm form;
  EXPECT_EQ(HostProblem(form), std::string(kInvalidHostSuffix));
  form.host = std::string(publish::kDefaultFtpHost);
  EXPECT_EQ(HostProblem(form), "ftp.example.org is not a valid host?  Enter address of your web site");
  form.host = "ftp.club.example";
  EXPECT_EQ(HostProblem(form), "");

  publish::PublishSettings settings;
  almanix::testing::FakeUi ui;
  FtpSession session(settings, ui, nullptr, "");
  form.host = "";
  EXPECT_FALSE(session.Connect(form).ok());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], " is not a valid host?  Enter address of your web site");
  EXPECT_FALSE(session.connected());
  EXPECT_FALSE(session.TrustPresentedKey().ok());
}

}  // namespace
}  // namespace almanix::desktop
