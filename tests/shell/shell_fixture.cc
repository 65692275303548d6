#include "shell/shell_fixture.h"

#include <cstdlib>

#include <QTest>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "desktop/main_grid.h"
#include "program/program.h"
#include "shell/main_window.h"

namespace almanix::shell::testing {

std::string SampleCalendar() {
  return std::string(ALMANIX_SOURCE_DIR) + "/resources/samples/club.cal";
}

std::string ScreenshotDir() {
  const char* out = std::getenv("ALMANIX_SCREENSHOT_DIR");
  return out == nullptr ? std::string() : std::string(out);
}

Status StartProgram(Program& program, const std::string& root, const std::string& calendar) {
  Program::Options options;
  options.root = root;
  options.calendar = calendar;
  return program.Start(options);
}

std::unique_ptr<TfrmMain> ShowMainWindow(Program& program, UiSeam& ui, int width, int height) {
  auto window = std::make_unique<TfrmMain>(program, ui);
  window->set_quiet_close(true);
  window->StartUp();
  window->resize(width, height);
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) {
    ADD_FAILURE() << "the main window was not shown";
    return nullptr;
  }
  return window;
}

void ShowSampleApril(TfrmMain& window) {
  const DayNumber today = EncodeDate(2025, 4, 16);
  desktop::MainGrid& grid = window.grid();
  grid.SetToday(today);
  ASSERT_TRUE(grid.LoadGrid(EncodeDate(2025, 4, 1)).ok());
  grid.cboCalendar_load();
  grid.LocateCategory("Announcements");
  ASSERT_TRUE(grid.LoadGrid(EncodeDate(2025, 4, 1)).ok());
  const auto& cells = grid.cells();
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].date == today) {
      ASSERT_TRUE(grid.ShowDay(static_cast<int>(i)).ok());
    }
  }
  window.Refresh();
}

}  // namespace almanix::shell::testing
