// The first start as a person meets it, and the "Republish ..." window,
// driven under the offscreen platform on a started program.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dir.h"
#include "desktop/main_grid.h"
#include "program/program.h"
#include "publish/republish_schedule.h"
#include "shell/main_window.h"
#include "shell/qt_ui.h"
#include "shell/republish_window.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

namespace fs = std::filesystem;
using almanix::testing::Exists;
using almanix::testing::ReadAll;

TEST(FirstStartTest, TheCalendarTypeQuestionLeadsStraightToAMonthGrid) {
  testing::TempRoot root;
  QtUi ui;
  Program program(ui);
  const CategoryPreset& chosen = CategoryPresets()[3];
  int questions = 0;
  // The question is answered as a person would; anything asked after it
  // would be set-up the first start should not need.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    auto* dialog = dynamic_cast<QInputDialog*>(modal);
    if (dialog != nullptr && questions == 0) {
      ++questions;
      EXPECT_EQ(dialog->comboBoxItems().size(), static_cast<int>(CategoryPresets().size()));
      dialog->setTextValue(QString::fromStdString(chosen.choice));
      dialog->accept();
      return;
    }
    ADD_FAILURE() << "asked more at the first start: " << modal->windowTitle().toStdString();
    modal->close();
  });
  watch.start(20);
  Program::Options options;
  options.root = root.path();
  ASSERT_TRUE(program.Start(options).ok());
  EXPECT_EQ(questions, 1);
  EXPECT_TRUE(program.app.asked_calendar_type);

  TfrmMain window(program, ui);
  window.set_quiet_close(true);
  window.StartUp();
  window.show();
  watch.stop();
  // A month of days, on the first category of the chosen type.
  EXPECT_GE(window.grid().cells().size(), 28u);
  EXPECT_EQ(window.grid().CategoryName(), chosen.names.front());
}

// systemctl as a running user manager answers it.
class AnsweringSystemd : public publish::CommandRunner {
 public:
  publish::CommandOutcome Run(const std::vector<std::string>& argv,
                              const std::string& /*input*/) override {
    if (argv[0] != "systemctl") return {-1, ""};
    if (argv.size() > 2 && argv[2] == "enable" && refuse) return {1, ""};
    return {0, ""};
  }
  bool refuse = false;
};

class RepublishWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    Program::Options options;
    options.root = root_.path();
    ASSERT_TRUE(program_->Start(options).ok());
    fs::create_directories(program_->app.dir->FavoritesDir + "Club");
    ui_.messages.clear();
  }
  std::string Timer() const {
    return publish::UserUnitFolder() + "almanix-publish-Club.timer";
  }

  testing::TempRoot root_;
  testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  AnsweringSystemd systemd_;
};

TEST_F(RepublishWindowTest, ChoosingWeeklySetsTheTimerAndSaysSo) {
  RepublishWindow window(program_->app, ui_, systemd_, "Club", nullptr);
  auto* favorite = window.findChild<QComboBox*>(QStringLiteral("republishFavorite"));
  auto* every = window.findChild<QComboBox*>(QStringLiteral("republishEvery"));
  auto* state = window.findChild<QLabel*>(QStringLiteral("republishState"));
  auto* apply = window.findChild<QPushButton*>(QStringLiteral("republishApply"));
  ASSERT_TRUE(favorite && every && state && apply);
  EXPECT_EQ(favorite->currentText(), QStringLiteral("Club"));
  EXPECT_EQ(state->text(), QStringLiteral("Not republished on a schedule. It has not run yet."));

  every->setCurrentIndex(2);
  apply->click();
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_NE(ReadAll(Timer()).find("OnCalendar=weekly"), std::string::npos);
  EXPECT_EQ(state->text(), QStringLiteral("Republished weekly (systemd). It has not run yet."));

  // Opened again, the window shows what is set.
  RepublishWindow again(program_->app, ui_, systemd_, "", nullptr);
  EXPECT_EQ(again.findChild<QComboBox*>(QStringLiteral("republishEvery"))->currentIndex(), 2);

  every->setCurrentIndex(0);
  apply->click();
  EXPECT_FALSE(Exists(Timer()));
}

TEST_F(RepublishWindowTest, ARefusedTimerIsReportedAndNothingStays) {
  systemd_.refuse = true;
  RepublishWindow window(program_->app, ui_, systemd_, "Club", nullptr);
  window.findChild<QComboBox*>(QStringLiteral("republishEvery"))->setCurrentIndex(1);
  EXPECT_FALSE(window.Apply());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find("could not enable"), std::string::npos);
  EXPECT_FALSE(Exists(Timer()));
  EXPECT_EQ(window.findChild<QComboBox*>(QStringLiteral("republishEvery"))->currentIndex(), 0);
}

TEST_F(RepublishWindowTest, AFailedScheduledRunIsShownOnceAtTheNextStart) {
  publish::ScheduledRunMarker marker(
      publish::ScheduledRunMarker::PathIn(program_->app.dir->UserDataDir));
  ASSERT_TRUE(marker.Record("Club", false, 1765252800, "Nothing was published").ok());
  ShowScheduledRunFailures(program_->app, ui_);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find("The scheduled publish of \"Club\""), std::string::npos);
  ShowScheduledRunFailures(program_->app, ui_);
  EXPECT_EQ(ui_.messages.size(), 1u);
}

// The picture of docs/desktop/ (tools/take_desktop_screenshots.sh).
TEST_F(RepublishWindowTest, DesktopScreenshotsRepublish) {
  const char* out = std::getenv("ALMANIX_SCREENSHOT_DIR");
  if (out == nullptr) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  RepublishWindow window(program_->app, ui_, systemd_, "Club", nullptr);
  window.findChild<QComboBox*>(QStringLiteral("republishEvery"))->setCurrentIndex(1);
  ASSERT_TRUE(window.Apply());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.grab().save(QString::fromUtf8(out) + QStringLiteral("/republish.png"));
}

}  // namespace
}  // namespace almanix::shell
