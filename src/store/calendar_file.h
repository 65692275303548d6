#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "app/status.h"
#include "platform/file_lock.h"

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

  // Makes File_Open and SaveCalendarFile hold a lock on the calendar file
  // (".NAME.cal.lock" beside it) from opening until another file is opened
  // or the working directory changes, so that two programs never change one
  // file at once. Waits up to `wait` for another holder, then fails with
  // "The calendar file PATH is in use by another program". Off by default.
  void set_lock_wait(std::chrono::milliseconds wait) { lock_wait_ = wait; }

  // Packs the tables, configuration, attachments, favorites and included
  // files of the working directory into path (replacing it only once the
  // new archive is complete) and makes it the open file. Refuses, writing
  // nothing, when the working directory holds no events table.
  Status SaveCalendarFile(const std::string& path);
  // Unpacks the file into a fresh temporary working directory of its own
  // (no other open calendar uses it) and works there. A file that cannot be
  // read, or is refused whole (no entries, overlapping or duplicate
  // entries, too large), leaves the working directory as it was. A file
  // with damaged or refused entries, damaged or foreign tables or no events
  // table opens what it can, says which entries and tables, forgets the
  // file name (so Save cannot replace the whole with less) and fails.
  Status File_Open(const std::string& path);
  void CloseCalendarFile();
  // Switches the working directory and reloads the window.
  Status Working_Set(const std::string& folder);

  // Points the window steps at the main window (none: the command line's).
  void set_window(WindowHooks* window) { window_ = window ? window : &default_window_; }

  // The commands of the File menu. A save they run first that fails or is
  // cancelled stops them.
  Status New();
  // New's work after its question: a fresh temporary working directory.
  Status MakeNewCalendar();
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
  // Sets damaged table files of the folder aside and removes foreign ones
  // (views, triggers, other objects or columns); says which.
  Status CheckTables(const std::string& db_folder);
  // The lock on path's calendar file, the one held when it is that file.
  Result<platform::FileLock> LockFile(const std::string& path);
  // A temporary working folder named after `name` that no other open
  // calendar holds, cleared; its claim goes to *claim. Given `in_use`, the
  // folder of the calendar open now is returned as it is, with *in_use set,
  // instead of being cleared.
  std::string ClaimTempDir(const std::string& name, platform::FileLock* claim,
                           bool* in_use = nullptr);
  // Moves a calendar unpacked beside the folder in use into its place;
  // where it ended up.
  std::string MoveIntoPlace(const std::string& unpacked, const std::string& place);
  // Lets go of the file lock once no file is open, and of the temporary
  // folder's claim once the working directory is elsewhere.
  void DropStaleLocks();
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
  std::optional<std::chrono::milliseconds> lock_wait_;
  platform::FileLock file_lock_;   // on the open calendar file
  std::string locked_calendar_;    // that file
  platform::FileLock temp_claim_;  // on the temporary folder in use
  std::string claimed_dir_;        // that folder
};

}  // namespace almanix::store
