#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

namespace almanix {
class TDir;
}

namespace almanix::store {
class Database;
}

// The main window's other pages without a window: the event list with its
// show box and sorting, the preview's format box, the Publish menu's
// favorites and the online page's address.
namespace almanix::desktop {

enum class ShowEvents { kAll = 0, kUpcoming = 1, kSearch = 2 };

// The list's columns: Year, Month, Day, Starts, Event Name, Description,
// Location, URL.
inline constexpr int kEventListColumns = 8;
const std::vector<std::string>& EventListTitles();

// The SQL of the event list for the show box, the clicked column, the
// search text and today's day number.
std::string EventListSql(ShowEvents show, int column, std::string_view search, DayNumber today);

struct EventListRow {
  std::string id;
  std::string s_date;
  std::vector<std::string> cells;  // kEventListColumns texts
};

// ReloadEventList: every event of every category and year, as the list
// shows them.
Result<std::vector<EventListRow>> ReloadEventList(store::Database& db, ShowEvents show,
                                                 int column, std::string_view search,
                                                 DayNumber today);

// The favorite folder of a name: FavoritesDir + name + "/".
std::string FavoriteFolder(const TDir& dir, std::string_view name);

// The format box: favorite folder names, then the visible categories of the
// year, blanks left out, duplicates kept; the current category's name is
// added when missing.
std::vector<std::string> FormatBoxItems(const TDir& dir, store::Database& db,
                                        std::string_view year, std::string_view current);

// The favorite entries of the Publish menu: the last 19 folders listed, the
// last first; "&" doubled in the caption.
struct FavoriteEntry {
  std::string caption;
  std::string name;
};
std::vector<FavoriteEntry> FavoritesMenu(const TDir& dir);

// The online page's address for the category ("http://" when its favorite
// has none, or it has no favorite), and "Save URL".
std::string OnlineAddress(const TDir& dir, std::string_view category);
// Stores the address in the category's favorite when it has one; the
// message to show either way.
Result<std::string> SaveOnlineAddress(const TDir& dir, std::string_view category,
                                      std::string_view address);

}  // namespace almanix::desktop
