#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/startup.h"
#include "desktop/main_grid.h"
#include "store/db.h"
#include "store/store_startup.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::desktop::testing {

// A started program in a fresh root (real tables, folders opened with
// `true` instead of the desktop's opener) and the main window's grid on
// 5 March 2010 at noon.
class DesktopFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  // A one-hour event on the day in the category; returns its ID.
  std::string Add(const std::string& summary, DayNumber day, int category, double hour = 9);
  // The grid cell of the day; -1 when the grid does not show it.
  int CellOf(DayNumber day) const;
  // Loads the day's month and selects its cell.
  void Select(DayNumber day);

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  App app_;
  store::TDB1 data_;
  std::unique_ptr<store::StoreStartup> hooks_;
  std::unique_ptr<MainGrid> grid_;
};

inline DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

}  // namespace almanix::desktop::testing
