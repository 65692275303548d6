// The Format & Publish window's destination tools, opened from the real main
// window on the sample calendar: Cancel of a running publish, the FTP and
// Republish windows from the destination page, and "suggest" against a real
// FTP server on 127.0.0.1.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/main_grid.h"
#include "desktop/publish_handover.h"
#include "program/program.h"
#include "publish/ftp_upload.h"
#include "shell/ftp_window.h"
#include "shell/main_window.h"
#include "shell/preview_page.h"
#include "shell/publish_window.h"
#include "shell/publish_window_driver.h"
#include "shell/republish_window.h"
#include "shell/style_editor_window.h"
#include "shell/word_list_window.h"
#include "support/fake_ui.h"
#include "support/ftp_server.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

namespace fs = std::filesystem;

using testing::Choose;
using testing::Type;
using testing::WhenOpen;

QPushButton* Button(TMC& window, const char* name) {
  return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

class PublishToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    Program::Options options;
    options.root = root_.path();
    options.calendar = std::string(ALMANIX_SOURCE_DIR) + "/resources/samples/club.cal";
    ASSERT_TRUE(program_->Start(options).ok());
    window_ = std::make_unique<TfrmMain>(*program_, ui_);
    window_->set_quiet_close(true);
    window_->StartUp();
    window_->resize(1100, 720);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(window_->grid().LoadGrid(EncodeDate(2025, 4, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->grid().LocateCategory("Announcements");
    window_->Refresh();
    ui_.messages.clear();
  }

  void ClickFormat() {
    auto* pages = window_->findChild<QTabWidget*>(QStringLiteral("pages"));
    pages->setCurrentIndex(2);
    QTest::mouseClick(
        window_->preview_page().findChild<QPushButton*>(QStringLiteral("formatButton")),
        Qt::LeftButton);
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

// Cancel pressed while the calendar is being generated stops the publish:
// the window says so, the folder gets nothing, and the window stays open
// until the run has returned. The next "Publish Now" goes through.
TEST_F(PublishToolsTest, CancelStopsARunningPublishAndTheFolderGetsNothing) {
  const std::string target = root_.path() + "/site";
  bool driven = false;
  WhenOpen([&](TMC& tmc) {
    driven = true;
    tmc.ShowPublishStep();
    Choose(tmc, "Publish.Destination", QStringLiteral("File"));
    Type(tmc, "Publish.DirName", QString::fromStdString(target));
    QPushButton* cancel = Button(tmc, "cancelPublish");
    ASSERT_NE(cancel, nullptr);
    EXPECT_FALSE(cancel->isEnabled());
    bool was_open_during_run = false;
    ui_.on_process_events = [&] {
      if (!tmc.publishing() || !cancel->isEnabled()) return;
      QTest::mouseClick(cancel, Qt::LeftButton);
      // Escape during the run asks to cancel too, and does not close.
      tmc.reject();
      was_open_during_run = tmc.isVisible();
    };
    const Status s = tmc.PublishNow();
    ui_.on_process_events = {};
    EXPECT_EQ(s.code(), Status::Code::kCancelled) << s.message();
    EXPECT_TRUE(was_open_during_run);
    EXPECT_EQ(tmc.findChild<QLabel*>(QStringLiteral("publishResult"))->text(),
              QStringLiteral("Cancelled: nothing was published."));
    EXPECT_FALSE(fs::exists(target + "/January2025.html"));
    EXPECT_FALSE(cancel->isEnabled());

    EXPECT_TRUE(tmc.PublishNow().ok());
    EXPECT_TRUE(FileExists(target + "/January2025.html"));
    tmc.reject();
  });
  ClickFormat();
  ASSERT_TRUE(driven);
}

// The destination page opens the FTP window on the settings being edited
// (its folder comes back into the form) and "Republish ...".
TEST_F(PublishToolsTest, DestinationPageOpensTheFtpAndRepublishWindows) {
  bool ftp_shown = false, republish_shown = false;
  window_->set_on_ftp_window([&](FtpWindow& w) {
    ftp_shown = true;
    EXPECT_EQ(w.findChild<QLineEdit*>(QStringLiteral("ftpHost"))->text(),
              QStringLiteral("files.example.org"));
    QTimer::singleShot(0, &w, [&w] { w.CancelClicked(); });
  });
  window_->set_on_republish_window([&](RepublishWindow& w) {
    republish_shown = true;
    QTimer::singleShot(0, &w, [&w] { w.reject(); });
  });
  WhenOpen([&](TMC& tmc) {
    tmc.ShowPublishStep();
    Type(tmc, "FTP.Host", QStringLiteral("files.example.org"));
    ASSERT_NE(Button(tmc, "openFtpWindow"), nullptr);
    QTest::mouseClick(Button(tmc, "openFtpWindow"), Qt::LeftButton);
    ASSERT_NE(Button(tmc, "openRepublish"), nullptr);
    QTest::mouseClick(Button(tmc, "openRepublish"), Qt::LeftButton);
    EXPECT_TRUE(tmc.isVisible());
    tmc.reject();
  });
  ClickFormat();
  EXPECT_TRUE(ftp_shown);
  EXPECT_TRUE(republish_shown);
}

// "suggest" connects with the account of the form, offers a calendar folder
// inside each folder of the server's start folder, and says so.
TEST_F(PublishToolsTest, SuggestOffersTheServersFoldersInTheFolderList) {
  if (!almanix::testing::HasPyftpdlib()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
  const std::string home = root_.path() + "/server/";
  fs::create_directories(home + "public_html");
  fs::create_directories(home + "www");
  almanix::testing::FtpServer server(home, root_.path() + "/ftpd.log");
  ASSERT_GT(server.port(), 0);
  WhenOpen([&](TMC& tmc) {
    tmc.ShowPublishStep();
    Type(tmc, "FTP.Host", QString::fromStdString(server.host()));
    Type(tmc, "FTP.UserID", QStringLiteral("test"));
    Type(tmc, "FTP.Password", QStringLiteral("secret"));
    QTest::mouseClick(Button(tmc, "suggestFtpFolders"), Qt::LeftButton);
    auto* folders = tmc.findChild<QComboBox*>(QStringLiteral("FTP.Directory"));
    ASSERT_NE(folders, nullptr);
    EXPECT_GE(folders->findText(QStringLiteral("public_html/calendar/")), 0);
    EXPECT_GE(folders->findText(QStringLiteral("www/calendar/")), 0);
    EXPECT_GE(folders->findText(QStringLiteral("/")), 0);  // the offered ones stay
    ASSERT_FALSE(ui_.messages.empty());
    EXPECT_EQ(ui_.messages.back(), publish::kSuggestedMessage);

    // A wrong password offers nothing more and says why.
    Type(tmc, "FTP.Password", QStringLiteral("wrong"));
    const int offered = folders->count();
    EXPECT_FALSE(tmc.SuggestFtpFolders());
    EXPECT_EQ(folders->count(), offered);
    EXPECT_EQ(ui_.messages.back().rfind(publish::kConnectFailedMessage, 0), 0u);
    tmc.reject();
  });
  ClickFormat();
}

// The language gallery fills the month names (shown at once in the
// months.txt field), and the month-name editor changes one name on OK and
// nothing on Cancel; the favorite keeps what OK gave.
TEST_F(PublishToolsTest, LanguageGalleryAndWordListEditorsChangeTheFavoritesLists) {
  bool driven = false;
  WhenOpen([&](TMC& tmc) {
    driven = true;
    auto* languages = tmc.findChild<QComboBox*>(QStringLiteral("languageGallery"));
    ASSERT_NE(languages, nullptr);
    EXPECT_EQ(languages->currentText(), QStringLiteral("English"));
    EXPECT_FALSE(tmc.findChild<QLabel*>(QStringLiteral("languagePicture"))->pixmap().isNull());
    const int deutsch = languages->findText(QStringLiteral("Deutsch"));
    ASSERT_GE(deutsch, 0);
    languages->setCurrentIndex(deutsch);
    emit languages->activated(deutsch);
    auto* months = tmc.findChild<QPlainTextEdit*>(QStringLiteral("Text.months.txt"));
    ASSERT_NE(months, nullptr);
    EXPECT_TRUE(months->toPlainText().contains(QStringLiteral("3=März")));

    for (bool ok : {false, true}) {
      tmc.set_on_word_list([ok](QDialog& d) {
        auto& window = dynamic_cast<WordListWindow&>(d);
        QTimer::singleShot(0, &window, [&window, ok] {
          QTableWidget* rows = window.table();
          ASSERT_EQ(rows->rowCount(), 12);
          EXPECT_FALSE(rows->item(0, 0)->flags() & Qt::ItemIsEditable);
          rows->item(2, 1)->setText(QStringLiteral("Lenz"));
          ok ? window.accept() : window.reject();
        });
      });
      QTest::mouseClick(Button(tmc, "editMonths"), Qt::LeftButton);
      EXPECT_EQ(months->toPlainText().contains(QStringLiteral("3=Lenz")), ok);
    }
    tmc.accept();
  });
  ClickFormat();
  ASSERT_TRUE(driven);
  const std::string saved =
      almanix::testing::ReadAll(program_->app.dir->FavoritesDir + "Announcements/months.txt");
  EXPECT_NE(saved.find("3=Lenz"), std::string::npos);
}

// "Add New Style": the editor previews one month in the new style without
// the events, OK keeps it under the name typed with its snapshot, and the
// Format & Publish window selects it; its own title comes back.
TEST_F(PublishToolsTest, AddNewStyleEditsPreviewsAndKeepsTheStyle) {
  bool edited = false;
  WhenOpen([&](TMC& tmc) {
    Type(tmc, "Page.Title", QStringLiteral("Riverside Club"));
    tmc.set_on_style_editor([&](StyleEditorWindow& editor) {
      QTimer::singleShot(0, &editor, [&] {
        edited = true;
        EXPECT_TRUE(editor.PreviewNow());
        for (int i = 0; i < 200 && editor.previews_shown() == 0; ++i) QTest::qWait(50);
        EXPECT_GT(editor.previews_shown(), 0);
        auto* name = editor.findChild<QLineEdit*>(QStringLiteral("styleName"));
        name->setText(QStringLiteral("Harbour"));
        auto* part = editor.findChild<QComboBox*>(QStringLiteral("styleBlock"));
        part->setCurrentText(QStringLiteral("Events"));
        auto* size = editor.findChild<QSpinBox*>(QStringLiteral("blockFontSize"));
        size->setValue(17);
        EXPECT_TRUE(editor.findChild<QPlainTextEdit*>(QStringLiteral("styleSheetText"))
                        ->toPlainText()
                        .contains(QStringLiteral("font-size: 17pt;")));
        EXPECT_TRUE(editor.PreviewNow());
        const std::string main_page =
            almanix::testing::ReadAll(program_->app.dir->BuildDir + "Announcements.html");
        EXPECT_EQ(main_page.find("Riverside Club"), std::string::npos);
        editor.accept();
      });
    });
    QTest::mouseClick(Button(tmc, "style Add New Style"), Qt::LeftButton);
    EXPECT_EQ(tmc.findChild<QComboBox*>(QStringLiteral("Publish.StyleName"))->currentText(),
              QStringLiteral("Harbour"));
    EXPECT_EQ(tmc.findChild<QLineEdit*>(QStringLiteral("Page.Title"))->text(),
              QStringLiteral("Riverside Club"));
    tmc.reject();
  });
  ClickFormat();
  ASSERT_TRUE(edited);
  const std::string folder = program_->app.dir->StylesDir + "Harbour/";
  EXPECT_NE(almanix::testing::ReadAll(folder + "Style.css").find("font-size: 17pt;"),
            std::string::npos);
  EXPECT_TRUE(FileExists(folder + "snapshot.bmp"));
}

// The style editor, a word-list editor and the destination page, for
// docs/desktop/, taken under a real X server by
// tools/take_desktop_screenshots.sh.
TEST_F(PublishToolsTest, DesktopScreenshotsOfThePublishTools) {
  const char* out = std::getenv("ALMANIX_SCREENSHOT_DIR");
  if (out == nullptr) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  const QString dir = QString::fromUtf8(out);
  window_->handover().set_now(1744804800);
  WhenOpen([&](TMC& tmc) {
    tmc.resize(1300, 820);
    tmc.ShowPublishStep();
    QTest::qWait(500);
    EXPECT_TRUE(tmc.grab().save(dir + "/publish-destination.png"));
    tmc.set_on_style_editor([&](StyleEditorWindow& editor) {
      QTimer::singleShot(0, &editor, [&] {
        auto* part = editor.findChild<QComboBox*>(QStringLiteral("styleBlock"));
        part->setCurrentText(QStringLiteral("Month caption"));
        EXPECT_TRUE(editor.PreviewNow());
        for (int i = 0; i < 200 && editor.previews_shown() == 0; ++i) QTest::qWait(50);
        QTest::qWait(1500);
        EXPECT_TRUE(editor.grab().save(dir + "/style-editor.png"));
        editor.reject();
      });
    });
    IgnoreResult(tmc.AddNewStyle().status(), "the picture is what is wanted here");
    tmc.set_on_word_list([&](QDialog& d) {
      QTimer::singleShot(0, &d, [&d, dir] {
        QTest::qWait(300);
        EXPECT_TRUE(d.grab().save(dir + "/word-list.png"));
        d.reject();
      });
    });
    QTest::mouseClick(Button(tmc, "editTranslate"), Qt::LeftButton);
    tmc.reject();
  });
  ClickFormat();
}

}  // namespace
}  // namespace almanix::shell
