#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

#include "app/dates.h"
#include "desktop/categories.h"

class QCalendarWidget;
class QListWidget;
class QMenu;

namespace almanix::shell {

// The main window's calendar panel (left of the grid, hidden at start):
// the year's categories with their icons, the "Edit" link that opens the
// settings window, and a small month calendar. The list's pop-up menu
// renames, hides or publishes the category under the pointer.
class CalendarPanel : public QWidget {
 public:
  struct Commands {
    std::function<void(const std::string& name)> choose;  // a named row clicked
    std::function<void(int row)> settings;                // "Edit", Rename, Hide (-1: none)
    std::function<void(int row)> rename;
    std::function<void(int row)> hide;
    std::function<void(int row)> publish;
    std::function<void(DayNumber day)> go_to;  // a day of the small calendar
  };

  CalendarPanel(Commands commands, QWidget* parent);

  // Redraws the list (every row; a hidden one blank) with the current
  // category selected, and the small calendar on the date.
  void Show(const std::vector<desktop::CategoryRow>& rows, int current_row, DayNumber date);

  // The list's pop-up menu for a row (0-based); the caller owns it.
  QMenu* BuildMenu(int row, QWidget* parent);

 private:
  Commands commands_;
  QListWidget* list_ = nullptr;
  QCalendarWidget* calendar_ = nullptr;
  bool filling_ = false;
};

}  // namespace almanix::shell
