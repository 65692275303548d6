// The Preview and Online pages and the Publish menu of the real main window
// on the sample calendar: the generated calendar loaded in the embedded
// browser, the favorites, "Save URL" and a run that fails.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "desktop/main_grid.h"
#include "desktop/main_pages.h"
#include "desktop/publish_handover.h"
#include "program/program.h"
#include "settings/publish_editor.h"
#include "shell/main_window.h"
#include "shell/shell_fixture.h"
#include "shell/online_page.h"
#include "shell/preview_page.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

namespace fs = std::filesystem;

// A page's script result, waited for: the page may still be loading or
// following its redirect.
QString Evaluate(QWebEngineView* view, const QString& script) {
  // Shared with the callback: it may answer after this has given up.
  struct Answer {
    QString text;
    bool done = false;
  };
  auto answer = std::make_shared<Answer>();
  view->page()->runJavaScript(script, [answer](const QVariant& value) {
    answer->text = value.toString();
    answer->done = true;
  });
  for (int i = 0; i < 100 && !answer->done; ++i) QTest::qWait(50);
  return answer->text;
}

// Waits until the page's script gives the expected text.
bool WaitForScript(QWebEngineView* view, const QString& script, const QString& expected,
                   int timeout_ms = 30000) {
  for (int waited = 0; waited < timeout_ms; waited += 200) {
    if (Evaluate(view, script).contains(expected)) return true;
    QTest::qWait(200);
  }
  ADD_FAILURE() << "the page never gave " << expected.toStdString() << " for "
                << script.toStdString() << ", last: " << Evaluate(view, script).toStdString()
                << " at " << view->url().toString().toStdString();
  return false;
}

bool WaitForUrlEnding(QWebEngineView* view, const QString& end, int timeout_ms = 30000) {
  for (int waited = 0; waited < timeout_ms; waited += 100) {
    if (view->url().toString().endsWith(end)) return true;
    QTest::qWait(100);
  }
  ADD_FAILURE() << "still at " << view->url().toString().toStdString() << ", not " << end.toStdString();
  return false;
}

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

class PreviewPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path(), testing::SampleCalendar()).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1100, 720);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->grid().LoadGrid(D(2025, 4, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->grid().LocateCategory("Announcements");
    ASSERT_TRUE(window_->grid().LoadGrid(D(2025, 4, 1)).ok());
    window_->Refresh();
    ui_.messages.clear();
  }

  TDir& dir() { return *program_->app.dir; }

  // A favorite of one month of 2025 (1..12) with the first category.
  void SaveFavorite(const std::string& name, int month) {
    publish::PublishEditor editor(dir(), "US", nullptr, &ui_, 2025);
    ASSERT_TRUE(editor.SetUp(program_->data.db(), 2025, name + ".html", 1).ok());
    editor.settings.SetInt("Publish.StartMonth", month - 1);
    editor.settings.SetInt("Publish.EndMonth", month - 1);
    ASSERT_TRUE(editor.Save().ok());
  }

  QTabWidget* Pages() { return window_->findChild<QTabWidget*>(QStringLiteral("pages")); }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(PreviewPageTest, ThePreviewPageGeneratesAndShowsTheChosenCalendar) {
  SaveFavorite("Club", 3);
  PreviewPage& page = window_->preview_page();
  auto* progress = page.findChild<QProgressBar*>(QStringLiteral("previewProgress"));
  ASSERT_NE(progress, nullptr);

  // While the run writes, its progress is on the page's bar under the busy
  // cursor.
  int bar_seen = 0;
  int busy_seen = 0;
  ui_.on_process_events = [&] {
    if (progress->isVisible() && progress->value() >= 1 && progress->value() <= 99) ++bar_seen;
    if (QApplication::overrideCursor() != nullptr &&
        QApplication::overrideCursor()->shape() == Qt::WaitCursor) {
      ++busy_seen;
    }
  };
  // Choosing the page previews the current category: its main page, the
  // year's first month.
  Pages()->setCurrentIndex(2);
  ui_.on_process_events = nullptr;
  EXPECT_GT(bar_seen, 0);
  EXPECT_GT(busy_seen, 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  auto* box = page.findChild<QComboBox*>(QStringLiteral("formatBox"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->currentText(), QStringLiteral("Announcements"));
  EXPECT_EQ(box->itemText(0), QStringLiteral("Club"));
  EXPECT_TRUE(WaitForUrlEnding(page.view(), QStringLiteral("/Announcements.html")));
  EXPECT_TRUE(WaitForScript(page.view(), QStringLiteral("document.body.innerText"),
                            QStringLiteral("New Year brunch")));
  EXPECT_TRUE(progress->isHidden());
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front();

  // The favorite, chosen in the box: its one month, through the redirect
  // page that falls back to the first month published.
  box->setCurrentIndex(0);
  EXPECT_TRUE(WaitForUrlEnding(page.view(), QStringLiteral("/FirstMonth.html")));
  EXPECT_TRUE(WaitForScript(page.view(), QStringLiteral("document.body.innerText"),
                            QStringLiteral("Annual general meeting")));
  EXPECT_TRUE(FileExists(dir().BuildDir + "March2025.html"));
  EXPECT_FALSE(FileExists(dir().BuildDir + "April2025.html"));

  // "Format" hands the window over, then shows the run's main page.
  std::vector<bool> steps;
  window_->handover().set_show_window(
      [&steps](publish::PublishEditor&, bool publish_step) { steps.push_back(publish_step); });
  QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("formatButton")), Qt::LeftButton);
  QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("publishButton")),
                    Qt::LeftButton);
  EXPECT_EQ(steps, (std::vector<bool>{false, true}));
  EXPECT_TRUE(WaitForUrlEnding(page.view(), QStringLiteral("/Club.html")));
}

TEST_F(PreviewPageTest, AFailedRunShowsItsCauseAndLoadsNothingStale) {
  PreviewPage& page = window_->preview_page();
  Pages()->setCurrentIndex(2);
  ASSERT_TRUE(WaitForUrlEnding(page.view(), QStringLiteral("/Announcements.html")));
  ui_.messages.clear();

  // A file where the build folder should be: the earlier pages are gone and
  // nothing new can be written.
  std::string build = dir().BuildDir;
  build.pop_back();
  fs::remove_all(build);
  std::ofstream(build) << "in the way";
  QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("previewButton")),
                    Qt::LeftButton);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find("Build"), std::string::npos) << ui_.messages[0];
  EXPECT_TRUE(WaitForUrlEnding(page.view(), QStringLiteral("about:blank")));
  EXPECT_TRUE(page.findChild<QProgressBar*>(QStringLiteral("previewProgress"))->isHidden());
}

TEST_F(PreviewPageTest, ThePublishMenuListsTheLastNineteenFavorites) {
  for (int i = 1; i <= 24; ++i) {
    fs::create_directories(dir().FavoritesDir + "Calendar " + std::to_string(100 + i));
  }
  SaveFavorite("Tom & Jerry", 5);
  window_->RefreshFavoritesMenu();
  QMenu* menu = window_->findChild<QMenu*>(QStringLiteral("publishMenu"));
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> actions = menu->actions();
  const int fixed = 4;
  ASSERT_EQ(actions.size(), fixed + 19);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("Category (Announcements)"));
  EXPECT_EQ(actions[1]->text(), QStringLiteral("New Calendar"));
  EXPECT_EQ(actions[2]->text(), QStringLiteral("FTP Settings..."));
  EXPECT_EQ(actions[3]->text(), QStringLiteral("Republish ..."));
  const std::vector<desktop::FavoriteEntry> entries = desktop::FavoritesMenu(dir());
  ASSERT_EQ(entries.size(), 19u);
  bool tom = false;
  for (int i = 0; i < 19; ++i) {
    EXPECT_EQ(actions[fixed + i]->text().toStdString(), entries[static_cast<size_t>(i)].caption);
    tom = tom || actions[fixed + i]->text() == QStringLiteral("Tom && Jerry");
  }
  // Refreshing again gives the same entries, not twice as many.
  window_->RefreshFavoritesMenu();
  EXPECT_EQ(menu->actions().size(), fixed + 19);

  // The ampersand's entry (listed last, so shown first) publishes with
  // that folder's settings.
  ASSERT_TRUE(tom);
  std::vector<std::vector<int>> months;
  std::vector<int> start_months;
  std::vector<bool> steps;
  window_->handover().set_show_window([&](publish::PublishEditor& editor, bool publish_step) {
    months.push_back(editor.window.chkMonths.TickedPositions());
    start_months.push_back(editor.settings.Int("Publish.StartMonth"));
    steps.push_back(publish_step);
  });
  for (QAction* action : menu->actions()) {
    if (action->text() == QStringLiteral("Tom && Jerry")) action->trigger();
  }
  ASSERT_EQ(months.size(), 1u);
  EXPECT_EQ(start_months[0], 4);
  EXPECT_TRUE(steps[0]);
  // "New Calendar": all months and the current category.
  menu->actions()[1]->trigger();
  ASSERT_EQ(months.size(), 2u);
  EXPECT_EQ(months[1].size(), 12u);
  EXPECT_FALSE(steps[1]);
}

TEST_F(PreviewPageTest, SaveUrlKeepsTheAddressOfThePublishedCalendar) {
  OnlinePage& page = window_->online_page();
  // Without a favorite: the not-published page; "Save URL" saves nothing
  // but still says so and goes there.
  Pages()->setCurrentIndex(3);
  EXPECT_EQ(page.address()->text(), QStringLiteral("http://"));
  EXPECT_TRUE(WaitForUrlEnding(page.view(), QStringLiteral("/notpublished.html")));

  const std::string published = root_.path() + "published.html";
  std::ofstream(published) << "<html><head><title>Published club</title></head>"
                              "<body>The club online</body></html>";
  const QString address = QUrl::fromLocalFile(QString::fromStdString(published)).toString();
  page.address()->setText(address);
  QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("saveUrl")), Qt::LeftButton);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Save link to Calendar: " + address.toStdString());
  EXPECT_TRUE(WaitForScript(page.view(), QStringLiteral("document.title"),
                            QStringLiteral("Published club")));
  EXPECT_FALSE(DirectoryExists(dir().FavoritesDir + "Announcements/"));

  // With the category's favorite the address is kept and comes back.
  SaveFavorite("Announcements", 1);
  page.address()->setText(address);
  QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("saveUrl")), Qt::LeftButton);
  IniFile conf(dir().FavoritesDir + "Announcements/conf.ini");
  ASSERT_TRUE(conf.Load().ok());
  EXPECT_EQ(conf.ReadString("Publish", "URL", ""), address.toStdString());
  Pages()->setCurrentIndex(1);
  Pages()->setCurrentIndex(3);
  EXPECT_EQ(page.address()->text(), address);
  EXPECT_TRUE(WaitForScript(page.view(), QStringLiteral("document.body.innerText"),
                            QStringLiteral("The club online")));
  // Another page, then back through the history. The title tells which
  // document is on show: the address changes before a load is committed.
  const std::string other = root_.path() + "other.html";
  std::ofstream(other) << "<html><head><title>Other page</title></head><body>x</body></html>";
  page.address()->setText(QUrl::fromLocalFile(QString::fromStdString(other)).toString());
  QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("openAddress")), Qt::LeftButton);
  ASSERT_TRUE(WaitForScript(page.view(), QStringLiteral("document.title"),
                            QStringLiteral("Other page")));
  QTest::mouseClick(page.findChild<QToolButton*>(QStringLiteral("onlineBack")), Qt::LeftButton);
  EXPECT_TRUE(WaitForScript(page.view(), QStringLiteral("document.title"),
                            QStringLiteral("Published club")));
}

// The Events and Preview pages on the sample calendar for docs/desktop/,
// taken under a real X server by tools/take_desktop_screenshots.sh.
TEST(DesktopScreenshots, EventsAndPreviewPages) {
  const std::string out = testing::ScreenshotDir();
  if (out.empty()) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  almanix::testing::TempRoot root;
  almanix::testing::FakeUi ui;
  Program program(ui);
  ASSERT_TRUE(testing::StartProgram(program, root.path(), testing::SampleCalendar()).ok());
  std::unique_ptr<TfrmMain> shown = testing::ShowMainWindow(program, ui, 1180, 760);
  ASSERT_NE(shown, nullptr);
  TfrmMain& window = *shown;
  testing::ShowSampleApril(window);
  // April 2025 in the preview: the sample's spring.
  window.handover().set_now(1744804800);
  auto* pages = window.findChild<QTabWidget*>(QStringLiteral("pages"));
  const QString dir = QString::fromStdString(out);

  pages->setCurrentIndex(1);
  QTest::qWait(300);
  ASSERT_TRUE(window.grab().save(dir + "/main-events.png"));

  pages->setCurrentIndex(2);
  QWebEngineView* view = window.preview_page().view();
  ASSERT_TRUE(WaitForUrlEnding(view, QStringLiteral("/Announcements.html")));
  // The month of the sample's today, with its day marked.
  view->setUrl(QUrl::fromLocalFile(
      QString::fromStdString(program.app.dir->BuildDir + "April2025.html")));
  ASSERT_TRUE(WaitForUrlEnding(view, QStringLiteral("/April2025.html")));
  ASSERT_TRUE(WaitForScript(view, QStringLiteral("document.readyState"),
                            QStringLiteral("complete")));
  QTest::qWait(1500);
  ASSERT_TRUE(window.grab().save(dir + "/main-preview.png"));
}

}  // namespace
}  // namespace almanix::shell
