#include "desktop/categories.h"

#include <filesystem>
#include <system_error>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/ui_seam.h"
#include "store/category_tables.h"
#include "store/tables.h"
#include "store/year_tables.h"

namespace almanix::desktop {

namespace {

constexpr std::string_view kNameFirst = "Give the calendar a name first, before picking an icon";
constexpr std::string_view kCopyQuestion =
    "Are you sure you want next year to have the same categories? \r\n"
    "If you hid some categories this will copy this setting to next year.";
constexpr std::string_view kHideWarning =
    "Warning!!!! This feature is provided for backward compatibility and should not be used "
    "normally. \r\nClear the name not to show a category ... if you hide some categories you "
    "will need \r\nto select subsequent years and hide these same categories in all years "
    "otherwise the \r\nprogram will not function correctly!!!!. ";

// A name that would reach outside the icons folder as a file name.
bool UnsafeFileName(std::string_view name) {
  return name.find('/') != std::string_view::npos || name == "." || name == "..";
}

}  // namespace

std::string CategoryIconFile(const App& app, std::string_view name) {
  if (name.empty() || !app.dir || UnsafeFileName(name)) return "";
  std::string icon = FindNoCase(app.dir->IconsDir, std::string(name) + ".ico");
  return !icon.empty() && FileExists(icon) ? icon : "";
}

std::vector<CategoryRow> CategoryListRows(const App& app, store::Database& db, int year) {
  std::vector<CategoryRow> rows;
  store::Query q(db);
  if (!q.Open(" Select * from calendar" + std::to_string(year)).ok()) return rows;
  for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
    CategoryRow row;
    row.id = q.AsInteger("ID");
    row.visible = q.AsString("Visible") == "True";
    if (row.visible) {
      row.name = q.AsString("Name");
      row.icon = CategoryIconFile(app, row.name);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

CategoryPage::CategoryPage(App& app, store::Database& db, UiSeam& ui)
    : app_(app), db_(db), ui_(ui), query_(db) {}

Status CategoryPage::ShowYear(int year) {
  if (year < kFirstYear) return Status::Ok();
  if (year > kLastYear) return Status::Invalid("no such year");
  if (Status s = store::PostIfEditing(query_); !s.ok()) return s;
  store::YearTables years(db_, app_.config ? app_.config->CalendarList : std::vector<std::string>{},
                          app_.dir ? app_.dir->ConfigDir : "", app_.log.get(), &ui_);
  years.EnsureAnnounced(std::to_string(year));
  year_ = year;
  return Open();
}

Status CategoryPage::Open() {
  return query_.Open(" Select * from calendar" + std::to_string(year_));
}

std::vector<CategoryRow> CategoryPage::Rows() {
  std::vector<CategoryRow> rows;
  if (!query_.active()) return rows;
  const int at = query_.RecNo();
  for (Status walk = query_.First(); walk.ok() && !query_.Eof(); walk = query_.Next()) {
    CategoryRow row;
    row.id = query_.AsInteger("ID");
    row.name = query_.AsString("Name");
    row.visible = query_.AsString("Visible") != "False";
    row.icon = IconFile(row.name);
    rows.push_back(std::move(row));
  }
  if (at > 0) IgnoreResult(query_.MoveTo(at), "nothing is pending after the walk");
  return rows;
}

std::string CategoryPage::IconFile(std::string_view name) const {
  return CategoryIconFile(app_, name);
}

Status CategoryPage::EditRow(int row, std::string_view column, std::string_view value) {
  if (!query_.active()) return Status::Invalid("no categories shown");
  if (Status s = query_.MoveTo(row + 1); !s.ok()) return s;
  if (Status s = query_.Edit(); !s.ok()) return s;
  if (Status s = query_.SetString(column, value); !s.ok()) {
    query_.Cancel();
    return s;
  }
  return query_.Post();
}

Status CategoryPage::Rename(int row, std::string_view name) { return EditRow(row, "Name", name); }

Status CategoryPage::SetVisible(int row, bool visible) {
  return EditRow(row, "Visible", visible ? "True" : "False");
}

Status CategoryPage::ChooseIcon(int row) {
  if (!query_.active()) return Status::Invalid("no categories shown");
  if (Status s = query_.MoveTo(row + 1); !s.ok()) return s;
  const std::string name = query_.AsString("Name");
  if (name.empty()) {
    ui_.ShowMessage(kNameFirst);
    return Status::Ok();
  }
  if (UnsafeFileName(name)) {
    ui_.ShowMessage("The name " + name + " cannot name an icon file", MessageKind::kWarning);
    return Status::Ok();
  }
  std::optional<std::string> picked =
      ui_.PickPath(PickKind::kOpenFile, "Select an Icon", app_.dir->ClipArtIconsDir);
  if (!picked || !FileExists(*picked)) return Status::Ok();
  // Any icon of that name, whatever its case, gives way to the new one.
  std::string target = FindNoCase(app_.dir->IconsDir, name + ".ico");
  if (target.empty()) target = app_.dir->IconsDir + name + ".ico";
  std::error_code ec;
  std::filesystem::create_directories(app_.dir->IconsDir, ec);
  if (std::filesystem::equivalent(*picked, target, ec)) return Status::Ok();
  std::filesystem::copy_file(*picked, target, std::filesystem::copy_options::overwrite_existing,
                             ec);
  if (ec) return Status::IoError("Cannot copy " + *picked + " to " + target + ": " + ec.message());
  return Status::Ok();
}

Status CategoryPage::CopyToNextYear(int backup_number) {
  if (year_ < kFirstYear) return Status::Ok();
  if (ui_.Ask(kCopyQuestion, Buttons::kYesNo, Answer::kNo) != Answer::kYes) {
    return Status::Ok();
  }
  if (Status s = store::PostIfEditing(query_); !s.ok()) return s;
  store::YearTables years(db_, app_.config ? app_.config->CalendarList : std::vector<std::string>{},
                          app_.dir ? app_.dir->ConfigDir : "", app_.log.get(), &ui_);
  Result<std::string> copied = store::CopyCategoriesToNextYear(db_, years, year_, backup_number,
                                                               app_.log.get(), &ui_);
  return copied.status();
}

bool CategoryPage::HideShow() {
  if (ui_.Ask(kHideWarning, Buttons::kOkCancel, Answer::kCancel) != Answer::kOk) return false;
  visible_column_shown_ = true;
  return true;
}

Status CategoryPage::MakeOneVisible() {
  if (Status s = store::PostIfEditing(query_); !s.ok()) return s;
  Status s = store::EnsureOneVisibleCategory(query_);
  IgnoreResult(query_.First(), "the page goes back to its first row; nothing is pending");
  return s;
}

}  // namespace almanix::desktop
