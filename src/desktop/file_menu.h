#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "app/status.h"
#include "app/ui_seam.h"
#include "store/calendar_file.h"

namespace almanix {
class Program;
}

namespace almanix::desktop {

class MainGrid;

// A file dialog the File menu wants: the shell shows it with its filter and
// default extension, tests answer it from the seam.
struct FileDialog {
  PickKind kind = PickKind::kOpenFile;
  std::string title;
  std::string filter;          // "Name (*.ext)|*.ext|..."
  std::string default_suffix;  // added when the name has no extension
  std::string start;           // folder or file the dialog starts at
};

// One entry of the "Reopen" or "Work in .." list as the menu shows it.
struct RecentEntry {
  std::string caption;
  bool visible = false;
};

// The commands of the main window's File menu on the open calendar and the
// working directory: which question to ask, which file or folder, what the
// status text and the working-directory entries say afterwards. The core
// (store::CalendarFile) does the packing and unpacking; this class decides
// around it so that a switch never loses changes nobody saved.
class FileMenu : public store::WindowHooks {
 public:
  FileMenu(Program& program, MainGrid& grid);
  ~FileMenu() override;
  FileMenu(const FileMenu&) = delete;
  FileMenu& operator=(const FileMenu&) = delete;

  // The dialogs; without one set, the seam's PickPath answers.
  void set_picker(std::function<std::optional<std::string>(const FileDialog&)> pick) {
    pick_ = std::move(pick);
  }
  // The window's part: its "Calendar" page, its redraw, the favorites menu.
  void set_show_calendar_page(std::function<void()> show) { show_calendar_page_ = std::move(show); }
  void set_refresh_favorites(std::function<void()> refresh) {
    refresh_favorites_ = std::move(refresh);
  }
  // The waiting window while a calendar file opens ("Loading ..." + path).
  void set_show_wait(std::function<void(const std::string&)> show) { show_wait_ = std::move(show); }

  // Takes the working directory as it is now as the saved state (after
  // start-up: what the program opened is what is on disk).
  void MarkSaved();
  // Whether the working directory differs from what was last opened, made
  // or saved: tables, notes, attachments, favorites or included files.
  bool HasUnsavedChanges() const;

  Status New();
  Status Open();
  Status Reopen(int entry);  // 0..4
  Status Save();
  Status SaveAs();
  Status DefaultWorkingDirectory();
  Status ChooseDirectory();
  Status WorkIn(int entry);  // 0..4
  Status Backup();
  // The Exit command's question; false when the person cancelled, which
  // keeps the program running. ask is false for the command line's batch.
  bool ConfirmExit(bool ask);
  // The window's close button: asks to save only a calendar with changes
  // that closing would leave behind; false when that was cancelled or the
  // save failed.
  bool ConfirmClose() { return LeaveCalendar().ok(); }

  // What the window shows.
  const std::string& StatusText() const;
  const std::string& SetWorkdirCaption() const;
  bool SetWorkdirChecked() const;
  bool DefaultWorkdirChecked() const;
  std::array<RecentEntry, 5> ReopenEntries() const;
  std::array<RecentEntry, 5> WorkInEntries() const;

  static FileDialog OpenDialog(const std::string& install_dir);
  static FileDialog SaveAsDialog(const std::string& start);
  static FileDialog BackupDialog(const std::string& start);

  // store::WindowHooks: the calendar file's steps redraw the grid.
  void ShowCalendarPage() override;
  void ShowWait(const std::string& text) override;
  Status ReloadCategories() override;
  void RefreshFavoritesMenu() override;
  Status LoadGrid() override;

 private:
  using Fingerprint = std::map<std::string, std::pair<std::uintmax_t, std::int64_t>>;
  Fingerprint Snapshot() const;
  std::optional<std::string> Pick(const FileDialog& dialog);
  // Before the open calendar is left: asks to save it when it has changes.
  // Ok to go on; Cancelled when the person cancelled or the save failed.
  Status LeaveCalendar();
  // Opens the file and marks it saved; the recent list when `remember`.
  Status OpenFile(const std::string& path, bool remember);
  // The configuration keeps the recent lists at once.
  void SaveRecentLists();

  Program& program_;
  MainGrid& grid_;
  std::function<std::optional<std::string>(const FileDialog&)> pick_;
  std::function<void()> show_calendar_page_;
  std::function<void()> refresh_favorites_;
  std::function<void(const std::string&)> show_wait_;
  Fingerprint saved_;
  std::string saved_workdir_;
  std::string saved_as_;  // the file "Save As.." wrote last
  mutable std::string status_;
};

}  // namespace almanix::desktop
