// The Format & Publish window opened from the real main window on the
// sample calendar: a change shows in its own preview, Cancel puts the
// favorite back, OK keeps it, and "Publish Now" publishes into a folder.
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/main_grid.h"
#include "desktop/publish_form.h"
#include "desktop/publish_handover.h"
#include "program/program.h"
#include "settings/publish_editor.h"
#include "shell/main_window.h"
#include "shell/preview_page.h"
#include "shell/publish_window.h"
#include "shell/publish_window_driver.h"
#include "shell/shell_fixture.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

namespace fs = std::filesystem;

QString Evaluate(QWebEngineView* view, const QString& script) {
  QString result;
  bool done = false;
  view->page()->runJavaScript(script, [&](const QVariant& value) {
    result = value.toString();
    done = true;
  });
  for (int i = 0; i < 100 && !done; ++i) QTest::qWait(50);
  return result;
}

bool WaitForScript(QWebEngineView* view, const QString& script, const QString& expected,
                   int timeout_ms = 30000) {
  for (int waited = 0; waited < timeout_ms; waited += 200) {
    if (Evaluate(view, script).contains(expected)) return true;
    QTest::qWait(200);
  }
  ADD_FAILURE() << "the preview never gave " << expected.toStdString() << ", last: "
                << Evaluate(view, script).left(300).toStdString();
  return false;
}

using testing::Choose;
using testing::Type;
using testing::WhenOpen;

class PublishWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path(), testing::SampleCalendar()).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1100, 720);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->grid().LoadGrid(EncodeDate(2025, 4, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->grid().LocateCategory("Announcements");
    window_->Refresh();
    ui_.messages.clear();
  }

  // "Format" on the Preview page.
  void ClickFormat() {
    auto* pages = window_->findChild<QTabWidget*>(QStringLiteral("pages"));
    pages->setCurrentIndex(2);
    QTest::mouseClick(
        window_->preview_page().findChild<QPushButton*>(QStringLiteral("formatButton")),
        Qt::LeftButton);
  }

  TDir& dir() { return *program_->app.dir; }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(PublishWindowTest, AChangeShowsInTheWindowsPreviewAndCancelPutsItBack) {
  bool driven = false;
  WhenOpen([&](TMC& tmc) {
    driven = true;
    EXPECT_EQ(tmc.windowTitle(), QStringLiteral("Publish Editor"));
    // The first preview comes by itself, with the sample's events.
    ASSERT_TRUE(WaitForScript(tmc.preview(), QStringLiteral("document.body.innerText"),
                              QStringLiteral("New Year brunch")));
    const QString before_css = Evaluate(
        tmc.preview(), QStringLiteral("Array.from(document.styleSheets).map(s => "
                                      "Array.from(s.cssRules).map(r => r.cssText).join()).join()"));

    // A style chosen: its tabs come along and the page's look changes.
    Choose(tmc, "Publish.StyleName", QStringLiteral("Slate"));
    EXPECT_EQ(tmc.form().Value("Publish.ShowMenu"), "tabs - dark black");
    EXPECT_EQ(tmc.findChild<QComboBox*>(QStringLiteral("Publish.ShowMenu"))->currentText(),
              QStringLiteral("tabs - dark black"));
    // The gallery shows the chosen style's picture.
    auto* picture = tmc.findChild<QLabel*>(QStringLiteral("Publish.StyleName.preview"));
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->toolTip().endsWith(QStringLiteral("Slate/snapshot.bmp")));
    EXPECT_FALSE(picture->pixmap().isNull());
    // The title typed shows in the preview after the pause.
    Type(tmc, "Page.Title", QStringLiteral("Club Slate Days"));
    ASSERT_TRUE(WaitForScript(tmc.preview(), QStringLiteral("document.body.innerText"),
                              QStringLiteral("Club Slate Days")));
    const QString after_css = Evaluate(
        tmc.preview(), QStringLiteral("Array.from(document.styleSheets).map(s => "
                                      "Array.from(s.cssRules).map(r => r.cssText).join()).join()"));
    EXPECT_NE(before_css, after_css);
    EXPECT_GT(tmc.last_preview_ms(), 0);
    std::cout << "quick preview of the sample: " << tmc.last_preview_ms() << " ms\n";

    // "Preview": the full run, its first month page, Quick Preview off.
    tmc.form().editor().window.chkQuickPreview = true;
    QTest::mouseClick(tmc.findChild<QPushButton*>(QStringLiteral("fullPreview")),
                      Qt::LeftButton);
    EXPECT_EQ(tmc.form().Value("Window.QuickPreview"), "0");
    EXPECT_FALSE(tmc.findChild<QCheckBox*>(QStringLiteral("Window.QuickPreview"))->isChecked());
    for (int i = 0; i < 100 && !tmc.preview()->url().toString().endsWith("2025.html"); ++i) {
      QTest::qWait(100);
    }
    EXPECT_TRUE(tmc.preview()->url().toString().endsWith(QStringLiteral("2025.html")))
        << tmc.preview()->url().toString().toStdString();

    // An offset that is not a number is refused, said, and not shown.
    ui_.messages.clear();
    Type(tmc, "RSS.GMTOffset", QStringLiteral("east"));
    EXPECT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(tmc.findChild<QLineEdit*>(QStringLiteral("RSS.GMTOffset"))->text(),
              QStringLiteral("-5"));
    tmc.reject();
  });
  ClickFormat();
  EXPECT_TRUE(driven);
  // Cancelled: nothing was saved as a favorite.
  EXPECT_FALSE(DirectoryExists(dir().FavoritesDir + "Announcements/"));
}

TEST_F(PublishWindowTest, OkKeepsTheFavoriteAndPublishNowFillsTheFolder) {
  const std::string target = root_.path() + "/site";
  bool driven = false;
  WhenOpen([&](TMC& tmc) {
    driven = true;
    Type(tmc, "Page.Title", QStringLiteral("Published Club"));
    QTest::mouseClick(tmc.findChild<QPushButton*>(QStringLiteral("publishStep")),
                      Qt::LeftButton);
    auto* pages = tmc.findChild<QTabWidget*>(QStringLiteral("publishPages"));
    EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Destination"));
    Choose(tmc, "Publish.Destination", QStringLiteral("File"));
    Type(tmc, "Publish.DirName", QString::fromStdString(target));
    QTest::mouseClick(tmc.findChild<QPushButton*>(QStringLiteral("publishNow")),
                      Qt::LeftButton);
    EXPECT_EQ(tmc.findChild<QLabel*>(QStringLiteral("publishResult"))->text(),
              QStringLiteral("Published."));
    tmc.accept();
  });
  ClickFormat();
  ASSERT_TRUE(driven);
  EXPECT_TRUE(FileExists(target + "/Announcements.html"));
  EXPECT_TRUE(FileExists(target + "/January2025.html"));
  EXPECT_TRUE(DirectoryExists(dir().FavoritesDir + "Announcements/"));
}

TEST_F(PublishWindowTest, APublishToAFolderThatCannotBeMadeSaysSo) {
  const std::string blocker = root_.path() + "/file";
  std::ofstream(blocker) << "in the way";
  WhenOpen([&](TMC& tmc) {
    tmc.ShowPublishStep();
    Choose(tmc, "Publish.Destination", QStringLiteral("File"));
    Type(tmc, "Publish.DirName", QString::fromStdString(blocker + "/site"));
    EXPECT_FALSE(tmc.PublishNow().ok());
    EXPECT_TRUE(tmc.findChild<QLabel*>(QStringLiteral("publishResult"))
                    ->text()
                    .startsWith(QStringLiteral("Not published")));
    tmc.reject();
  });
  ClickFormat();
}

// The window on the Look page with a style chosen, for docs/desktop/, taken
// under a real X server by tools/take_desktop_screenshots.sh.
TEST(DesktopScreenshots, PublishEditor) {
  const std::string out = testing::ScreenshotDir();
  if (out.empty()) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  almanix::testing::TempRoot root;
  almanix::testing::FakeUi ui;
  Program program(ui);
  ASSERT_TRUE(testing::StartProgram(program, root.path(), testing::SampleCalendar()).ok());
  std::unique_ptr<TfrmMain> shown = testing::ShowMainWindow(program, ui, 1024, 700);
  ASSERT_NE(shown, nullptr);
  TfrmMain& window = *shown;
  ASSERT_TRUE(window.grid().LoadGrid(EncodeDate(2025, 4, 1)).ok());
  window.grid().cboCalendar_load();
  window.grid().LocateCategory("Announcements");
  window.Refresh();
  window.handover().set_now(1744804800);
  const QString dir = QString::fromStdString(out);
  WhenOpen([&](TMC& tmc) {
    tmc.resize(1300, 820);
    auto* pages = tmc.findChild<QTabWidget*>(QStringLiteral("publishPages"));
    pages->setCurrentIndex(static_cast<int>(desktop::FormPageId::kLook));
    Choose(tmc, "Publish.StyleName", QStringLiteral("Slate"));
    Type(tmc, "Page.Title", QStringLiteral("Riverside Club"));
    ASSERT_TRUE(WaitForScript(tmc.preview(), QStringLiteral("document.body.innerText"),
                              QStringLiteral("Riverside Club")));
    QTest::qWait(1500);
    EXPECT_TRUE(tmc.grab().save(dir + "/publish-editor.png"));
    tmc.reject();
  });
  auto* pages = window.findChild<QTabWidget*>(QStringLiteral("pages"));
  pages->setCurrentIndex(2);
  QTest::mouseClick(
      window.preview_page().findChild<QPushButton*>(QStringLiteral("formatButton")),
      Qt::LeftButton);
}

}  // namespace
}  // namespace almanix::shell
