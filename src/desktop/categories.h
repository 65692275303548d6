#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "store/db_engine.h"

namespace almanix {
class App;
class UiSeam;
}  // namespace almanix

namespace almanix::desktop {

// One row of the category grid.
struct CategoryRow {
  int id = 0;
  std::string name;
  bool visible = true;
  std::string icon;  // the icon file drawn in the row; empty when there is none
};

// The icon file of a category name: the icons folder's name + ".ico"
// (any letter case); empty when there is none.
std::string CategoryIconFile(const App& app, std::string_view name);

// The category list of the main window's calendar panel: every row of the
// year's category table in table order, a hidden row without its name and
// icon. Empty when the year has no table.
std::vector<CategoryRow> CategoryListRows(const App& app, store::Database& db, int year);

// The "Categories" page of the settings window: the category table of one
// year, edited in place. Categories are never added or removed; they are
// renamed, hidden, given icons and copied to the next year.
class CategoryPage {
 public:
  static constexpr int kFirstYear = 2005;
  static constexpr int kLastYear = 2099;

  CategoryPage(App& app, store::Database& db, UiSeam& ui);

  // The year spin: below 2005 nothing happens; otherwise the year's tables
  // are made when missing (announced) and its categories shown.
  Status ShowYear(int year);
  int year() const { return year_; }
  std::vector<CategoryRow> Rows();

  // Edits of a row (0-based). A name keeps its first 64 characters.
  Status Rename(int row, std::string_view name);
  Status SetVisible(int row, bool visible);
  // The icon cell's button: asks for an .ico file and copies it to the
  // icons folder under the category's name.
  Status ChooseIcon(int row);
  // "Copy Categories to next year" after its question; backup_number is
  // the R of the "- old" + R backup (the window passes a random 0..99).
  Status CopyToNextYear(int backup_number);
  // "Hide/Show Categories": true (and the Visible column shown) on OK.
  bool HideShow();
  bool VisibleColumnShown() const { return visible_column_shown_; }
  // Closing the window: at least one category of the year stays visible.
  Status MakeOneVisible();

  // The icon file of a category name; empty when it has none.
  std::string IconFile(std::string_view name) const;

 private:
  Status Open();
  Status EditRow(int row, std::string_view column, std::string_view value);

  App& app_;
  store::Database& db_;
  UiSeam& ui_;
  store::Query query_;
  int year_ = 0;
  bool visible_column_shown_ = false;
};

}  // namespace almanix::desktop
