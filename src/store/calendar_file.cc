#include "store/calendar_file.h"

#include <algorithm>
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

// The folder on disk for an archive name, found without regard to case;
// the usual spelling when there is none yet.
std::string DiskFolder(const std::string& work_dir, const std::string& name) {
  std::string found = FindNoCase(work_dir, name);
  if (!found.empty()) return found;
  static const std::pair<const char*, const char*> kSpelling[] = {
      {"db", "DB"},           {"config", "Config"},   {"attachments", "Attachments"},
      {"favorites", "Favorites"}, {"include", "Include"}, {"holidays", "Holidays"}};
  for (const auto& [lower, spelled] : kSpelling) {
    if (name == lower) return work_dir + spelled;
  }
  return work_dir + name;
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

Status CalendarFile::SaveCalendarFile(const std::string& path) {
  app_.dir->CalendarFile = path;
  ui_.ProcessEvents();
  // Tables go in closed and whole: no open transaction, no journal.
  data_.Close();
  ArchiveOptions options;
  options.skip = IsJournal;
  options.progress = [this](int done, int total) { ui_.Progress(done, total); };
  Status saved = WriteArchive(path, Roots(app_.dir->WorkDir, kCalendarFolders), options);
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
}

Status CalendarFile::CheckTables(const std::string& db) {
  std::string damaged;
  for (const std::string& name : SplitCommaText(TDir::ListFiles(db, "*.db"))) {
    Status check = Database::CheckFile(db + name);
    if (check.ok()) continue;
    // Kept beside, under another name, for whoever can still rescue it.
    std::error_code ec;
    std::filesystem::rename(db + name, db + name + ".damaged", ec);
    Log(true, "File_Open.damaged table " + name + ": " + check.message());
    if (!damaged.empty()) damaged += ", ";
    damaged += name;
  }
  if (damaged.empty()) return Status::Ok();
  return Status::Invalid("the table file " + damaged + " is damaged and was set aside as " +
                         damaged + ".damaged");
}

Status CalendarFile::File_Open(const std::string& path) {
  if (!FileExists(path)) return Status::NotFound("File not found: " + path);
  window_->ShowWait("Loading ..." + path);
  TDir& dir = *app_.dir;
  std::string folder = dir.MakeTempDir(TempNameFor(path));
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
  Log(true, "File_Open.Unziping.to:" + dir.OpenCalendarDir);
  Result<ExtractReport> report = ExtractArchive(path, dir.OpenCalendarDir, options);
  ui_.Progress(0, 0);
  if (!report.ok()) {
    Log(true, "File_Open.Unzip. First attempt failed");
    ui_.ShowMessage(report.status().message(), MessageKind::kError);
    return report.status();
  }
  for (const std::string& name : report.value().refused) {
    Log(true, "File_Open.Unzip.refused entry: " + name);
  }
  Log(true, "File_Open.Unziping.completed");
  // Table files are checked before the engine ever uses them.
  Status tables = CheckTables(DiskFolder(dir.OpenCalendarDir, "db") + "/");

  CloseCalendarFile();
  TDir::EnsureDirQuiet(dir.OpenCalendarDir);
  Status problem = Working_Set(dir.OpenCalendarDir);
  if (problem.ok()) {
    std::string install_popup = dir.InstallDir + "Config/popup.css";
    if (FileExists(install_popup)) {
      std::error_code ec;
      std::filesystem::copy_file(install_popup, dir.ConfigDir + "popup.css",
                                 std::filesystem::copy_options::overwrite_existing, ec);
    }
    dir.CalendarFile = path;
  }
  if (problem.ok()) problem = tables;
  if (problem.ok() && report.value().size_limit_reached) {
    problem = Status::IoError("the file unpacks to more than " +
                              std::to_string(kMaxUnpackedBytes >> 30) +
                              " GB; the rest was not opened");
  }
  if (!problem.ok()) {
    ui_.ShowMessage("Problems opening file: " + problem.message() + "\n\r" +
                        " Try restarting and opening the file again. Switching to default "
                        "calendar. ",
                    MessageKind::kError);
    // Saving a part over the whole would lose the rest.
    dir.CalendarFile.clear();
  }
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
  if (answer == Answer::kYes) IgnoreResult(Save(), "a failed save shows its own message");
  CloseCalendarFile();
  ui_.ProcessEvents();
  CloseCalendarFile();
  ui_.ProcessEvents();
  TDir::EnsureDirQuiet(app_.dir->TempDir);
  std::string folder = app_.dir->MakeTempDir("NewCal");
  if (!DirectoryExists(folder)) return Status::IoError("Could not make " + folder);
  return Working_Set(folder);
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
  return s;
}

Status CalendarFile::ChooseDirectory() {
  if (!app_.dir->CalendarFile.empty()) IgnoreResult(Save(), "a failed save shows its own message");
  app_.dir->CalendarFile.clear();
  std::string folder = app_.dir->BrowseForFolder("Select a folder");
  if (folder.empty() || !DirectoryExists(folder)) return Status::Cancelled("no folder");
  return Working_Set(folder);
}

Status CalendarFile::WorkIn(int entry) {
  if (entry < 0 || entry >= 5 || app_.dir->RecentWorkDirs[entry].empty()) {
    return Status::Invalid("no such entry");
  }
  if (!app_.dir->CalendarFile.empty()) IgnoreResult(Save(), "a failed save shows its own message");
  app_.dir->CalendarFile.clear();
  return Working_Set(app_.dir->RecentWorkDirs[entry]);
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
