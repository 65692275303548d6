// The FTP window under the offscreen platform against a real FTP server on
// 127.0.0.1, driven by clicks and typing as a person would.
#include "shell/ftp_window.h"

#include <chrono>
#include <filesystem>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/ftp_session.h"
#include "program/program.h"
#include "publish/ftp_upload.h"
#include "publish/host_trust.h"
#include "settings/publish_editor.h"
#include "shell/calendar_address_window.h"
#include "shell/main_window.h"
#include "publish/calendar_url.h"
#include "support/fake_ui.h"
#include "support/ftp_server.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using almanix::testing::ReadAll;
using almanix::testing::WriteAll;

class FtpWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!almanix::testing::HasPyftpdlib()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
    program_ = std::make_unique<Program>(ui_);
    Program::Options options;
    options.root = root_.path();
    ASSERT_TRUE(program_->Start(options).ok());
    fs::create_directories(home_ + "public_html/old");
    build_ = WithTrailingSlash(program_->app.dir->BuildDir);
    fs::create_directories(build_);
    WriteAll(build_ + "Club.html", "<html>club</html>");
    WriteAll(build_ + "style.css", "body {}");
  }

  void StartServer(std::vector<std::string> extra = {}) {
    server_ = std::make_unique<almanix::testing::FtpServer>(home_, root_ / "ftpd.log",
                                                            std::move(extra));
    ASSERT_GT(server_->port(), 0) << ReadAll(root_ / "ftpd.log");
  }

  void Open() {
    window_ = std::make_unique<FtpWindow>(*program_, ui_, "Club", nullptr);
    publish::FtpConnectOptions quick;
    // The other host variants lead nowhere, quickly.
    const std::string port = std::to_string(server_->port());
    quick.resolve = {"ftp.127.0.0.1:" + port + ":127.0.0.2",
                     "www.127.0.0.1:" + port + ":127.0.0.2"};
    quick.connect_timeout_seconds = 5;
    quick.response_timeout_seconds = 10;
    window_->set_connect_options(quick);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  template <typename T>
  T* Child(const char* name) {
    T* child = window_->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  void Type(const char* field, const QString& text) {
    QLineEdit* edit = Child<QLineEdit>(field);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }

  void FillAccount(const QString& password) {
    Type("ftpHost", QStringLiteral("127.0.0.1"));
    QSpinBox* port = Child<QSpinBox>("ftpPort");
    port->setValue(server_->port());
    Type("ftpUser", QStringLiteral("test"));
    Type("ftpPassword", password);
  }

  void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }

  QTreeWidgetItem* Node(const QString& name) {
    auto items = Child<QTreeWidget>("folderTree")->findItems(name, Qt::MatchExactly |
                                                                       Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
  }

  void ClickNode(QTreeWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    QTreeWidget* tree = Child<QTreeWidget>("folderTree");
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(item).center());
  }

  almanix::testing::TempRoot root_;
  const std::string home_ = root_ / "server/";
  std::string build_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<almanix::testing::FtpServer> server_;
  std::unique_ptr<FtpWindow> window_;
};

TEST_F(FtpWindowTest, ConnectBrowseMakeAFolderChooseItAndDoneKeepsItForTheFavorite) {
  StartServer();
  Open();
  FillAccount(QStringLiteral("secret"));
  Click("btnConnect");
  ASSERT_TRUE(window_->session().connected()) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_THAT(Child<QPlainTextEdit>("ui_status")->toPlainText().toStdString(),
              HasSubstr("Connected to 127.0.0.1:" + std::to_string(server_->port())));
  // Two levels of the server's folders.
  ASSERT_NE(Node(QStringLiteral("public_html")), nullptr);
  EXPECT_NE(Node(QStringLiteral("old")), nullptr);

  ClickNode(Node(QStringLiteral("public_html")));
  EXPECT_EQ(Child<QLabel>("pathLabel")->text(), QStringLiteral("public_html"));
  ui_.texts = {"calendar"};
  Click("btnAddFolder");
  EXPECT_TRUE(fs::is_directory(home_ + "public_html/calendar"));
  EXPECT_NE(Node(QStringLiteral("calendar")), nullptr);
  EXPECT_EQ(Child<QLabel>("pathLabel")->text(), QStringLiteral("public_html/calendar"));

  Click("btnClose");
  EXPECT_EQ(window_->result(), QDialog::Accepted);
  // Saved with the favorite; the password in the secret store, not conf.ini.
  publish::PublishEditor again(*program_->app.dir, "", nullptr, &ui_, 2025);
  ASSERT_TRUE(again.SetUp(program_->data.db(), 2025, "Club", 1).ok());
  EXPECT_EQ(again.settings.Text("FTP.Directory"), "public_html/calendar");
  EXPECT_EQ(again.settings.Text("FTP.Host"), "127.0.0.1:" + std::to_string(server_->port()));
  EXPECT_EQ(again.settings.Text("FTP.Password"), "secret");
  EXPECT_THAT(ReadAll(again.FavoriteFolder() + "conf.ini"), ::testing::Not(HasSubstr("secret")));

  // The Publish menu's entry opens the window on that favorite.
  TfrmMain main(*program_, ui_);
  main.set_quiet_close(true);
  main.StartUp();
  std::string shown_host;
  main.set_on_ftp_window([&](FtpWindow& w) {
    shown_host = w.findChild<QLineEdit*>(QStringLiteral("ftpHost"))->text().toStdString();
    QTimer::singleShot(0, &w, [&w] { w.CancelClicked(); });
  });
  QAction* entry = main.findChild<QAction*>(QStringLiteral("ftpSettings"));
  ASSERT_NE(entry, nullptr);
  entry->trigger();
  EXPECT_EQ(shown_host, "127.0.0.1");
}

TEST_F(FtpWindowTest, WrongPasswordSaysSoAndConnectsNothing) {
  StartServer();
  Open();
  FillAccount(QStringLiteral("wrong"));
  Click("btnConnect");
  EXPECT_FALSE(window_->session().connected());
  ASSERT_FALSE(ui_.messages.empty());
  EXPECT_EQ(ui_.messages.back().rfind(publish::kConnectFailedMessage, 0), 0u)
      << ui_.messages.back();
  EXPECT_THAT(ui_.messages.back(), HasSubstr("530"));
  EXPECT_FALSE(Child<QPushButton>("btnPublishHere")->isEnabled());
  EXPECT_EQ(Child<QTreeWidget>("folderTree")->topLevelItemCount(), 0);
}

TEST_F(FtpWindowTest, PublishHereUploadsEveryFileWithItsLogAndProgress) {
  StartServer();
  Open();
  FillAccount(QStringLiteral("secret"));
  Click("btnConnect");
  ASSERT_TRUE(window_->session().connected());
  ClickNode(Node(QStringLiteral("old")));
  QProgressBar* bar = Child<QProgressBar>("ftpProgress");
  int highest = 0, total = 0;
  QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
    highest = std::max(highest, value);
    total = std::max(total, bar->maximum());
  });
  Click("btnPublishHere");
  EXPECT_EQ(ReadAll(home_ + "public_html/old/Club.html"), "<html>club</html>");
  EXPECT_EQ(ReadAll(home_ + "public_html/old/style.css"), "body {}");
  const std::string log = Child<QPlainTextEdit>("ui_status")->toPlainText().toStdString();
  EXPECT_THAT(log, HasSubstr("Sent file :  Club.html"));
  EXPECT_THAT(log, HasSubstr("Sent file :  style.css"));
  // The bar went all the way while the files went.
  EXPECT_GT(total, 1);
  EXPECT_EQ(highest, total);
  EXPECT_THAT(ui_.questions, ::testing::Contains("Upload Files to public_html/old"));
  Click("btnClose");
  EXPECT_EQ(window_->editor().settings.Text("FTP.Directory"), "public_html/old");
}

TEST_F(FtpWindowTest, CancelStopsALargeUploadWithinASecondAndClosesTheWindow) {
  StartServer({"--throttle", "20000"});
  WriteAll(build_ + "big.bin", std::string(3000000, 'x'));  // minutes at this speed
  Open();
  FillAccount(QStringLiteral("secret"));
  Click("btnConnect");
  ASSERT_TRUE(window_->session().connected());
  std::chrono::steady_clock::time_point pressed;
  QTimer::singleShot(1500, window_.get(), [&] {
    pressed = std::chrono::steady_clock::now();
    Click("btnCancel");
  });
  Click("btnPublishHere");
  const auto stopped = std::chrono::steady_clock::now();
  EXPECT_LT(stopped - pressed, std::chrono::milliseconds(1500));
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->result(), QDialog::Rejected);
  EXPECT_FALSE(fs::exists(home_ + "big.bin"));
}

TEST_F(FtpWindowTest, UntrustedCertificateIsShownWithItsFingerprintAndTrustedKnowingly) {
  if (std::system("/usr/bin/python3 -c 'import OpenSSL' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "python3-openssl is not installed";
  }
  const std::string cert = root_ / "cert.pem", key = root_ / "key.pem";
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -keyout '" + key +
                         "' -out '" + cert + "' -days 2 -subj /CN=self.signed >/dev/null 2>&1")
                            .c_str()),
            0);
  StartServer({"--tls", cert, key});
  Open();
  FillAccount(QStringLiteral("secret"));
  Child<QComboBox>("ftpProtocol")->setCurrentIndex(1);  // FTPS
  Click("btnConnect");
  EXPECT_FALSE(window_->session().connected());
  QLabel* text = Child<QLabel>("trustText");
  ASSERT_TRUE(text->isVisible());
  ASSERT_TRUE(window_->session().untrusted());
  const std::string fingerprint = window_->session().untrusted()->fingerprint;
  EXPECT_THAT(text->text().toStdString(), HasSubstr(fingerprint));
  ASSERT_TRUE(Child<QPushButton>("btnTrust")->isVisible());

  Click("btnTrust");
  ASSERT_TRUE(window_->session().connected()) << (ui_.messages.empty() ? "" : ui_.messages.back());
  EXPECT_FALSE(text->isVisible());
  EXPECT_NE(Node(QStringLiteral("public_html")), nullptr);
  // Kept per host for the next connection, and for the command line.
  EXPECT_THAT(ReadAll(program_->app.dir->FtpDir + "trusted-hosts.txt"), HasSubstr(fingerprint));

  // Another key pinned for the host: refused with both fingerprints and no
  // way to wave it through but "Forget" first.
  publish::HostTrustStore store(publish::TrustStoreFile(program_->app.dir->FtpDir));
  ASSERT_TRUE(store.Trust(publish::FtpProtocol::kFtps, server_->host(), "SHA256:old").ok());
  Click("btnConnect");
  EXPECT_FALSE(window_->session().connected());
  EXPECT_THAT(text->text().toStdString(), HasSubstr(publish::kChangedKeyMessage));
  EXPECT_THAT(text->text().toStdString(), HasSubstr("SHA256:old"));
  EXPECT_FALSE(Child<QPushButton>("btnTrust")->isVisible());
  ASSERT_TRUE(Child<QPushButton>("btnForget")->isVisible());
  Click("btnForget");
  EXPECT_FALSE(store.Find(publish::FtpProtocol::kFtps, server_->host()));
  ASSERT_TRUE(Child<QPushButton>("btnTrust")->isVisible());
  Click("btnTrust");
  EXPECT_TRUE(window_->session().connected());
}

// The address window the FTP window opens: suggest, validate and a "Try"
// whose candidates serve nothing.
TEST_F(FtpWindowTest, CalendarAddressSuggestsCandidatesAndTryNeedsAServedPage) {
  publish::PublishEditor editor(*program_->app.dir, "", nullptr, &ui_, 2025);
  ASSERT_TRUE(editor.SetUp(program_->data.db(), 2025, "Club", 1).ok());
  editor.settings.SetText("FTP.Host", "ftp.club.example");
  editor.settings.SetText("FTP.Directory", "public_html/calendar/");
  editor.settings.SetText("Publish.URL", "");
  CalendarAddressWindow window(editor, nullptr);
  window.show();
  auto* box = window.findChild<QComboBox*>(QStringLiteral("calendar_url"));
  auto* answer = window.findChild<QLabel*>(QStringLiteral("addressAnswer"));
  ASSERT_NE(box, nullptr);
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("suggest_url_label")),
                    Qt::LeftButton);
  ASSERT_EQ(box->count(), 3);
  EXPECT_EQ(box->itemText(0), QStringLiteral("http://club.example/calendar/Calendar.html"));
  EXPECT_EQ(box->itemText(1), QStringLiteral("http://club.example/Calendar.html"));
  EXPECT_EQ(box->currentText(), box->itemText(0));
  EXPECT_EQ(answer->text().toStdString(), publish::kSuggestMessage);

  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("checkfroPrblems")),
                    Qt::LeftButton);
  EXPECT_THAT(answer->text().toStdString(), ::testing::StartsWith("The following problems"));

  // Nothing listens on port 1: no candidate passes, nothing is opened.
  editor.settings.SetText("FTP.Host", "127.0.0.1:1");
  editor.window.calendar_url.clear();
  box->setEditText(QString());
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Calendar_URL_Trynow")),
                    Qt::LeftButton);
  EXPECT_EQ(answer->text().toStdString(), publish::kNoCalendarFoundMessage);
  EXPECT_TRUE(box->currentText().isEmpty());
}

// The window connected to the tests' server, for docs/desktop/ (taken under
// a real X server by tools/take_desktop_screenshots.sh).
TEST_F(FtpWindowTest, DesktopScreenshotOfTheConnectedWindow) {
  const char* out = std::getenv("ALMANIX_SCREENSHOT_DIR");
  if (out == nullptr) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  fs::create_directories(home_ + "public_html/calendar");
  StartServer();
  Open();
  FillAccount(QStringLiteral("secret"));
  Click("btnConnect");
  ASSERT_TRUE(window_->session().connected());
  ClickNode(Node(QStringLiteral("calendar")));
  Click("btnPublishHere");
  window_->resize(820, 600);
  QTest::qWait(200);
  EXPECT_TRUE(window_->grab().save(QString::fromUtf8(out) + QStringLiteral("/ftp-window.png")));
}

}  // namespace
}  // namespace almanix::shell
