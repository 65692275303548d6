#pragma once

#include <functional>
#include <string>

#include <QtGlobal>

class QAction;
class QMenu;
class QWidget;

namespace almanix {
class TDir;
}

namespace almanix::shell {

// The "&Publish" menu: "New Calendar..." (captioned with the current
// category), "New Calendar", "FTP Settings...", "Republish ...", then the saved
// favorites.
class PublishMenu {
 public:
  struct Commands {
    std::function<void()> format_category;  // "New Calendar..."
    std::function<void()> new_calendar;     // "New Calendar"
    std::function<void(const std::string& favorite)> publish_favorite;
    std::function<void()> ftp_settings;  // "FTP Settings..."
    std::function<void()> republish;  // "Republish ..." (none: no entry)
  };

  // Adds the menu to the parent's menu bar (parent is a QMainWindow).
  PublishMenu(QMenu* menu, const TDir& dir, Commands commands);

  // RefreshFavoritesMenu: the favorite entries anew from the folders.
  void Refresh();
  // "Category (" + name + ")".
  void SetCategory(const std::string& name);

  QMenu* menu() { return menu_; }

 private:
  QMenu* menu_;
  const TDir& dir_;
  Commands commands_;
  QAction* format_category_ = nullptr;
  qsizetype fixed_entries_ = 3;  // the entries before the favorites
};

}  // namespace almanix::shell
