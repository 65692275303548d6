#include "desktop/file_menu.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "desktop/main_grid.h"
#include "program/program.h"

namespace almanix::desktop {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCalendarStatus = "                Calendar: ";

bool IsJournalFile(const std::string& name) {
  for (std::string_view tail : {"-journal", "-wal", "-shm"}) {
    if (name.size() > tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
      return true;
    }
  }
  return false;
}

bool IsCalendarFolder(const std::string& name) {
  const std::string lower = ToLower(name);
  return lower == "db" || lower == "config" || lower == "attachments" || lower == "favorites" ||
         lower == "include";
}

std::string WithSuffix(std::string path, const std::string& suffix) {
  if (!suffix.empty() && StemName(path) == BaseName(path)) path += "." + suffix;
  return path;
}

}  // namespace

FileMenu::FileMenu(Program& program, MainGrid& grid) : program_(program), grid_(grid) {
  program_.files->set_window(this);
  MarkSaved();
}

FileMenu::~FileMenu() { program_.files->set_window(nullptr); }

FileDialog FileMenu::OpenDialog(const std::string& install_dir) {
  return {PickKind::kOpenFile, "Select a calendar file to open", "Calendar Files (*.cal)|*.cal",
          "", install_dir};
}

FileDialog FileMenu::SaveAsDialog(const std::string& start) {
  return {PickKind::kSaveFile, "Save As..", "Almanix Files (*.cal)|*.cal|All Files (*.*)|*.*",
          "cal", start};
}

FileDialog FileMenu::BackupDialog(const std::string& start) {
  return {PickKind::kSaveFile, "Backup", "Zip Files (*.zip)|*.zip|All Files (*.*)|*.*", "zip",
          start};
}

FileMenu::Fingerprint FileMenu::Snapshot() const {
  Fingerprint print;
  const std::string& work = program_.app.dir->WorkDir;
  std::error_code ec;
  for (fs::directory_iterator top(work, ec), end; !ec && top != end; top.increment(ec)) {
    if (!top->is_directory(ec) || !IsCalendarFolder(top->path().filename().string())) continue;
    for (fs::recursive_directory_iterator it(top->path(), ec), last; !ec && it != last;
         it.increment(ec)) {
      const std::string name = it->path().string();
      if (IsJournalFile(name)) continue;
      std::error_code fe;
      const bool file = it->is_regular_file(fe);
      const std::uintmax_t size = file ? it->file_size(fe) : 0;
      const auto stamp = file ? it->last_write_time(fe).time_since_epoch().count() : 0;
      print[name] = {size, static_cast<std::int64_t>(stamp)};
    }
  }
  return print;
}

void FileMenu::MarkSaved() {
  saved_ = Snapshot();
  saved_workdir_ = program_.app.dir->WorkDir;
}

bool FileMenu::HasUnsavedChanges() const {
  return saved_workdir_ != program_.app.dir->WorkDir || Snapshot() != saved_;
}

std::optional<std::string> FileMenu::Pick(const FileDialog& dialog) {
  if (pick_) return pick_(dialog);
  return program_.ui().PickPath(dialog.kind, dialog.title, dialog.start);
}

Status FileMenu::LeaveCalendar() {
  const TDir& dir = *program_.app.dir;
  // A folder worked in directly keeps its changes where they are; only a
  // calendar file, or a new calendar that has none yet, can lose them.
  const bool unsaved_new =
      dir.CalendarFile.empty() && IsInsideFolder(dir.WorkDir, dir.TempDir);
  if ((dir.CalendarFile.empty() && !unsaved_new) || !HasUnsavedChanges()) return Status::Ok();
  const std::string name = dir.CalendarFile.empty() ? dir.CalendarName : dir.CalendarFile;
  Answer answer = program_.ui().Ask("Save Changes to calendar \n\r" + name,
                                    Buttons::kYesNoCancel, Answer::kYes);
  if (answer == Answer::kCancel) return Status::Cancelled("Calendar not changed");
  if (answer == Answer::kYes) return Save();
  return Status::Ok();
}

Status FileMenu::OpenFile(const std::string& path, bool remember) {
  const std::string before = program_.app.dir->WorkDir;
  Status s = program_.files->File_Open(path);
  if (remember) {
    program_.files->AddRecentCalendarFile(path);
    SaveRecentLists();
  }
  // What was opened is what the file holds, damaged or not.
  if (s.ok() || program_.app.dir->WorkDir != before) MarkSaved();
  return s;
}

void FileMenu::SaveRecentLists() {
  IgnoreResult(program_.app.config->Save(),
               "the lists are saved again at exit; the calendar itself is not affected");
}

Status FileMenu::New() {
  Status s = program_.files->New();
  if (s.ok()) MarkSaved();
  return s;
}

Status FileMenu::Open() {
  std::optional<std::string> path = Pick(OpenDialog(program_.app.dir->InstallDir));
  if (!path) return Status::Cancelled("no file");
  if (!FileExists(*path)) {
    program_.ui().ShowMessage("File not found: " + *path, MessageKind::kError);
    return Status::NotFound("File not found: " + *path);
  }
  if (Status left = LeaveCalendar(); !left.ok()) return left;
  return OpenFile(*path, true);
}

Status FileMenu::Reopen(int entry) {
  if (entry < 0 || entry >= 5) return Status::Invalid("no such entry");
  const std::string path = program_.app.dir->RecentCalendarFiles[static_cast<size_t>(entry)];
  if (path.empty()) return Status::Invalid("no such entry");
  if (!FileExists(path)) {
    program_.ui().ShowMessage("File not found: " + path, MessageKind::kError);
    return Status::NotFound("File not found: " + path);
  }
  if (Status left = LeaveCalendar(); !left.ok()) return left;
  return OpenFile(path, false);
}

Status FileMenu::Save() {
  const std::string file = program_.app.dir->CalendarFile;
  if (file.empty() || !FileExists(file)) return SaveAs();
  Status s = program_.files->SaveCalendarFile(file);
  if (s.ok()) MarkSaved();
  return s;
}

Status FileMenu::SaveAs() {
  const TDir& dir = *program_.app.dir;
  const FileDialog dialog =
      SaveAsDialog(dir.CalendarFile.empty() ? dir.UserDataDir : dir.CalendarFile);
  std::optional<std::string> path = Pick(dialog);
  if (!path) {
    program_.ui().ShowMessage("Calendar not saved");
    return Status::Cancelled("Calendar not saved");
  }
  const std::string target = WithSuffix(*path, dialog.default_suffix);
  Status s = program_.files->SaveCalendarFile(target);
  if (s.ok()) {
    MarkSaved();
    saved_as_ = target;
  }
  return s;
}

Status FileMenu::DefaultWorkingDirectory() {
  // The file is left without saving: say so before changes are lost.
  if (Status left = LeaveCalendar(); !left.ok()) return left;
  Status s = program_.files->DefaultWorkingDirectory();
  MarkSaved();
  return s;
}

Status FileMenu::ChooseDirectory() {
  if (program_.app.dir->CalendarFile.empty()) {
    if (Status left = LeaveCalendar(); !left.ok()) return left;
  }
  Status s = program_.files->ChooseDirectory();
  if (s.ok()) MarkSaved();
  return s;
}

Status FileMenu::WorkIn(int entry) {
  if (entry < 0 || entry >= 5 ||
      program_.app.dir->RecentWorkDirs[static_cast<size_t>(entry)].empty()) {
    return Status::Invalid("no such entry");
  }
  if (program_.app.dir->CalendarFile.empty()) {
    if (Status left = LeaveCalendar(); !left.ok()) return left;
  }
  Status s = program_.files->WorkIn(entry);
  if (s.ok()) MarkSaved();
  return s;
}

Status FileMenu::Backup() {
  const TDir& dir = *program_.app.dir;
  const FileDialog dialog = BackupDialog(dir.UserDataDir);
  std::optional<std::string> path = Pick(dialog);
  if (!path) return Status::Cancelled("no file");
  return program_.files->Backup(WithSuffix(*path, dialog.default_suffix));
}

bool FileMenu::ConfirmExit(bool ask) {
  if (!ask) return true;
  const TDir& dir = *program_.app.dir;
  if (!dir.CalendarFile.empty()) {
    if (dir.WorkDir == dir.InstallDir || dir.WorkDir == dir.StartupDir) return true;
    if (program_.ui().Ask("Save Changes to calendar \n\r" + dir.CalendarFile, Buttons::kYesNo,
                          Answer::kYes) == Answer::kNo) {
      return true;
    }
    // A save that failed keeps the program running with the changes.
    return Save().ok();
  }
  return LeaveCalendar().ok();
}

const std::string& FileMenu::StatusText() const {
  const TDir& dir = *program_.app.dir;
  if (!saved_as_.empty() && dir.CalendarFile == saved_as_) {
    status_ = kCalendarStatus + saved_as_;
  } else {
    status_ = program_.files->status_text();
  }
  return status_;
}

const std::string& FileMenu::SetWorkdirCaption() const {
  return program_.files->set_workdir_caption();
}

bool FileMenu::SetWorkdirChecked() const { return program_.files->set_workdir_checked(); }

bool FileMenu::DefaultWorkdirChecked() const {
  return program_.files->default_workdir_checked();
}

std::array<RecentEntry, 5> FileMenu::ReopenEntries() const {
  std::array<RecentEntry, 5> out;
  for (size_t i = 0; i < out.size(); ++i) {
    out[i].caption = program_.app.dir->RecentCalendarFiles[i];
    out[i].visible = !out[i].caption.empty();
  }
  return out;
}

std::array<RecentEntry, 5> FileMenu::WorkInEntries() const {
  std::array<RecentEntry, 5> out;
  for (size_t i = 0; i < out.size(); ++i) {
    out[i].caption = program_.app.dir->RecentWorkDirs[i];
    out[i].visible = !out[i].caption.empty();
  }
  return out;
}

void FileMenu::ShowCalendarPage() {
  if (show_calendar_page_) show_calendar_page_();
}

void FileMenu::ShowWait(const std::string& text) {
  if (show_wait_) show_wait_(text);
}

Status FileMenu::ReloadCategories() {
  grid_.cboCalendar_load();
  grid_.LocateCategory(grid_.CategoryBoxText());
  return Status::Ok();
}

void FileMenu::RefreshFavoritesMenu() {
  if (refresh_favorites_) refresh_favorites_();
}

Status FileMenu::LoadGrid() { return grid_.LoadGrid(grid_.DisplayDate()); }

}  // namespace almanix::desktop
