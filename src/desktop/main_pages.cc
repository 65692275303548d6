#include "desktop/main_pages.h"

#include "app/comma_text.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/text.h"
#include "store/db_engine.h"

namespace almanix::desktop {

const std::vector<std::string>& EventListTitles() {
  static const std::vector<std::string> titles = {
      "Year", "Month", "Day", "Starts", "Event Name", "Description", "Location", "URL"};
  return titles;
}

std::string EventListSql(ShowEvents show, int column, std::string_view search, DayNumber today) {
  std::string sort = "sDate";
  switch (column) {
    case 4: sort = "Summary"; break;
    case 5: sort = "Description"; break;
    case 6: sort = "Location"; break;
    case 7: sort = "URL"; break;
    default: break;
  }
  switch (show) {
    case ShowEvents::kAll:
      return "Select * from events order by " + sort + " asc";
    case ShowEvents::kUpcoming:
      return "Select * from events where sDate >= " + store::SqlQuote(std::to_string(today)) +
             " order by " + sort + " asc";
    case ShowEvents::kSearch: {
      const std::string p = store::SqlQuote("%" + ToLower(search) + "%");
      return "Select * from events where LOWER(Summary) LIKE " + p +
             " or LOWER(Description) LIKE " + p + " order by sDate asc";
    }
  }
  return "";
}

Result<std::vector<EventListRow>> ReloadEventList(store::Database& db, ShowEvents show,
                                                 int column, std::string_view search,
                                                 DayNumber today) {
  store::Query q(db);
  if (Status s = q.Open(EventListSql(show, column, search, today)); !s.ok()) return s;
  const char* columns[] = {"iYear", "iMonth", "iDay", "caption",
                           "Summary", "Description", "Location", "URL"};
  std::vector<int> index;
  for (const char* c : columns) index.push_back(q.ColumnIndex(c));
  const int id = q.ColumnIndex("ID");
  const int s_date = q.ColumnIndex("sDate");
  std::vector<EventListRow> rows;
  for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
    EventListRow row;
    row.id = q.AsStringAt(id);
    row.s_date = q.AsStringAt(s_date);
    for (int i : index) row.cells.push_back(q.AsStringAt(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string FavoriteFolder(const TDir& dir, std::string_view name) {
  return dir.FavoritesDir + std::string(name) + "/";
}

std::vector<std::string> FormatBoxItems(const TDir& dir, store::Database& db,
                                        std::string_view year, std::string_view current) {
  std::vector<std::string> names = SplitCommaText(TDir::ListSubfolders(dir.FavoritesDir, "*"));
  store::Query q(db);
  if (q.Open(" Select * from calendar" + std::string(year)).ok()) {
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
      if (q.AsString("Visible") == "True") names.push_back(q.AsString("Name"));
    }
  }
  std::vector<std::string> items;
  for (const std::string& name : names) {
    if (!Trim(name).empty()) items.push_back(name);
  }
  bool has_current = false;
  for (const std::string& item : items) has_current = has_current || item == current;
  if (!has_current && !Trim(current).empty()) items.emplace_back(current);
  return items;
}

std::vector<FavoriteEntry> FavoritesMenu(const TDir& dir) {
  std::vector<FavoriteEntry> entries;
  for (const std::string& name : SplitCommaText(TDir::ListSubfolders(dir.FavoritesDir, "*"))) {
    // Each folder goes in right after the fixed entries: the last comes first.
    entries.insert(entries.begin(), {ReplaceAll(name, "&", "&&"), name});
  }
  if (entries.size() > 19) entries.resize(19);
  return entries;
}

std::string OnlineAddress(const TDir& dir, std::string_view category) {
  const std::string folder = FavoriteFolder(dir, category);
  if (category.empty() || !DirectoryExists(folder)) return "http://";
  IniFile conf(folder + "conf.ini");
  IgnoreResult(conf.Load(), "a favorite without its settings has no address yet");
  return conf.ReadString("Publish", "URL", "http://");
}

Result<std::string> SaveOnlineAddress(const TDir& dir, std::string_view category,
                                      std::string_view address) {
  const std::string folder = FavoriteFolder(dir, category);
  if (!category.empty() && DirectoryExists(folder)) {
    IniFile conf(folder + "conf.ini");
    IgnoreResult(conf.Load(), "a missing conf.ini is made by the save");
    conf.WriteString("Publish", "URL", address);
    if (Status s = conf.Save(); !s.ok()) return s;
  }
  return "Save link to Calendar: " + std::string(address);
}

}  // namespace almanix::desktop
