#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/status.h"

// The calendar's backup archives: ZIP files whose top folders are the
// working folder's parts (db/, config/, attachments/, ...).
namespace almanix::store {

// A folder on disk and the entry name it is stored under, e.g.
// {"/wd/DB", "db"}.
struct ArchiveRoot {
  std::string folder;
  std::string name;
};

struct ArchiveOptions {
  // Called with each entry name before it is taken ("db/Events.db", folders
  // with their trailing "/"); true leaves the entry out, a folder with all
  // it holds.
  std::function<bool(const std::string& entry_name)> skip;
  // Called on the calling thread as entries are written; done reaches total.
  std::function<void(int done, int total)> progress;
};

// Writes every root in order: the root's folder entry ("db/"), then, walking
// each folder sorted by name without regard to case, every subfolder's entry
// ("db/sub/") right before its contents and every file (hidden ones too).
// Names use "/" and keep their spelling on disk after the root's name. A
// root whose folder does not exist contributes nothing; symbolic links and
// other special files are neither followed nor stored. An entry name met a
// second time keeps its first place and takes the later data. Two names in
// one folder that differ only in case fail the whole archive: reading
// refuses such archives, so it could never be opened again.
// The archive is written beside the target under a temporary name, synced
// and renamed over it, so the previous archive survives any failure.
Status WriteArchive(const std::string& target,
                    const std::vector<ArchiveRoot>& roots,
                    const ArchiveOptions& options = {});

struct ExtractOptions {
  // Stop past this many bytes in all.
  std::uint64_t max_unpacked_bytes = 8ull << 30;
  // Maps the first part of an entry name to the folder name to use on disk,
  // compared without regard to case (e.g. "db" -> "DB"); names without a
  // mapping keep their spelling.
  std::vector<std::pair<std::string, std::string>> top_folders;
  std::function<void(int done, int total)> progress;
  // For a target made empty just before: a file whose name is free there is
  // written under its own name instead of a temporary one renamed into
  // place (an existing file is still replaced only once its entry has
  // proved whole). A failed entry's partial file is removed either way.
  bool new_files_in_place = false;
};

struct ExtractReport {
  int extracted = 0;  // files written; folder entries are not counted
  int skipped = 0;    // unsupported method, encrypted, damaged data
  // "NAME: why" for every skipped entry, in archive order.
  std::vector<std::string> damaged;
  std::vector<std::string> refused;  // entry names unsafe to write
  bool size_limit_reached = false;
};

// Opens the archive (an unreadable file, not a ZIP, empty, truncated: an
// error naming the file, and target is not touched) and extracts what can be
// safely extracted into target, which is created when missing. Existing
// files are replaced; a file's mtime is set from the entry. Names that are
// absolute, climb out with "..", hold a backslash, a drive letter or a NUL,
// symbolic links, and a file named like one of top_folders go to `refused`.
//
// Refused whole, before anything is written (an error naming the archive):
// entries whose data overlap (the overlapping zip bomb), a name stored twice
// or twice without regard to case (also a file named like a folder of
// another entry), and archives that would unpack to more than
// max_unpacked_bytes or more than the target's file system has free.
// An extraction that fails half-way removes the files and folders it made.
// Never writes outside target and never follows a symbolic link found
// inside it.
Result<ExtractReport> ExtractArchive(const std::string& archive,
                                     const std::string& target,
                                     const ExtractOptions& options = {});

}  // namespace almanix::store
