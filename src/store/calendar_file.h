#pragma once

#include <string>

#include "app/status.h"

namespace almanix {
class App;
class UiSeam;
}  // namespace almanix

// Calendar files and the working directory: a ".cal" file is a ZIP archive
// of the five folders of a working directory; opening one unpacks it into a
// fresh temporary working directory, saving packs it back.
namespace almanix::store {

class TDB1;

// The main window's part in these commands. The desktop fills them in; the
// command line leaves them as they are.
class WindowHooks {
 public:
  virtual ~WindowHooks() = default;
  virtual void ShowCalendarPage() {}
  // The waiting window with one line of text.
  virtual void ShowWait(const std::string& /*text*/) {}
  // Re-opens the category query for the year shown and refills the lists.
  virtual Status ReloadCategories() { return Status::Ok(); }
  virtual void RefreshFavoritesMenu() {}
  virtual Status LoadGrid() { return Status::Ok(); }
  // The "Work in .." and "Reopen" menus show the recent lists again.
  virtual void RefreshRecentMenus() {}
};

// The unpacked contents a calendar file may have at most.
inline constexpr unsigned long long kMaxUnpackedBytes = 8ull << 30;

class CalendarFile {
 public:
  CalendarFile(App& app, TDB1& data, UiSeam& ui, WindowHooks* window = nullptr);

  // Packs the working directory into path (replacing it only once the new
  // archive is complete) and makes it the open file.
  Status SaveCalendarFile(const std::string& path);
  // Unpacks the file into a fresh temporary working directory and works
  // there. A file that cannot be read leaves the working directory as it was.
  Status File_Open(const std::string& path);
  void CloseCalendarFile();
  // Switches the working directory and reloads the window.
  Status Working_Set(const std::string& folder);

  // The commands of the File menu.
  Status New();
  Status Save();
  Status SaveAs();
  Status DefaultWorkingDirectory();
  Status ChooseDirectory();
  Status WorkIn(int entry);  // 0..4
  Status Backup(const std::string& path);
  void AddRecentCalendarFile(const std::string& path);

  // What the window shows.
  const std::string& status_text() const { return status_text_; }
  const std::string& set_workdir_caption() const { return set_workdir_caption_; }
  bool set_workdir_checked() const { return set_workdir_checked_; }
  bool default_workdir_checked() const { return default_workdir_checked_; }

  // The folder name a calendar file is unpacked under: its name without
  // folder and extension, made safe for a folder name.
  static std::string TempNameFor(const std::string& path);

 private:
  // Sets damaged table files of the folder aside; says which.
  Status CheckTables(const std::string& db_folder);
  void Log(bool error, const std::string& message);

  App& app_;
  TDB1& data_;
  UiSeam& ui_;
  WindowHooks default_window_;
  WindowHooks* window_;
  std::string status_text_ = "                            Calendar: Default";
  std::string set_workdir_caption_ = "Set Working Directory";
  bool set_workdir_checked_ = false;
  bool default_workdir_checked_ = false;
};

}  // namespace almanix::store
