#include "app/dir.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <thread>
#include <unordered_map>

#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "platform/opener.h"
#include "platform/trash.h"

namespace almanix {
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxCopyPath = 4096;

struct Entry {
  std::string name;
  bool is_dir = false;
  bool is_link = false;
  std::uint64_t size = 0;
};

// The entries of a folder without "." and ".."; is_dir follows links, so a
// link to a folder lists as a folder (as the shell shows it).
std::vector<Entry> ReadFolder(const std::string& folder) {
  std::vector<Entry> entries;
  std::string base = WithTrailingSlash(folder);
  DIR* dir = ::opendir(base.c_str());
  if (dir == nullptr) return entries;
  while (dirent* d = ::readdir(dir)) {
    std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    Entry e;
    e.name = name;
    struct stat st {};
    struct stat lst {};
    if (::lstat((base + name).c_str(), &lst) == 0) e.is_link = S_ISLNK(lst.st_mode);
    if (::stat((base + name).c_str(), &st) == 0) {
      e.is_dir = S_ISDIR(st.st_mode);
      if (S_ISREG(st.st_mode)) e.size = static_cast<std::uint64_t>(st.st_size);
    }
    entries.push_back(std::move(e));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    std::string la = ToLower(a.name), lb = ToLower(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  return entries;
}

bool MaskMatches(std::string_view mask, const std::string& name) {
  std::string m(mask);
  if (m.empty() || m == "*.*") m = "*";
  return ::fnmatch(m.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

std::string QuotedList(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) {
    if (!out.empty()) out += ',';
    out += '"' + ReplaceAll(n, "\"", "\"\"") + '"';
  }
  return out;
}

std::string ListEntries(const std::string& folder, std::string_view mask,
                        bool folders) {
  std::vector<std::string> names;
  for (const Entry& e : ReadFolder(folder)) {
    if (e.is_dir == folders && MaskMatches(mask, e.name)) names.push_back(e.name);
  }
  return QuotedList(names);
}

// Whole-file copy keeping nothing but the bytes and the mode.
bool CopyOneFile(const std::string& source, const std::string& target) {
  std::error_code ec;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

bool CopyRecursive(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  auto status = fs::symlink_status(source, ec);
  if (ec) return false;
  if (fs::is_symlink(status)) {
    fs::remove(target, ec);
    fs::copy_symlink(source, target, ec);
    return !ec;
  }
  if (fs::is_directory(status)) {
    fs::create_directories(target, ec);
    if (ec && !fs::is_directory(target)) return false;
    bool ok = true;
    for (auto it = fs::directory_iterator(source, ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
      ok = CopyRecursive(it->path(), target / it->path().filename()) && ok;
    }
    return ok && !ec;
  }
  if (fs::is_regular_file(status)) return CopyOneFile(source, target);
  return true;  // sockets and devices are not calendar data
}

// True for folders a tree deletion must never take: "/", mount points, the
// home folder and the folders above it.
bool IsProtectedFolder(const std::string& folder) {
  char resolved[PATH_MAX];
  if (::realpath(folder.c_str(), resolved) == nullptr) return false;
  std::string real = WithoutTrailingSlash(resolved);
  if (real == "/" || real.empty()) return true;
  std::string home = WithoutTrailingSlash(platform::HomeDir());
  if (real == home || (home.rfind(real + "/", 0) == 0)) return true;
  struct stat self {};
  struct stat parent {};
  if (::stat(real.c_str(), &self) == 0 &&
      ::stat((real + "/..").c_str(), &parent) == 0) {
    if (self.st_dev != parent.st_dev || self.st_ino == parent.st_ino) return true;
  }
  return false;
}

}  // namespace

TDir::TDir(const std::string& install_dir, const platform::Places& places,
           platform::Opener& opener, platform::Trash& trash, UiSeam* ui)
    : opener_(opener), trash_(trash), ui_(ui) {
  // 1.
  WindowsDir = places.system;
  CalendarName = "Default";
  InstallDir = WithTrailingSlash(SlashPath(install_dir));
  // 2.
  UserMakerDir = places.user_maker;
  UserDataDir = places.user_data;
  CommonDataDir = places.common_data;
  CommonDataMachineWide = places.common_is_machine_wide;
  EnsureDirQuiet(CommonDataDir);
  DefaultWorkDir = UserDataDir;
  ConfigHomeDir = places.config_home;
  RootDir = places.root;
  // 3.
  TempDir = places.temp;
  TempBaseDir = TempDir;
  OpenCalendarDir = TempDir + "almanix/";
  BuildDir = TempBaseDir + "almanix/Build/";
  TemplateDbDir = InstallDir + "iDB/";
  DbDir = UserDataDir + "DB/";
  NetFileDir = DbDir;
  ConfigDir = UserDataDir + "Config/";
  AttachmentsDir = UserDataDir + "Attachments/";
  IncludeDir = UserDataDir + "Include/";
  LogDir = UserDataDir + "Log/";
  HomepageDir = UserDataDir + "Homepage/";
  DesktopDir = UserDataDir + "Desktop/";
  FtpDir = UserDataDir + "FTP/";
  FavoritesDir = UserDataDir + "Favorites/";
  WaitDir = UserDataDir + "Wait/";
  ImportDir = UserDataDir + "import/";
  PrivateDir = UserDataDir + "Private";
  WorkDir = UserDataDir;
  StylesDir = CommonDataDir + "Styles/";
  ListsDir = CommonDataDir + "Lists/";
  ActionBarDir = CommonDataDir + "ActionBar/";
  TabsDir = CommonDataDir + "Tabs/";
  LanguageDir = CommonDataDir + "Language/";
  EventStylesDir = CommonDataDir + "EventStyles/";
  HelpDir = InstallDir + "Help/";
  IconsDir = InstallDir + "Icons/";
  EventIconsDir = InstallDir + "EventIcons/";
  ClipArtDir = InstallDir + "ClipArt/";
  PhotosDir = InstallDir + "ClipArt/Photos/";
  ClipArtIconsDir = InstallDir + "ClipArt/Icons/";
  BackgroundsDir = InstallDir + "ClipArt/Backgrounds/";
  HolidaysDir = InstallDir + "Holidays/";
  BrandDir = InstallDir + "Brand/";
  ThickboxDir = InstallDir + "thickbox/";
  ScrollerDir = InstallDir + "Scroller/";
  PhotosAirshowDir = PhotosDir + "Airshow/";
  PhotosNatureDir = PhotosDir + "Nature/";
  PhotosOceanDir = PhotosDir + "Ocean/";
  PhotosScenicDir = PhotosDir + "Scenic/";
  TemplateConfigDir = InstallDir + "Config";
  HolidaysUsDir = HolidaysDir + "US/";
  HolidaysCanadaDir = HolidaysDir + "Canada/";
  HolidaysUkDir = HolidaysDir + "UK/";
  HolidaysCatholicDir = HolidaysDir + "Catholic/";
  HolidaysJewishDir = HolidaysDir + "Jewish/";
  // 4. Folders under the install folder may be read-only; that is fine.
  for (const std::string* folder :
       {&InstallDir, &UserMakerDir, &UserDataDir, &PrivateDir, &TempDir,
        &ImportDir, &EventIconsDir, &OpenCalendarDir, &LogDir, &InstallDir,
        &NetFileDir, &ConfigDir, &BuildDir, &HelpDir, &StylesDir, &FtpDir,
        &ClipArtIconsDir, &FavoritesDir, &IncludeDir, &ClipArtDir, &PhotosDir,
        &BackgroundsDir, &WaitDir, &HomepageDir, &DesktopDir, &ActionBarDir}) {
    EnsureDirQuiet(*folder);
  }
  // 5. and 6. First-run tables.
  if (FindNoCase(DbDir, "Events.db").empty()) {
    FirstRun = true;
    CopyTree(InstallDir + "DB", UserDataDir, "N");
    WaitForFile(DbDir + "Events.db");
  }
  for (const char* table : {"Events.db", "Calendar2010.db", "Year2010.db"}) {
    if (FindNoCase(DbDir, table).empty()) {
      std::string source = FindNoCase(TemplateDbDir, table);
      if (!source.empty()) CopyIfPresent(source, DbDir + table);
    }
  }
  // 7. First-run configuration.
  if (!FileExists(ConfigDir + "application.ini")) {
    CopyTree(TemplateConfigDir, UserDataDir, "N");
    WaitForFile(ConfigDir + "application.ini");
  }
  // The shared style library comes with the program; a gallery someone has
  // already filled (or emptied on purpose by deleting every entry but one)
  // is left alone.
  for (const char* gallery : {"Styles", "Tabs", "ActionBar", "Lists", "EventStyles", "Language"}) {
    std::string target = CommonDataDir + gallery;
    if (FolderIsEmpty(target)) CopyTree(InstallDir + "Common/" + gallery, CommonDataDir, "N");
  }
  // The preview page's stand-ins come with the program.
  for (const char* page : {"wait.html", "notpublished.html"}) {
    CopyIfPresent(InstallDir + "Wait/" + page, WaitDir + page);
  }
  // 8.
  if (!DirectoryExists(AttachmentsDir) && !EnsureDir(AttachmentsDir).ok()) {
    AttachmentsDir = UserDataDir + "Attachments/";
    EnsureDirQuiet(AttachmentsDir);
  }
  // 9.
  FolderMap.clear();
  if (auto bytes = ReadFileBytes(ConfigDir + "folders.txt"); bytes.ok()) {
    FolderMap = SplitLines(DecodeText(bytes.value()));
  }
}

void TDir::Log(bool error, const std::string& message) const {
  LogTo(log_, error, message);
}

void TDir::WaitForFile(const std::string& /*path*/) const {
  // Our copy is synchronous, so the file is there at once or not at all;
  // waiting would only delay the start. The interface may repaint.
  if (ui_ != nullptr) ui_->ProcessEvents();
}

// ---- Working directory ----

void TDir::SetWorkDir(const std::string& raw_path) {
  std::string path = WithTrailingSlash(SlashPath(raw_path));
  // 1.
  WorkDir = path;
  DbDir = path + "DB/";
  NetFileDir = DbDir;
  ConfigDir = path + "Config/";
  AttachmentsDir = path + "Attachments/";
  FavoritesDir = path + "Favorites/";
  IncludeDir = path + "Include/";
  // 2. and 3.
  if (!DirectoryExists(ConfigDir)) CopyTree(InstallDir + "iCONFIG", ConfigDir, "N");
  if (!DirectoryExists(DbDir)) CopyTree(InstallDir + "iDB", DbDir, "N");
  // 4.
  EnsureDirQuiet(FavoritesDir);
  EnsureDirQuiet(IncludeDir);
  EnsureDirQuiet(ConfigDir);
  EnsureDirQuiet(DbDir);
  // 5.
  for (const char* css : {"popup.css", "eventlist.css"}) {
    CopyIfPresent(InstallDir + "Config/" + css, ConfigDir + css);
  }
  // 6.
  EnsureDirQuiet(AttachmentsDir);
  // 7. Distinct folders in alphabetical order; the newest can fall off.
  std::vector<std::string> list{path};
  for (const std::string& entry : RecentWorkDirs) {
    if (std::find(list.begin(), list.end(), entry) == list.end()) {
      list.push_back(entry);
    }
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const std::string& a, const std::string& b) {
                     return ToLower(a) < ToLower(b);
                   });
  for (size_t i = 0; i < RecentWorkDirs.size(); ++i) {
    RecentWorkDirs[i] = i < list.size() ? list[i] : "";
  }
}

std::string TDir::MakeTempDir(std::string name) {
  std::mt19937 random(static_cast<unsigned>(
      std::chrono::steady_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<int> draw(0, 999);
  if (name.empty()) name = "Almanix";
  std::string target = TempDir + name + "/";
  if (PathExists(target) && !Zapdir1(target)) {
    Log(true, "Zapdir1.could not clear directory:" + target);
  }
  if (PathExists(target) && !Zapdir2(target)) {
    Log(true, "Zapdir2.could not clear directory:" + target);
  }
  if (PathExists(target) && !Zapdir3(target)) {
    Log(true, "Zapdir3.could not clear directory:" + target);
  }
  if (PathExists(target)) {
    Log(true, "MakeTempDir.could not clear directory after 3 tries:" + target);
    target = TempDir + name + std::to_string(draw(random)) + "/";
    // A few more draws instead of one, so a crowded folder still yields one.
    for (int attempt = 0; attempt < 20 && PathExists(target); ++attempt) {
      if (Zapdir1(target)) break;
      Log(true, "MakeTempDir.could not clear directory:" + target);
      target = TempDir + name + std::to_string(draw(random)) + "/";
    }
  }
  if (!PathExists(target)) EnsureDirQuiet(target);
  OpenCalendarDir = target;
  Log(false, "dir.open is " + target);
  return target;
}

// ---- Derived paths ----

std::string TDir::CategoryRoot(std::string_view category) const {
  for (const std::string& line : FolderMap) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (!EqualsIgnoreCase(line.substr(0, eq), category)) continue;
    std::string folder = WithTrailingSlash(SlashPath(line.substr(eq + 1)));
    if (DirectoryExists(folder)) return folder;
    break;  // the first entry of a name decides, as a lookup by name does
  }
  return AttachmentsDir;
}

std::string TDir::DayFolderPath(std::string_view category, std::string_view year,
                                std::string_view month,
                                std::string_view day) const {
  std::string day_part;
  if (day.size() == 1) {
    day_part = "-0" + std::string(day);
  } else if (day.size() == 2) {
    day_part = "-" + std::string(day);
  }
  return CategoryRoot(category) + std::string(category) + "/" +
         std::string(year) + "-" + std::string(month) + day_part + "/";
}

std::string TDir::NextFreeName(const std::string& folder, std::string_view base) {
  std::string root = WithTrailingSlash(folder);
  for (int n = 1; n <= 100; ++n) {
    std::string name = std::string(base) + std::to_string(n);
    if (!DirectoryExists(root + name)) return name;
  }
  return "";
}

std::string TDir::CategoryIconPath(std::string_view category) const {
  return CategoryIconPaths({std::string(category)}).front();
}

std::vector<std::string> TDir::CategoryIconPaths(
    const std::vector<std::string>& categories) const {
  // Listed at the first name not spelt as on disk, and only once.
  std::optional<std::unordered_map<std::string, std::string>> icons;  // lower-case -> name
  std::vector<std::string> paths;
  paths.reserve(categories.size());
  for (const std::string& category : categories) {
    // The exact spelling first, as FindNoCase would take it.
    std::string wanted = category + ".ico";
    std::string icon = IconsDir + wanted;
    if (!PathExists(icon)) {
      if (!icons) {
        icons.emplace();
        if (DIR* dir = ::opendir(IconsDir.c_str())) {
          while (dirent* d = ::readdir(dir)) icons->emplace(ToLower(d->d_name), d->d_name);
          ::closedir(dir);
        }
      }
      auto it = icons->find(ToLower(wanted));
      icon = it == icons->end() ? "" : IconsDir + it->second;
    }
    paths.push_back(!category.empty() && !icon.empty() && FileExists(icon)
                        ? icon
                        : IconsDir + "default.ico");
  }
  return paths;
}

// ---- Listing ----

std::string TDir::ListFiles(const std::string& folder, std::string_view mask) {
  return ListEntries(folder, mask, false);
}

std::string TDir::ListSubfolders(const std::string& folder,
                                 std::string_view mask) {
  return ListEntries(folder, mask, true);
}

TDir::Counts TDir::FolderCounts(const std::string& folder) {
  Counts counts;
  for (const Entry& e : ReadFolder(folder)) {
    if (e.is_dir) {
      ++counts.subfolders;
    } else {
      ++counts.files;
    }
    counts.bytes += e.size;
  }
  return counts;
}

bool TDir::FolderIsEmpty(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return true;
  bool empty = true;
  while (dirent* d = ::readdir(dir)) {
    if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  ::closedir(dir);
  return empty;
}

// ---- Copying and deleting ----

bool TDir::CopyIfPresent(const std::string& source, const std::string& target) {
  if (!FileExists(source)) return false;
  if (!PathExists(target)) CopyOneFile(source, target);
  return true;
}

bool TDir::CopyTree(const std::string& source, const std::string& target,
                    std::string_view confirm) const {
  // Nobody asks for prompts, and there is no shell dialog to show them in;
  // a "Y" is accepted and treated like "N".
  (void)confirm;
  if (source.size() > kMaxCopyPath || target.size() > kMaxCopyPath) return false;
  std::string from = WithoutTrailingSlash(SlashPath(source));
  std::string to = WithoutTrailingSlash(SlashPath(target));
  if (!DirectoryExists(from) || to.empty()) return false;
  fs::path destination = DirectoryExists(to)
                             ? fs::path(to) / fs::path(from).filename()
                             : fs::path(to);
  // Copying a folder into itself would never end.
  std::error_code ec;
  fs::path real_from = fs::weakly_canonical(from, ec);
  fs::path real_to = fs::weakly_canonical(destination, ec);
  std::string rf = real_from.string() + "/", rt = real_to.string() + "/";
  if (rt.rfind(rf, 0) == 0) return false;
  return CopyRecursive(from, destination);
}

void TDir::CopyFolderFiles(const std::string& source, const std::string& target) {
  std::string from = WithTrailingSlash(source), to = WithTrailingSlash(target);
  for (const Entry& e : ReadFolder(from)) {
    if (!e.is_dir) CopyOneFile(from + e.name, to + e.name);
  }
}

void TDir::DeleteFolderFiles(const std::string& folder) {
  std::string base = WithTrailingSlash(folder);
  for (const Entry& e : ReadFolder(base)) {
    if (e.name[0] == '.') continue;
    if (!e.is_dir || e.is_link) ::unlink((base + e.name).c_str());
  }
}

bool TDir::ZapTree(const std::string& folder) const {
  std::string base = WithTrailingSlash(folder);
  ::chmod(base.c_str(), 0700);  // a read-only folder cannot lose its entries
  DIR* dir = ::opendir(base.c_str());
  if (dir == nullptr) return false;
  std::vector<std::string> names;
  while (dirent* d = ::readdir(dir)) {
    std::string name = d->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  for (const std::string& name : names) {
    std::string path = base + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
      if (!ZapTree(path)) return false;
    } else if (::unlink(path.c_str()) != 0) {
      return false;
    }
  }
  if (::rmdir(WithoutTrailingSlash(base).c_str()) != 0) {
    Log(true, "zapdir.can not remove file:" + base);
    return false;
  }
  return true;
}

bool TDir::Zapdir1(const std::string& folder) const {
  std::string base = WithTrailingSlash(SlashPath(folder));
  if (IsProtectedFolder(base)) {
    Log(true, "zapdir.can not remove file:" + base);
    return false;
  }
  struct stat st {};
  if (::lstat(WithoutTrailingSlash(base).c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    // A link or a file where a folder was expected: remove the entry itself.
    if (::unlink(WithoutTrailingSlash(base).c_str()) == 0) return true;
    Log(true, "zapdir.can not remove file:" + base);
    return false;
  }
  return ZapTree(base);
}

bool TDir::Zapdir2(const std::string& folder) const {
  std::string base = WithTrailingSlash(SlashPath(folder));
  if (IsProtectedFolder(base)) return false;
  return trash_.MoveToTrash(base).ok();
}

bool TDir::Zapdir3(const std::string& folder) const {
  std::string base = WithTrailingSlash(SlashPath(folder));
  if (IsProtectedFolder(base)) return false;
  for (const Entry& e : ReadFolder(base)) {
    if (e.name[0] == '.') continue;
    std::string path = base + e.name;
    if (e.is_dir && !e.is_link) {
      ::rmdir(path.c_str());  // only an empty one goes
    } else if (::unlink(path.c_str()) != 0) {
      Log(true, "zapdir.can not erase file: " + path);
    }
  }
  if (::rmdir(WithoutTrailingSlash(base).c_str()) != 0) {
    int err = errno;
    Log(true, "zapdir.can not erase file: " + base);
    char message[PATH_MAX + 64];
    std::snprintf(message, sizeof message, "can not zapdir: '%s, %d'",
                  base.c_str(), err);
    Log(true, message);
    return false;
  }
  return true;
}

Status TDir::RecycleFolder(const std::string& folder) const {
  std::string base = WithTrailingSlash(SlashPath(folder));
  if (IsProtectedFolder(base)) return Status::Invalid("Cannot remove " + base);
  return trash_.MoveToTrash(base);
}

void TDir::ClearReadOnly(const std::string& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) ::chmod(file.c_str(), st.st_mode | S_IWUSR);
}

Status TDir::EnsureDir(const std::string& folder) {
  if (folder.empty()) return Status::Invalid("No folder given");
  if (DirectoryExists(folder)) return Status::Ok();
  std::error_code ec;
  fs::create_directories(WithoutTrailingSlash(folder), ec);
  if (ec || !DirectoryExists(folder)) {
    const std::string reason = ec ? ec.message() : "it is not a folder";
    return Status::IoError("Cannot create " + folder + ": " + reason).WithCause(reason);
  }
  return Status::Ok();
}

void TDir::EnsureDirQuiet(const std::string& folder) {
  try {
    IgnoreResult(EnsureDir(folder), "quiet by name: the next write into it fails instead");
  } catch (...) {
  }
}

// ---- Desktop ----

Status TDir::OpenInBrowser(std::string_view url_or_file) const {
  return opener_.Open(url_or_file);
}

Status TDir::ShellOpen(std::string_view path) const { return opener_.Open(path); }

std::string TDir::BrowseForFolder(std::string_view prompt) const {
  if (ui_ == nullptr) return "";
  auto picked = ui_->PickPath(PickKind::kFolder, prompt, "");
  return picked ? WithTrailingSlash(*picked) : "";
}

}  // namespace almanix
