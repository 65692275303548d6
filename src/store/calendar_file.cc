#include "store/calendar_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/comma_text.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "store/db.h"
#include "store/db_engine.h"
#include "store/tables.h"
#include "store/zip_archive.h"

namespace almanix::store {
namespace {

// The five folders of a working directory, as the archive spells them.
const std::vector<std::string> kCalendarFolders = {"db", "config", "attachments",
                                                   "favorites", "include"};

// The folder on disk for an archive name: the program's own spelling (the
// one the data module uses) when that folder exists, else a folder spelled
// otherwise; never a file that happens to bear the name.
std::string DiskFolder(const std::string& work_dir, const std::string& name) {
  static const std::pair<const char*, const char*> kSpelling[] = {
      {"db", "DB"},           {"config", "Config"},   {"attachments", "Attachments"},
      {"favorites", "Favorites"}, {"include", "Include"}, {"holidays", "Holidays"}};
  std::string spelled = name;
  for (const auto& [lower, usual] : kSpelling) {
    if (name == lower) spelled = usual;
  }
  if (DirectoryExists(work_dir + spelled)) return work_dir + spelled;
  for (const std::string& folder : SplitCommaText(TDir::ListSubfolders(work_dir, "*"))) {
    if (EqualsIgnoreCase(folder, name)) return work_dir + folder;
  }
  return work_dir + spelled;
}

std::vector<ArchiveRoot> Roots(const std::string& work_dir,
                               const std::vector<std::string>& names) {
  std::vector<ArchiveRoot> roots;
  for (const std::string& name : names) roots.push_back({DiskFolder(work_dir, name), name});
  return roots;
}

// Journals only exist while a transaction is open; never pack one.
bool IsJournal(const std::string& entry) {
  for (const char* tail : {"-journal", "-wal", "-shm"}) {
    std::string t(tail);
    if (entry.size() > t.size() && entry.compare(entry.size() - t.size(), t.size(), t) == 0) {
      return true;
    }
  }
  return false;
}

// The table files a calendar always has; without it there is no calendar.
bool HasEventsTable(const std::string& db_folder) {
  return FileExists(FindNoCase(db_folder, "events.db"));
}

// The columns a table of this name may have; nullptr for a name that is
// none of the program's tables.
const std::vector<ColumnSpec>* KnownColumns(const std::string& table) {
  std::string lower = ToLower(table);
  auto year_named = [&](std::string_view prefix) {
    return lower.size() == prefix.size() + 4 && lower.rfind(prefix, 0) == 0 &&
           std::all_of(lower.begin() + prefix.size(), lower.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  if (lower == "events") return &EventsColumns();
  if (year_named("calendar")) return &CategoryColumns();
  if (year_named("year")) return &DayColumns();
  return nullptr;
}

std::string Joined(const std::vector<std::string>& items, const std::string& between) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : between) + item;
  return out;
}

// The lock beside a calendar file: ".Team.cal.lock" for Team.cal.
std::string LockPathFor(const std::string& calendar) {
  return ParentPath(calendar) + "." + BaseName(calendar) + ".lock";
}

}  // namespace

CalendarFile::CalendarFile(App& app, TDB1& data, UiSeam& ui, WindowHooks* window)
    : app_(app), data_(data), ui_(ui), window_(window ? window : &default_window_) {}

void CalendarFile::Log(bool error, const std::string& message) {
  LogTo(app_.log.get(), error, message);
}

std::string CalendarFile::TempNameFor(const std::string& path) {
  std::string name = StemName(SlashPath(path));
  // A name must stay one folder inside the temporary folder.
  std::string safe;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    safe += (c == '/' || c == '\\' || u < 0x20) ? '_' : c;
  }
  safe = Trim(safe);
  while (!safe.empty() && safe.front() == '.') safe.erase(0, 1);
  if (safe.empty()) safe = "Default";
  return Utf8Left(safe, 100);
}

Result<platform::FileLock> CalendarFile::LockFile(const std::string& path) {
  if (file_lock_.held() && locked_calendar_ == path) return platform::FileLock();
  Result<platform::FileLock> lock =
      platform::FileLock::Acquire(LockPathFor(path), *lock_wait_, /*create=*/true);
  if (!lock.ok() && lock.status().code() == Status::Code::kIoError) {
    // A folder that takes no lock file: the calendar file itself then.
    lock = platform::FileLock::Acquire(path, *lock_wait_);
    if (!lock.ok() && lock.status().code() == Status::Code::kNotFound) {
      return platform::FileLock();
    }
  }
  if (!lock.ok() && lock.status().code() == Status::Code::kBusy) {
    long seconds = static_cast<long>(
        std::chrono::duration_cast<std::chrono::seconds>(*lock_wait_).count());
    return Status::Busy("The calendar file " + path +
                        " is in use by another program (waited " +
                        std::to_string(seconds) + " s); try again when it is done");
  }
  return lock;
}

Status CalendarFile::SaveCalendarFile(const std::string& path) {
  TDir& dir = *app_.dir;
  Status refused;
  // A calendar file without its tables is no calendar: never write one and
  // call it saved.
  if (!HasEventsTable(dir.DbDir)) {
    refused = Status::Invalid("the working directory " + dir.WorkDir +
                              " holds no events table (" + dir.DbDir +
                              "Events.db); nothing was saved");
  }
  if (refused.ok() && lock_wait_) {
    Result<platform::FileLock> lock = LockFile(path);
    if (!lock.ok()) {
      refused = lock.status();
    } else if (lock.value().held()) {
      file_lock_ = std::move(lock.value());
      locked_calendar_ = path;
    }
  }
  if (!refused.ok()) {
    Log(true, "SaveCalendarFile.failed: " + refused.message());
    ui_.ShowMessage("Could not save the calendar file " + path + ": " + refused.message(),
                    MessageKind::kError);
    return refused;
  }
  dir.CalendarFile = path;
  ui_.ProcessEvents();
  // Tables go in closed and whole: no open transaction, no journal.
  data_.Close();
  ArchiveOptions options;
  options.skip = IsJournal;
  options.progress = [this](int done, int total) { ui_.Progress(done, total); };
  Status saved = WriteArchive(path, Roots(dir.WorkDir, kCalendarFolders), options);
  ui_.Progress(0, 0);
  Status reopened = data_.Init(*app_.dir);
  if (!saved.ok()) {
    Log(true, "SaveCalendarFile.failed: " + saved.message());
    ui_.ShowMessage("Could not save the calendar file " + path + ": " + saved.message(),
                    MessageKind::kError);
    return saved;
  }
  return reopened;
}

void CalendarFile::CloseCalendarFile() {
  window_->ShowCalendarPage();
  app_.dir->CalendarFile.clear();
  data_.Close();
  // A closed calendar is no longer ours to guard.
  DropStaleLocks();
}

Status CalendarFile::CheckTables(const std::string& db) {
  std::vector<std::string> damaged;
  std::vector<std::string> foreign;
  for (const std::string& name : SplitCommaText(TDir::ListFiles(db, "*.db"))) {
    std::string table = StemName(name);
    Database::TableFileCheck checked = Database::CheckTableFile(db + name, table);
    Status check = checked.damage;
    if (!check.ok()) {
      // Kept beside, under another name, for whoever can still rescue it.
      std::error_code ec;
      std::filesystem::rename(db + name, db + name + ".damaged", ec);
      Log(true, "File_Open.damaged table " + name + ": " + check.message());
      damaged.push_back(name);
      continue;
    }
    const std::vector<std::string>& columns = checked.columns;
    check = checked.plain;
    if (const std::vector<ColumnSpec>* known = KnownColumns(table); check.ok() && known) {
      for (size_t i = 0; i < columns.size(); ++i) {
        const std::string& column = columns[i];
        // Our own files keep the columns in the order they were made in.
        bool ours = (i < known->size() && EqualsIgnoreCase((*known)[i].name, column)) ||
                    std::any_of(known->begin(), known->end(), [&](const ColumnSpec& c) {
                      return EqualsIgnoreCase(c.name, column);
                    });
        if (!ours) {
          check = Status::Invalid("it has a column " + column + " the table never has");
          break;
        }
      }
    }
    if (check.ok()) continue;
    // Made to run something of its own: the engine never sees it. The
    // original stays in the calendar file, which is not saved over.
    std::error_code ec;
    std::filesystem::remove(db + name, ec);
    Log(true, "File_Open.refused table " + name + ": " + check.message());
    foreign.push_back(name + " (" + check.message() + ")");
  }
  std::vector<std::string> problems;
  if (!damaged.empty()) {
    problems.push_back("the table file " + Joined(damaged, ", ") +
                       " is damaged and was set aside as " + Joined(damaged, ".damaged, ") +
                       ".damaged");
  }
  if (!foreign.empty()) {
    problems.push_back("the table file " + Joined(foreign, ", ") +
                       " is not a plain table of this program and was left out");
  }
  if (problems.empty()) return Status::Ok();
  return Status::Invalid(Joined(problems, "; "));
}

std::string CalendarFile::ClaimTempDir(const std::string& name, platform::FileLock* claim,
                                       bool* in_use) {
  TDir& dir = *app_.dir;
  TDir::EnsureDirQuiet(dir.TempDir);
  // A lock file beside each folder says which are in use by a running
  // program; the first free name is taken.
  for (int n = 1; n <= 100; ++n) {
    std::string candidate = n == 1 ? name : name + "-" + std::to_string(n);
    if (!claimed_dir_.empty() && claimed_dir_ == dir.TempDir + candidate + "/") {
      if (in_use != nullptr) {
        *in_use = true;
        return claimed_dir_;
      }
      return dir.MakeTempDir(candidate);  // ours already
    }
    Result<platform::FileLock> lock = platform::FileLock::Acquire(
        dir.TempDir + "." + candidate + ".lock", std::chrono::milliseconds(0),
        /*create=*/true);
    if (lock.ok()) {
      *claim = std::move(lock.value());
      return dir.MakeTempDir(candidate);
    }
    if (lock.status().code() != Status::Code::kBusy) break;
  }
  return dir.MakeTempDir(name);
}

std::string CalendarFile::MoveIntoPlace(const std::string& unpacked, const std::string& place) {
  TDir& dir = *app_.dir;
  // Cleared and made again empty, so the rename can take its name.
  std::string target = dir.MakeTempDir(BaseName(place));
  if (::rename(WithoutTrailingSlash(unpacked).c_str(), WithoutTrailingSlash(target).c_str()) == 0) {
    return target;
  }
  // The calendar works just as well from where it was unpacked.
  Log(true, "File_Open.could not move " + unpacked + " to " + target + ": " +
                std::strerror(errno));
  dir.OpenCalendarDir = unpacked;
  return unpacked;
}

void CalendarFile::DropStaleLocks() {
  if (app_.dir->CalendarFile.empty()) {
    file_lock_.Release();
    locked_calendar_.clear();
  }
  if (app_.dir->WorkDir != claimed_dir_) {
    temp_claim_.Release();
    claimed_dir_.clear();
  }
}

Status CalendarFile::File_Open(const std::string& path) {
  if (!FileExists(path)) return Status::NotFound("File not found: " + path);
  window_->ShowWait("Loading ..." + path);
  TDir& dir = *app_.dir;
  // Held from before the file is read until it is saved back, so another
  // program's save cannot fall between.
  platform::FileLock lock;
  if (lock_wait_) {
    Result<platform::FileLock> taken = LockFile(path);
    if (!taken.ok()) {
      Log(true, "File_Open.locked: " + taken.status().message());
      ui_.ShowMessage(taken.status().message(), MessageKind::kError);
      return taken.status();
    }
    lock = std::move(taken.value());
  }
  platform::FileLock claim;
  bool in_use = false;
  std::string folder = ClaimTempDir(TempNameFor(path), &claim, &in_use);
  // The calendar open now lives in that folder, unsaved changes and all: the
  // file is unpacked beside it and takes its place only once it has opened.
  const std::string in_use_folder = in_use ? folder : "";
  if (in_use) folder = dir.MakeTempDir("." + BaseName(folder) + ".opening");
  if (!DirectoryExists(folder)) {
    folder = dir.MakeTempDir("Default");
    Log(true, "File_Open.MakeTempDir.Failed: Using default folder");
  }

  // Unpacked into the fresh folder first: when the archive cannot be read,
  // the working directory in use has not been touched.
  ExtractOptions options;
  options.max_unpacked_bytes = kMaxUnpackedBytes;
  for (const std::string& top : kCalendarFolders) {
    options.top_folders.emplace_back(top, BaseName(DiskFolder(folder, top)));
  }
  options.progress = [this](int done, int total) { ui_.Progress(done, total); };
  // MakeTempDir has just emptied the folder: no file there to keep.
  options.new_files_in_place = true;
  Log(true, "File_Open.Unziping.to:" + folder);
  Result<ExtractReport> report = ExtractArchive(path, folder, options);
  ui_.Progress(0, 0);
  Status refused = report.status();
  if (report.ok() && report.value().extracted == 0 && report.value().skipped == 0 &&
      report.value().refused.empty()) {
    // Not even a damaged calendar: opening it would pass off an empty new
    // calendar as this file, and the next save would put it in its place.
    refused = Status::Invalid(path + " holds no calendar: the archive has no files");
  }
  if (!refused.ok()) {
    if (!in_use_folder.empty() && folder != in_use_folder) {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
      dir.OpenCalendarDir = in_use_folder;
    }
    Log(true, "File_Open.Unzip. First attempt failed");
    ui_.ShowMessage(refused.message(), MessageKind::kError);
    return refused;
  }
  const ExtractReport& unpacked = report.value();
  std::vector<std::string> problems;
  for (const std::string& name : unpacked.refused) {
    Log(true, "File_Open.Unzip.refused entry: " + name);
  }
  for (const std::string& entry : unpacked.damaged) {
    Log(true, "File_Open.Unzip.damaged entry: " + entry);
  }
  if (!unpacked.refused.empty()) {
    problems.push_back("entries refused: " + Joined(unpacked.refused, ", "));
  }
  if (!unpacked.damaged.empty()) {
    problems.push_back("entries that cannot be read: " + Joined(unpacked.damaged, "; "));
  }
  if (unpacked.size_limit_reached) {
    problems.push_back("the file unpacks to more than " +
                       std::to_string(kMaxUnpackedBytes >> 30) +
                       " GB; the rest was not opened");
  }
  Log(true, "File_Open.Unziping.completed");
  // Table files are checked before the engine ever uses them.
  std::string db_folder = DiskFolder(folder, "db") + "/";
  if (Status tables = CheckTables(db_folder); !tables.ok()) {
    problems.push_back(tables.message());
  }
  if (!HasEventsTable(db_folder) && problems.empty()) {
    problems.push_back("it holds no events table (db/Events.db)");
  }

  CloseCalendarFile();
  if (!in_use_folder.empty()) folder = MoveIntoPlace(folder, in_use_folder);
  TDir::EnsureDirQuiet(folder);
  Status problem = Working_Set(folder);
  if (claim.held()) {
    temp_claim_ = std::move(claim);
    claimed_dir_ = folder;
  }
  if (problem.ok()) {
    std::string install_popup = dir.InstallDir + "Config/popup.css";
    if (FileExists(install_popup)) {
      std::error_code ec;
      std::filesystem::copy_file(install_popup, dir.ConfigDir + "popup.css",
                                 std::filesystem::copy_options::overwrite_existing, ec);
    }
    dir.CalendarFile = path;
    if (lock.held()) {
      file_lock_ = std::move(lock);
      locked_calendar_ = path;
    }
  }
  if (problem.ok() && !problems.empty()) {
    problem = Status::Invalid("the calendar file " + path + " is damaged: " +
                              Joined(problems, "; "));
  }
  if (!problem.ok()) {
    ui_.ShowMessage("Problems opening file: " + problem.message() + "\n\r" +
                        " Try restarting and opening the file again. Switching to default "
                        "calendar. ",
                    MessageKind::kError);
    // Saving a part over the whole would lose the rest.
    dir.CalendarFile.clear();
  }
  DropStaleLocks();
  status_text_ = "                Calendar: " + path;
  IgnoreResult(window_->ReloadCategories(), "the window shows its own failures");
  IgnoreResult(window_->LoadGrid(), "the window shows its own failures");
  return problem;
}

Status CalendarFile::Working_Set(const std::string& raw_folder) {
  std::string folder = SlashPath(raw_folder);
  Log(false, "main.Working_Set" + folder);
  TDir& dir = *app_.dir;
  dir.SetWorkDir((folder + "/").find("//") != std::string::npos ? folder : folder + "/");
  if (!DirectoryExists(dir.WorkDir) || !DirectoryExists(dir.DbDir)) {
    ui_.ShowMessage("Could not recreate working directory: " + folder, MessageKind::kError);
    return Status::IoError("Could not recreate working directory: " + folder);
  }
  Status init = data_.Init(dir);
  if (init.ok() && !data_.db().TableExists("events")) {
    init = CreateEventsTable(data_.db(), app_.log.get(), &ui_);
  }
  Log(false, "Initializing Database to " + folder);
  if (!init.ok()) {
    ui_.ShowMessage("Error initializing database in new working directory " + folder,
                    MessageKind::kError);
    ui_.ShowMessage("Dir.db = " + dir.DbDir + "\n\r" + "Session.NetfileDir=" +
                        data_.net_file_dir() + "\n\r" + "Session.Private=" +
                        data_.private_dir() + "\n\r",
                    MessageKind::kError);
    return init;
  }
  IgnoreResult(window_->ReloadCategories(), "the window shows its own failures");
  window_->RefreshFavoritesMenu();
  if (!window_->LoadGrid().ok()) {
    ui_.ShowMessage("Initializing Database to " + folder, MessageKind::kError);
    return Status::IoError("Initializing Database to " + folder);
  }
  Log(false, "Initializing Database to " + folder);
  set_workdir_checked_ = true;
  set_workdir_caption_ = "Working in: " + folder + " click to change";
  window_->RefreshRecentMenus();
  default_workdir_checked_ = false;
  status_text_ = "             Working in : " + folder;
  return Status::Ok();
}

Status CalendarFile::New() {
  window_->ShowCalendarPage();
  Answer answer = ui_.Ask("Do you want to save changes to the '" + app_.dir->CalendarName +
                              "' calendar first ?",
                          Buttons::kYesNoCancel,
                          app_.dir->CalendarFile.empty() ? Answer::kNo : Answer::kYes);
  if (answer == Answer::kCancel) return Status::Cancelled("Calendar not changed");
  // A save that failed or was cancelled keeps the calendar open: leaving it
  // would leave its changes behind in a folder nobody finds again.
  if (answer == Answer::kYes) {
    if (Status saved = Save(); !saved.ok()) return saved;
  }
  return MakeNewCalendar();
}

Status CalendarFile::MakeNewCalendar() {
  CloseCalendarFile();
  ui_.ProcessEvents();
  CloseCalendarFile();
  ui_.ProcessEvents();
  TDir::EnsureDirQuiet(app_.dir->TempDir);
  platform::FileLock claim;
  std::string folder = ClaimTempDir("NewCal", &claim);
  if (!DirectoryExists(folder)) return Status::IoError("Could not make " + folder);
  Status s = Working_Set(folder);
  if (claim.held()) {
    temp_claim_ = std::move(claim);
    claimed_dir_ = folder;
  }
  DropStaleLocks();
  return s;
}

Status CalendarFile::Save() {
  if (!app_.dir->CalendarFile.empty() && FileExists(app_.dir->CalendarFile)) {
    return SaveCalendarFile(app_.dir->CalendarFile);
  }
  return SaveAs();
}

Status CalendarFile::SaveAs() {
  auto path = ui_.PickPath(PickKind::kSaveFile, "Almanix Files (*.cal)|*.cal|All Files (*.*)|*.*",
                           app_.dir->CalendarFile);
  if (!path) {
    ui_.ShowMessage("Calendar not saved");
    return Status::Cancelled("Calendar not saved");
  }
  std::string target = *path;
  if (StemName(target) == BaseName(target)) target += ".cal";  // the default extension
  return SaveCalendarFile(target);
}

Status CalendarFile::DefaultWorkingDirectory() {
  window_->ShowCalendarPage();
  app_.dir->CalendarFile.clear();
  // The per-user data folder: the install folder is the program's own,
  // often read-only, and no place for a calendar's tables.
  app_.dir->SetWorkDir(app_.dir->DefaultWorkDir);
  Status s = data_.Init(*app_.dir);
  if (s.ok()) {
    window_->RefreshFavoritesMenu();
    s = window_->LoadGrid();
  }
  if (!s.ok()) {
    ui_.ShowMessage("Error Switching Working directory " + app_.dir->DefaultWorkDir,
                    MessageKind::kError);
  }
  default_workdir_checked_ = true;
  set_workdir_caption_ = "Set Working Directory";
  set_workdir_checked_ = false;
  DropStaleLocks();
  return s;
}

Status CalendarFile::ChooseDirectory() {
  // The folder first: a cancelled choice leaves the open calendar open.
  std::string folder = app_.dir->BrowseForFolder("Select a folder");
  if (folder.empty() || !DirectoryExists(folder)) return Status::Cancelled("no folder");
  if (!app_.dir->CalendarFile.empty()) {
    if (Status saved = Save(); !saved.ok()) return saved;
  }
  app_.dir->CalendarFile.clear();
  Status s = Working_Set(folder);
  DropStaleLocks();
  return s;
}

Status CalendarFile::WorkIn(int entry) {
  if (entry < 0 || entry >= 5 || app_.dir->RecentWorkDirs[entry].empty()) {
    return Status::Invalid("no such entry");
  }
  if (!app_.dir->CalendarFile.empty()) {
    if (Status saved = Save(); !saved.ok()) return saved;
  }
  app_.dir->CalendarFile.clear();
  Status s = Working_Set(app_.dir->RecentWorkDirs[entry]);
  DropStaleLocks();
  return s;
}

Status CalendarFile::Backup(const std::string& path) {
  data_.Close();
  ArchiveOptions options;
  options.skip = IsJournal;
  Status s = WriteArchive(path, Roots(app_.dir->DefaultWorkDir,
                                      {"db", "config", "attachments", "favorites", "include",
                                       "holidays"}),
                          options);
  Status reopened = data_.Init(*app_.dir);
  if (!s.ok()) {
    ui_.ShowMessage("Could not write the backup " + path + ": " + s.message(),
                    MessageKind::kError);
    return s;
  }
  return reopened;
}

void CalendarFile::AddRecentCalendarFile(const std::string& path) {
  std::vector<std::string> list{path};
  for (const std::string& entry : app_.dir->RecentCalendarFiles) {
    bool present = std::any_of(list.begin(), list.end(), [&](const std::string& x) {
      return EqualsIgnoreCase(x, entry);
    });
    if (!present) list.push_back(entry);
  }
  std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
    return ToLower(a) < ToLower(b);
  });
  for (size_t i = 0; i < 5; ++i) app_.dir->RecentCalendarFiles[i] = i < list.size() ? list[i] : "";
  window_->RefreshRecentMenus();
}

}  // namespace almanix::store
