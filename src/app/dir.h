#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "platform/places.h"

namespace almanix {

class TLog;
class UiSeam;
namespace platform {
class Opener;
class Trash;
}  // namespace platform

// Every folder the program reads or writes, and the small file-system kit the
// rest of the program uses. One instance lives from start to end; all other
// code takes its paths from it. Paths are absolute, "/"-separated and end in
// "/" unless noted.
class TDir {
 public:
  // Computes every folder, creates the missing ones, seeds the per-user data
  // on first run and loads the folder map. Single failing steps are
  // swallowed; the opener and trash are the desktop services used by
  // OpenInBrowser, ShellOpen, Zapdir2 and RecycleFolder. ui may be null.
  TDir(const std::string& install_dir, const platform::Places& places,
       platform::Opener& opener, platform::Trash& trash, UiSeam* ui = nullptr);

  // Lines go to the log once it exists (it lives in LogDir, made here).
  void set_log(TLog* log) { log_ = log; }

  // ---- Working directory ----

  // Makes path (trailing "/" added) the working directory and seeds it from
  // the templates where it lacks them; updates RecentWorkDirs.
  void SetWorkDir(const std::string& path);
  // An empty, existing folder under TempDir for the calendar `name`; also
  // stored in OpenCalendarDir.
  std::string MakeTempDir(std::string name);

  // ---- Derived paths ----

  // The mapped folder of the category when FolderMap has it and it exists,
  // else AttachmentsDir.
  std::string CategoryRoot(std::string_view category) const;
  // CategoryRoot + name/ + year-month[-0d|-dd]/ (see the day-part rule).
  std::string DayFolderPath(std::string_view category, std::string_view year,
                            std::string_view month, std::string_view day) const;
  // base + N for the first N in 1..100 with no such folder; empty if none.
  static std::string NextFreeName(const std::string& folder,
                                  std::string_view base);
  // The category's icon file, or default.ico when it has none.
  std::string CategoryIconPath(std::string_view category) const;
  // CategoryIconPath of each category, in order, from at most one listing
  // of the icons folder (a start-up with thirty categories listed it thirty
  // times).
  std::vector<std::string> CategoryIconPaths(
      const std::vector<std::string>& categories) const;

  // ---- Listing ----

  // Names in double quotes joined by commas ("a.txt","b.txt"), sorted
  // without regard to case; the mask is a shell pattern matched without
  // regard to case, "*.*" meaning every name.
  static std::string ListFiles(const std::string& folder, std::string_view mask);
  static std::string ListSubfolders(const std::string& folder,
                                    std::string_view mask);
  struct Counts {
    int files = 0;
    int subfolders = 0;
    std::uint64_t bytes = 0;
  };
  static Counts FolderCounts(const std::string& folder);
  // True when the folder holds nothing, or does not exist; reads no more
  // than the first entry.
  static bool FolderIsEmpty(const std::string& folder);

  // ---- Copying and deleting ----

  // Copies one file unless the target exists; true when the source existed.
  static bool CopyIfPresent(const std::string& source, const std::string& target);
  // Copies the source folder with its contents. When the target folder
  // exists the source lands inside it under its own name (merging);
  // otherwise the target is created as the copy. Existing files are
  // overwritten. Links are copied as links. Paths over 4,096 bytes fail.
  bool CopyTree(const std::string& source, const std::string& target,
                std::string_view confirm = "N") const;
  // Every file directly in source copied into target, overwriting.
  static void CopyFolderFiles(const std::string& source,
                              const std::string& target);
  // Deletes every file directly in the folder except names starting ".".
  static void DeleteFolderFiles(const std::string& folder);
  // Deletes a folder tree; never a file-system root, the home folder or a
  // mount point. Links are removed, never followed. False (and logged) on
  // failure.
  bool Zapdir1(const std::string& folder) const;
  // Moves the folder to the trash.
  bool Zapdir2(const std::string& folder) const;
  // Deletes the files and empty subfolders, then the folder, without
  // recursion; failures are logged.
  bool Zapdir3(const std::string& folder) const;
  Status RecycleFolder(const std::string& folder) const;
  static void ClearReadOnly(const std::string& file);
  // Creates the folder and its parents when missing.
  static Status EnsureDir(const std::string& folder);
  static void EnsureDirQuiet(const std::string& folder);

  // ---- Desktop ----

  Status OpenInBrowser(std::string_view url_or_file) const;
  Status ShellOpen(std::string_view path) const;
  // The folder picker through the seam; empty when cancelled.
  std::string BrowseForFolder(std::string_view prompt) const;

  // ---- Fields ----
  std::string InstallDir;
  std::string UserMakerDir;
  std::string UserDataDir;
  std::string CommonDataDir;
  bool CommonDataMachineWide = false;
  std::string DbDir;
  std::string TemplateDbDir;
  std::string DefaultWorkDir;
  std::string NetFileDir;
  std::string ConfigDir;
  std::string TemplateConfigDir;  // no trailing "/"
  std::string BuildDir;
  std::string HelpDir;
  std::string StylesDir;
  std::string IconsDir;
  std::string ClipArtDir;
  std::string BackgroundsDir;
  std::string FavoritesDir;
  std::string IncludeDir;
  std::string ClipArtIconsDir;
  std::string PhotosDir;
  std::string TabsDir;
  std::string HolidaysDir;
  std::string HolidaysUsDir;
  std::string HolidaysCanadaDir;
  std::string HolidaysUkDir;
  std::string HolidaysCatholicDir;
  std::string HolidaysJewishDir;
  std::string OpenCalendarDir;
  std::string EventIconsDir;
  std::string TempBaseDir;
  std::string ImportDir;
  std::string EventStylesDir;
  std::string WaitDir;
  std::string AttachmentsDir;
  std::string ListsDir;
  std::string BrandDir;
  std::string ActionBarDir;
  std::string PrivateDir;  // no trailing "/"
  std::string FavoriteDir;
  std::string FtpDir;
  std::string DayAttachDir;
  std::string LogDir;
  std::string PhotosAirshowDir;
  std::string PhotosNatureDir;
  std::string PhotosOceanDir;
  std::string PhotosScenicDir;
  std::string HomepageDir;
  std::string DesktopDir;
  std::string LanguageDir;
  std::vector<std::string> FolderMap;  // "name=folder" lines
  std::string ThickboxDir;
  std::string TempDir;
  std::array<std::string, 5> RecentWorkDirs;
  std::array<std::string, 5> RecentCalendarFiles;
  std::string StartupDir;
  std::string ScrollerDir;
  std::string CalendarName;
  std::string CalendarFile;
  std::string WorkDir;
  std::string WindowsDir;
  // Set when this start found no events table and seeded the tables.
  bool FirstRun = false;
  // Where the autostart entry and the small value store live.
  std::string ConfigHomeDir;
  // The one folder every per-user folder lies under (--root, ALMANIX_ROOT);
  // empty when the normal places are used.
  std::string RootDir;

 private:
  void Log(bool error, const std::string& message) const;
  // Waits, as the first-run seeding does, for a file the copy should make.
  void WaitForFile(const std::string& path) const;
  bool ZapTree(const std::string& folder) const;

  platform::Opener& opener_;
  platform::Trash& trash_;
  UiSeam* ui_;
  TLog* log_ = nullptr;
};

}  // namespace almanix
