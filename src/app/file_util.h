#pragma once

#include <string>
#include <string_view>

#include "app/status.h"

// Whole-file reading and safe writing. Paths are UTF-8 text with "/".
namespace almanix {

// The bytes of a file. NotFound when it does not exist, IoError when it
// cannot be read (the message names the file).
Result<std::string> ReadFileBytes(const std::string& path);

// Writes a temporary file beside the target, flushes it to disk, renames it
// over the target and syncs the folder, so the previous file survives any
// failure. The temporary file is removed when something fails.
Status WriteFileAtomically(const std::string& path, std::string_view bytes);
// The same for a file that may hold a secret: mode 0600 from its creation
// on, whatever the replaced file had.
Status WritePrivateFileAtomically(const std::string& path, std::string_view bytes);
// True when path is this user's regular file, mode 0600, holding exactly
// these bytes: writing them again would change nothing.
bool PrivateFileHolds(const std::string& path, std::string_view bytes);
// Creates the folder (and missing parents) with mode 0700, or makes an
// existing one of this user 0700. Refuses a link or another user's folder.
Status EnsurePrivateDir(const std::string& folder);
// Writes the file in place, without syncing: for scratch output such as the
// build folder, which every run empties and writes anew by the thousand
// files. A link in the file's place is not followed.
Status WriteFileDirect(const std::string& path, std::string_view bytes);
// The same for `name` in the open folder `folder_fd` (openat), which spares
// the walk of the folder's path for each of thousands of small files; path
// names the file in the messages.
Status WriteFileDirectAt(int folder_fd, const std::string& name, std::string_view bytes,
                         const std::string& path);

// WriteFileDirect for a file written in parts, so that a page of a hundred
// megabytes never sits whole in memory: Append buffers and writes a part
// each time the buffer fills, Finish writes the rest and closes the file.
// The first failure is kept; later parts are dropped, and Finish returns it
// with the same message WriteFileDirect would give.
class FileSink {
 public:
  explicit FileSink(std::string path);
  ~FileSink();
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  void Append(std::string_view bytes);
  Status Finish();
  const std::string& path() const { return path_; }

 private:
  void Flush();

  std::string path_;
  std::string buffer_;
  int fd_ = -1;
  int error_ = 0;
  bool finished_ = false;
};

bool FileExists(const std::string& path);       // a regular file (or link to one)
bool DirectoryExists(const std::string& path);  // a folder (or link to one)
bool PathExists(const std::string& path);       // anything, dangling links too

// Reads backslashes as "/", so paths written by the Windows program work.
std::string SlashPath(std::string_view path);
// Adds a trailing "/" when missing; an empty path stays empty.
// True when path is folder or lies below it, links resolved on both sides.
bool IsInsideFolder(const std::string& path, const std::string& folder);

std::string WithTrailingSlash(std::string_view path);
std::string WithoutTrailingSlash(std::string_view path);
// The last part of a path ("a/b/c.txt" gives "c.txt", "a/b/" gives "b").
std::string BaseName(std::string_view path);
// The name without its last extension ("c.tar.gz" gives "c.tar").
std::string StemName(std::string_view path);
// The folder part with trailing "/" ("a/b/c.txt" gives "a/b/").
std::string ParentPath(std::string_view path);

// Looks for a file or folder named `name` in `folder` without regard to case;
// returns the full path of the first match in directory order, or empty.
std::string FindNoCase(const std::string& folder, std::string_view name);

}  // namespace almanix
