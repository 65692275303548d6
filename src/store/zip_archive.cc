#include "store/zip_archive.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string_view>
#include <thread>

#include "app/file_util.h"
#include "app/text.h"
#include "store/zip_format.h"

namespace almanix::store {
namespace {

constexpr size_t kChunk = 256 * 1024;
// Compressed data past this size waits in an unnamed temporary file instead
// of memory, so a huge attachment costs disk space, not RAM.
constexpr size_t kSpillBytes = 16u << 20;
// Files compressed ahead of the one being written: enough to keep two cores
// busy, few enough that memory stays at a handful of files.
constexpr size_t kLookahead = 2;

std::string ErrnoText(int err) { return std::strerror(err); }

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Closes and reports the error close() gives, which for a written file
  // can be the first sign of a failed write.
  int Close() {
    int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_ = -1;
};

bool WriteAllFd(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string RandomSuffix() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string out;
  for (int i = 0; i < 8; ++i) out += kDigits[random() % 36];
  return out;
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);  // best effort: the rename is already visible
    ::close(fd);
  }
}

// ---------------------------------------------------------------- writing

struct PlannedEntry {
  std::string name;  // as stored; folders end in "/"
  std::string path;  // on disk
  bool folder = false;
  mode_t mode = 0;
  time_t mtime = 0;
};

struct FileId {
  dev_t dev;
  ino_t ino;
};

// Collects the entries of every root in archive order.
class TreeWalk {
 public:
  TreeWalk(const ArchiveOptions& options, std::vector<FileId> excluded)
      : options_(options), excluded_(std::move(excluded)) {}

  Status AddRoot(const ArchiveRoot& root) {
    std::string name = root.name;
    while (!name.empty() && name.back() == '/') name.pop_back();
    while (!name.empty() && name.front() == '/') name.erase(0, 1);
    std::string folder = WithoutTrailingSlash(root.folder);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return Status::Ok();
      return Status::IoError("Cannot read folder " + folder + ": " +
                             ErrnoText(errno));
    }
    if (!S_ISDIR(st.st_mode)) return Status::Ok();
    std::string prefix;
    if (!name.empty()) {
      prefix = name + "/";
      if (Skipped(prefix)) return Status::Ok();
      Add({prefix, folder, true, st.st_mode, st.st_mtime});
    }
    return WalkFolder(folder, prefix);
  }

  std::vector<PlannedEntry> TakeEntries() { return std::move(entries_); }

 private:
  struct Child {
    std::string name;
    std::string key;  // lower case, for the order
    struct stat st;
  };

  bool Skipped(const std::string& entry_name) const {
    return options_.skip && options_.skip(entry_name);
  }

  bool Excluded(const struct stat& st) const {
    return std::any_of(excluded_.begin(), excluded_.end(), [&](FileId id) {
      return id.dev == st.st_dev && id.ino == st.st_ino;
    });
  }

  // A name met again keeps its place and takes the later data, as a file
  // re-added to an archive replaces the earlier one.
  void Add(PlannedEntry entry) {
    auto [it, inserted] = index_.try_emplace(entry.name, entries_.size());
    if (inserted) {
      entries_.push_back(std::move(entry));
    } else {
      entries_[it->second] = std::move(entry);
    }
  }

  Status WalkFolder(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
      return Status::IoError("Cannot read folder " + folder + ": " +
                             ErrnoText(errno));
    }
    std::vector<Child> children;
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
      std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      Child child{std::string(name), ToLower(name), {}};
      if (::fstatat(::dirfd(dir), entry->d_name, &child.st,
                    AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) continue;  // gone since the listing
        int err = errno;
        ::closedir(dir);
        return Status::IoError("Cannot read " + folder + "/" + child.name +
                               ": " + ErrnoText(err));
      }
      children.push_back(std::move(child));
      errno = 0;
    }
    int err = errno;
    ::closedir(dir);
    if (err != 0) {
      return Status::IoError("Cannot read folder " + folder + ": " +
                             ErrnoText(err));
    }
    std::sort(children.begin(), children.end(),
              [](const Child& a, const Child& b) {
                return a.key != b.key ? a.key < b.key : a.name < b.name;
              });
    for (size_t i = 1; i < children.size(); ++i) {
      const Child& a = children[i - 1];
      const Child& b = children[i];
      bool kept = (S_ISDIR(a.st.st_mode) || S_ISREG(a.st.st_mode)) &&
                  (S_ISDIR(b.st.st_mode) || S_ISREG(b.st.st_mode));
      if (a.key == b.key && kept) {
        return Status::Invalid("Cannot save " + prefix + a.name + " and " +
                               prefix + b.name +
                               " together: their names differ only in case");
      }
    }
    for (const Child& child : children) {
      std::string path = folder + "/" + child.name;
      if (Excluded(child.st)) continue;
      if (S_ISDIR(child.st.st_mode)) {
        std::string name = prefix + child.name + "/";
        if (Skipped(name)) continue;
        Add({name, path, true, child.st.st_mode, child.st.st_mtime});
        Status status = WalkFolder(path, name);
        if (!status.ok()) return status;
      } else if (S_ISREG(child.st.st_mode)) {
        std::string name = prefix + child.name;
        if (Skipped(name)) continue;
        Add({name, path, false, child.st.st_mode, child.st.st_mtime});
      }
      // Links, pipes and devices have no data of their own to keep.
    }
    return Status::Ok();
  }

  const ArchiveOptions& options_;
  std::vector<FileId> excluded_;
  std::vector<PlannedEntry> entries_;
  std::map<std::string, size_t> index_;
};

// One file's data as it goes into the archive: raw deflate, or nothing at
// all for an empty file, which is stored.
struct Packed {
  std::uint64_t size = 0;
  std::uint64_t comp_size = 0;
  std::uint32_t crc = 0;
  std::string bytes;  // the compressed data, unless spilled
  Fd spill;           // or here
};

Fd OpenSpillFile(const std::string& folder) {
  Fd fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (fd.valid()) return fd;
  // Not every file system has unnamed files; a named one removed at once
  // does as well.
  std::string name = WithTrailingSlash(folder) + ".almanix-spill-XXXXXX";
  fd = Fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.valid()) ::unlink(name.c_str());
  return fd;
}

class PackSink {
 public:
  PackSink(Packed* out, const std::string& spill_folder)
      : out_(out), spill_folder_(spill_folder) {}

  bool Append(const char* data, size_t size) {
    out_->comp_size += size;
    if (!out_->spill.valid()) {
      if (out_->bytes.size() + size <= kSpillBytes) {
        out_->bytes.append(data, size);
        return true;
      }
      out_->spill = OpenSpillFile(spill_folder_);
      if (!out_->spill.valid() ||
          !WriteAllFd(out_->spill.get(), out_->bytes.data(),
                      out_->bytes.size())) {
        return false;
      }
      std::string().swap(out_->bytes);
    }
    return WriteAllFd(out_->spill.get(), data, size);
  }

 private:
  Packed* out_;
  const std::string& spill_folder_;
};

// One deflate stream per thread, reset between files: setting up a level 9
// stream costs about as much as compressing a small file.
class Deflater {
 public:
  Deflater() {
    ok_ = deflateInit2(&zs_, 9, Z_DEFLATED, -MAX_WBITS, 8,
                       Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ok_) deflateEnd(&zs_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // The stream ready for a new file, or null when zlib had no memory.
  z_stream* Fresh() {
    if (!ok_ || deflateReset(&zs_) != Z_OK) return nullptr;
    return &zs_;
  }

 private:
  z_stream zs_{};
  bool ok_ = false;
};

// Reads the file at `path` and deflates it. `stop` ends the work early when
// the archive has already failed.
Status PackFile(const std::string& path, const std::string& spill_folder,
                const std::atomic<bool>& stop, Packed* out) {
  *out = Packed();
  // O_NONBLOCK: a file swapped for a pipe since the walk must not hang us.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) {
    return Status::IoError("Cannot read " + path + ": " + ErrnoText(errno));
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return Status::IoError("Cannot read " + path + ": not a regular file");
  }
  thread_local Deflater deflater;
  // Kept per thread too: a fresh quarter megabyte per file was paid in page
  // faults.
  thread_local std::string in(kChunk, '\0');
  thread_local std::string buffer(kChunk, '\0');
  z_stream* zs = deflater.Fresh();
  if (zs == nullptr) {
    return Status::IoError("Cannot compress " + path + ": out of memory");
  }
  PackSink sink(out, spill_folder);
  uLong crc = crc32(0, nullptr, 0);
  Status status;
  for (bool done = false; !done && status.ok();) {
    if (stop.load(std::memory_order_relaxed)) {
      status = Status::Cancelled("Stopped compressing " + path);
      break;
    }
    ssize_t n = ::read(fd.get(), in.data(), in.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      status = Status::IoError("Cannot read " + path + ": " + ErrnoText(errno));
      break;
    }
    done = n == 0;
    out->size += static_cast<std::uint64_t>(n);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(in.data()),
                static_cast<uInt>(n));
    zs->next_in = reinterpret_cast<Bytef*>(in.data());
    zs->avail_in = static_cast<uInt>(n);
    int flush = done ? Z_FINISH : Z_NO_FLUSH;
    do {
      zs->next_out = reinterpret_cast<Bytef*>(buffer.data());
      zs->avail_out = static_cast<uInt>(buffer.size());
      int result = deflate(zs, flush);
      if (result == Z_STREAM_ERROR) {
        status = Status::IoError("Cannot compress " + path);
        break;
      }
      size_t produced = buffer.size() - zs->avail_out;
      if (produced > 0 && !sink.Append(buffer.data(), produced)) {
        status = Status::IoError("Cannot write a temporary file in " +
                                 spill_folder + ": " + ErrnoText(errno));
        break;
      }
    } while (zs->avail_out == 0);
  }
  if (!status.ok()) {
    *out = Packed();
    return status;
  }
  out->crc = static_cast<std::uint32_t>(crc);
  if (out->size == 0) {
    // An empty file is stored with no data at all, not as an empty stream.
    out->comp_size = 0;
    out->bytes.clear();
  }
  return Status::Ok();
}

// Compresses the archive's files up to kLookahead ahead of the one being
// written, on a helper thread and on the calling thread while it would
// otherwise wait, so both cores work. Each file is compressed on its own and
// the writer sets the order, so the archive is the same as a one-thread run.
class Packer {
 public:
  Packer(std::vector<std::string> paths, std::string spill_folder,
         bool threaded)
      : paths_(std::move(paths)),
        spill_folder_(std::move(spill_folder)),
        jobs_(paths_.size()) {
    if (threaded && paths_.size() > 1) {
      helper_ = std::thread([this] { HelperLoop(); });
    }
  }

  ~Packer() {
    {
      std::lock_guard lock(mu_);
      stop_ = true;
      cancel_ = true;
    }
    cv_.notify_all();
    if (helper_.joinable()) helper_.join();
  }

  Packer(const Packer&) = delete;
  Packer& operator=(const Packer&) = delete;

  // The data of file k, packed by the helper or, when it is behind, here.
  Status Take(size_t k, Packed* out) {
    std::unique_lock lock(mu_);
    current_ = std::max(current_, k);
    cv_.notify_all();
    while (jobs_[k].state != State::kDone) {
      size_t limit = std::min(k + kLookahead, jobs_.size() - 1);
      if (next_ <= limit) {
        RunLocked(next_++, lock);
      } else {
        cv_.wait(lock);
      }
    }
    Job& job = jobs_[k];
    *out = std::move(job.packed);
    job.packed = Packed();
    return job.status;
  }

 private:
  enum class State { kWaiting, kRunning, kDone };
  struct Job {
    State state = State::kWaiting;
    Packed packed;
    Status status;
  };

  void RunLocked(size_t j, std::unique_lock<std::mutex>& lock) {
    jobs_[j].state = State::kRunning;
    lock.unlock();
    Packed packed;
    Status status = PackFile(paths_[j], spill_folder_, cancel_, &packed);
    lock.lock();
    jobs_[j].packed = std::move(packed);
    jobs_[j].status = std::move(status);
    jobs_[j].state = State::kDone;
    cv_.notify_all();
  }

  void HelperLoop() {
    std::unique_lock lock(mu_);
    for (;;) {
      cv_.wait(lock, [this] {
        return stop_ ||
               (next_ < jobs_.size() && next_ <= current_ + kLookahead);
      });
      if (stop_) return;
      RunLocked(next_++, lock);
    }
  }

  std::vector<std::string> paths_;
  std::string spill_folder_;
  std::vector<Job> jobs_;
  std::mutex mu_;
  std::condition_variable cv_;
  size_t next_ = 0;     // the first file nobody has started
  size_t current_ = 0;  // the file being written
  bool stop_ = false;
  std::atomic<bool> cancel_{false};
  std::thread helper_;
};

// The archive file as it is written: small pieces gathered into large
// writes, the offset kept for the headers.
class ArchiveWriter {
 public:
  explicit ArchiveWriter(int fd) : fd_(fd) { buffer_.reserve(kChunk); }

  std::uint64_t offset() const { return offset_; }

  bool Append(const char* data, size_t size) {
    offset_ += size;
    if (buffer_.size() + size > kChunk && !Flush()) return false;
    if (size >= kChunk) return WriteAllFd(fd_, data, size);
    buffer_.append(data, size);
    return true;
  }
  bool Append(const std::string& bytes) {
    return Append(bytes.data(), bytes.size());
  }

  bool Flush() {
    bool ok = WriteAllFd(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }

 private:
  int fd_;
  std::string buffer_;
  std::uint64_t offset_ = 0;
};

// Appends a file's deflated data, from memory or from its spill file.
bool AppendPacked(const Packed& packed, ArchiveWriter* writer) {
  if (!packed.spill.valid()) return writer->Append(packed.bytes);
  std::string chunk(kChunk, '\0');
  for (std::uint64_t at = 0; at < packed.comp_size;) {
    size_t want =
        static_cast<size_t>(std::min<std::uint64_t>(kChunk, packed.comp_size - at));
    ssize_t got = ::pread(packed.spill.get(), chunk.data(), want,
                          static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = EIO;
      return false;
    }
    if (!writer->Append(chunk.data(), static_cast<size_t>(got))) return false;
    at += static_cast<std::uint64_t>(got);
  }
  return true;
}

// Writes every entry, its local header right before its data, then the
// central directory and the end records. Each header is written once with
// the CRC and sizes already known, so no data descriptor is needed.
Status WriteEntries(int fd, const std::string& target,
                    const std::vector<PlannedEntry>& entries, Packer* packer,
                    const std::function<void(int, int)>& progress) {
  zip::DosClock clock;
  ArchiveWriter writer(fd);
  std::string central;
  std::string header;
  const int total = static_cast<int>(entries.size());
  auto write_failed = [&] {
    return Status::IoError("Cannot write " + target + ": " + ErrnoText(errno));
  };
  size_t file_index = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const PlannedEntry& entry = entries[i];
    if (entry.name.size() > zip::kMax16) {
      return Status::Invalid("Cannot save " + entry.name +
                             ": the name is too long for an archive");
    }
    zip::EntryRecord record;
    record.name = entry.name;
    clock.ToDos(entry.mtime, &record.time, &record.date);
    record.header_at = writer.offset();
    Packed packed;
    if (entry.folder) {
      record.external = zip::UnixAttributes(S_IFDIR | 0755);
    } else {
      Status status = packer->Take(file_index++, &packed);
      if (!status.ok()) return status;
      record.method = packed.size == 0 ? zip::kStored : zip::kDeflated;
      record.crc = packed.crc;
      record.size = packed.size;
      record.comp_size = packed.comp_size;
      record.external = zip::UnixAttributes(S_IFREG | (entry.mode & 07777));
    }
    header.clear();
    zip::AppendLocal(record, &header);
    if (!writer.Append(header)) return write_failed();
    if (!entry.folder && !AppendPacked(packed, &writer)) return write_failed();
    zip::AppendCentral(record, &central);
    if (progress) progress(static_cast<int>(i + 1), total);
  }
  const std::uint64_t directory_at = writer.offset();
  const std::uint64_t directory_size = central.size();
  zip::AppendEnd(entries.size(), directory_size, directory_at, &central);
  if (!writer.Append(central) || !writer.Flush()) return write_failed();
  return Status::Ok();
}

// -------------------------------------------------------------- extracting

// The archive's bytes: a small archive is read whole with one call, a large
// one where each piece is needed.
class ArchiveInput {
 public:
  // Below this the whole file costs less than reading it piece by piece.
  static constexpr std::uint64_t kWholeFile = 8u << 20;

  // 0, or the errno of the failed open or read.
  int Open(const std::string& path) {
    fd_ = Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!fd_.valid() || ::fstat(fd_.get(), &st) != 0) return errno;
    size_ = static_cast<std::uint64_t>(st.st_size);
    if (size_ <= kWholeFile) {
      whole_.resize(static_cast<size_t>(size_));
      if (!ReadAt(whole_.data(), whole_.size(), 0)) return errno ? errno : EIO;
      have_whole_ = true;
    }
    return 0;
  }

  std::uint64_t size() const { return size_; }

  // The bytes [at, at + size), valid until the next call; false when the
  // file ends first or cannot be read.
  bool View(std::uint64_t at, size_t size, std::string_view* out) {
    if (at > size_ || size > size_ - at) return false;
    if (have_whole_) {
      *out = std::string_view(whole_).substr(static_cast<size_t>(at), size);
      return true;
    }
    if (scratch_.size() < size) scratch_.resize(size);
    if (!ReadAt(scratch_.data(), size, at)) return false;
    *out = std::string_view(scratch_.data(), size);
    return true;
  }

 private:
  bool ReadAt(char* data, size_t size, std::uint64_t offset) {
    errno = 0;
    while (size > 0) {
      ssize_t n = ::pread(fd_.get(), data, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<size_t>(n);
      offset += static_cast<std::uint64_t>(n);
    }
    return true;
  }

  Fd fd_;
  std::uint64_t size_ = 0;
  std::string whole_;
  bool have_whole_ = false;
  std::string scratch_;
};

// One entry as the extraction uses it: the central directory's word, and
// where its data lies, checked against its local header.
struct Entry {
  zip::CentralEntry central;
  std::uint64_t data_at = 0;
  std::uint64_t data_end = 0;  // past the data and any descriptor
};

struct Directory {
  std::vector<Entry> entries;
  std::uint64_t directory_at = 0;
};

Status NotZip(const std::string& archive) {
  return Status::Invalid(archive + " is not a ZIP archive (or is cut short)");
}
Status Damaged(const std::string& archive) {
  return Status::Invalid(archive + " is a damaged ZIP archive");
}
Status DirectoryUnreadable(const std::string& archive) {
  return Status::Invalid(archive +
                         " is a damaged ZIP archive: its directory cannot "
                         "be read");
}

// Reads the central directory, the one source of truth, and each entry's
// local header, which must tell the same story.
Result<Directory> ReadDirectory(ArchiveInput& input,
                                const std::string& archive) {
  const std::uint64_t file_size = input.size();
  const size_t tail_size =
      static_cast<size_t>(std::min<std::uint64_t>(file_size, zip::kTailSearch));
  const std::uint64_t tail_at = file_size - tail_size;
  std::string_view tail;
  if (!input.View(tail_at, tail_size, &tail)) {
    return Status::IoError("Cannot read " + archive + ": " +
                           ErrnoText(errno ? errno : EIO));
  }
  zip::EndRecord end;
  std::uint64_t zip64_at = zip::kNoZip64;
  switch (zip::FindEnd(tail, tail_at, file_size, &end, &zip64_at)) {
    case zip::EndProblem::kNotZip:
      return NotZip(archive);
    case zip::EndProblem::kDamaged:
      return Damaged(archive);
    case zip::EndProblem::kNone:
      break;
  }
  if (zip64_at != zip::kNoZip64) {
    std::string_view record;
    if (!input.View(zip64_at, zip::kEnd64Size, &record) ||
        !zip::ReadEnd64(record, zip64_at, &end)) {
      return Damaged(archive);
    }
  }
  // The directory ends where the end records start; anything else is an
  // archive with bytes before it, or cut, or patched.
  if (end.directory_at > end.directory_end ||
      end.directory_size != end.directory_end - end.directory_at) {
    return NotZip(archive);
  }
  if (end.directory_size > (256u << 20)) return DirectoryUnreadable(archive);
  Directory directory;
  directory.directory_at = end.directory_at;
  std::vector<zip::CentralEntry> central;
  {
    std::string_view bytes;
    if (!input.View(end.directory_at, static_cast<size_t>(end.directory_size),
                    &bytes) ||
        !zip::ParseDirectory(bytes, end.count, &central)) {
      return DirectoryUnreadable(archive);
    }
  }
  directory.entries.reserve(central.size());
  for (zip::CentralEntry& c : central) {
    if (c.zip64_missing) return Damaged(archive);
    // Local headers lie before the directory; one inside it or past it
    // cannot be read as a header of its own.
    if (c.header_at >= end.directory_at) return DirectoryUnreadable(archive);
    const std::uint64_t room = end.directory_at - c.header_at;
    std::string_view bytes;
    if (room < zip::kLocalSize ||
        !input.View(c.header_at, zip::kLocalSize, &bytes)) {
      return DirectoryUnreadable(archive);
    }
    const size_t length = zip::kLocalSize + zip::Le16(reinterpret_cast<const unsigned char*>(bytes.data()) + 26) +
                          zip::Le16(reinterpret_cast<const unsigned char*>(bytes.data()) + 28);
    std::optional<zip::LocalHeader> local;
    if (length <= room && input.View(c.header_at, length, &bytes)) {
      local = zip::ParseLocal(bytes);
    }
    if (!local) return DirectoryUnreadable(archive);
    if (!zip::LocalMatches(*local, c)) return Damaged(archive);
    Entry entry;
    entry.data_at = c.header_at + local->length;
    // Saturates: data that claims to run past the directory is caught as
    // an overlap below.
    entry.data_end = c.comp_size > end.directory_at - std::min(entry.data_at, end.directory_at)
                         ? end.directory_at + 1
                         : entry.data_at + c.comp_size;
    if ((local->flags & zip::kFlagDescriptor) &&
        entry.data_end <= end.directory_at) {
      std::string_view descriptor;
      size_t want = static_cast<size_t>(
          std::min<std::uint64_t>(24, end.directory_at - entry.data_end));
      std::optional<size_t> found;
      if (input.View(entry.data_end, want, &descriptor)) {
        found = zip::DescriptorLength(descriptor, c);
      }
      if (!found) return Damaged(archive);
      entry.data_end += *found;
    }
    entry.central = std::move(c);
    directory.entries.push_back(std::move(entry));
  }
  return directory;
}

// The first two entries whose local header and data overlap another's, or
// reach into the central directory; nothing when all lie apart.
std::optional<std::pair<size_t, size_t>> Overlapping(const Directory& dir) {
  const std::vector<Entry>& entries = dir.entries;
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return entries[a].central.header_at < entries[b].central.header_at;
  });
  for (size_t k = 0; k < order.size(); ++k) {
    const Entry& entry = entries[order[k]];
    std::uint64_t next = k + 1 < order.size()
                             ? entries[order[k + 1]].central.header_at
                             : dir.directory_at;
    if (entry.data_end > next) {
      return std::make_pair(order[k], k + 1 < order.size() ? order[k + 1]
                                                            : order[k]);
    }
  }
  return std::nullopt;
}

// The parts of an entry name safe to create under the target, or nothing.
std::optional<std::vector<std::string>> SafeParts(std::string_view name) {
  if (name.empty() || name.front() == '/') return std::nullopt;
  if (name.find('\\') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  auto is_letter = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  };
  if (name.size() >= 2 && name[1] == ':' && is_letter(name[0])) {
    return std::nullopt;
  }
  std::vector<std::string> parts;
  for (std::string& part : Split(name, '/')) {
    if (part.empty() || part == ".") continue;
    // Any "..", even one that stays inside, marks an archive made to trick.
    if (part == "..") return std::nullopt;
    parts.push_back(std::move(part));
  }
  if (parts.empty()) return std::nullopt;
  return parts;
}

// Errors that say something of another kind is in the way of one entry, or
// that this file system cannot hold its name: that entry is skipped. Any
// other write error (a full disk, say) ends the extraction.
bool EntryLocalError(int err) {
  return err == EEXIST || err == EISDIR || err == ENOTDIR || err == ELOOP ||
         err == ENOTEMPTY || err == ENAMETOOLONG || err == EILSEQ ||
         err == EINVAL;
}

// Folders under the target, opened one part at a time so that no symbolic
// link inside the target is ever followed.
class TargetTree {
 public:
  explicit TargetTree(Fd root) : root_(std::move(root)) {}

  // The folder made of parts[0, count), created where missing; -1 with
  // *err set when a part exists but is not a real folder, or cannot be made.
  int Open(const std::vector<std::string>& parts, size_t count, int* err) {
    if (count == 0) return root_.get();
    std::string key;
    for (size_t i = 0; i < count; ++i) key += parts[i] + '/';
    if (cached_.valid() && key == cached_key_) return cached_.get();
    cached_.Reset();
    Fd current;
    for (size_t i = 0; i < count; ++i) {
      int parent = current.valid() ? current.get() : root_.get();
      if (::mkdirat(parent, parts[i].c_str(), 0755) == 0) {
        made_.emplace_back(parts.begin(), parts.begin() + i + 1);
      } else if (errno != EEXIST) {
        *err = errno;
        return -1;
      }
      Fd next(::openat(parent, parts[i].c_str(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (!next.valid()) {
        *err = errno;
        return -1;
      }
      current = std::move(next);
    }
    cached_ = std::move(current);
    cached_key_ = std::move(key);
    return cached_.get();
  }

  // Removes the files named (that this extraction made) and then every
  // folder it made that is empty again, deepest first.
  void RemoveMade(const std::vector<std::vector<std::string>>& files) {
    int err = 0;
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
      int folder = Open(*it, it->size() - 1, &err);
      if (folder >= 0) ::unlinkat(folder, it->back().c_str(), 0);
    }
    cached_.Reset();
    cached_key_.clear();
    std::vector<std::vector<std::string>> folders = std::move(made_);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
      int parent = Open(*it, it->size() - 1, &err);
      if (parent >= 0) ::unlinkat(parent, it->back().c_str(), AT_REMOVEDIR);
      cached_.Reset();
      cached_key_.clear();
    }
  }

 private:
  std::vector<std::vector<std::string>> made_;  // folders created, in order
  Fd root_;
  Fd cached_;  // the last folder opened: entries come folder by folder
  std::string cached_key_;
};

enum class Outcome { kExtracted, kSkipped };

class Extractor {
 public:
  Extractor(ArchiveInput* input, TargetTree* tree, const std::string& target,
            std::uint64_t budget, bool new_files_in_place)
      : input_(input),
        tree_(tree),
        target_(target),
        budget_(budget),
        new_files_in_place_(new_files_in_place) {}

  ~Extractor() {
    if (inflating_) inflateEnd(&zs_);
  }
  Extractor(const Extractor&) = delete;
  Extractor& operator=(const Extractor&) = delete;

  std::uint64_t unpacked() const { return unpacked_; }
  // Why the last entry was skipped.
  const std::string& reason() const { return reason_; }
  // The files this extraction made where there were none.
  const std::vector<std::vector<std::string>>& made() const { return made_; }

  // Writes entry `index` as the file `parts` under the target: to a
  // temporary name first, renamed into place once its CRC has been checked,
  // so a damaged entry leaves an existing file as it was. With
  // new_files_in_place a name that is still free is written directly.
  Result<Outcome> File(const Entry& entry, time_t mtime,
                       const std::vector<std::string>& parts, mode_t mode) {
    std::string shown = WithTrailingSlash(target_);
    for (size_t i = 0; i < parts.size(); ++i) {
      shown += (i ? "/" : "") + parts[i];
    }
    int err = 0;
    int folder = tree_->Open(parts, parts.size() - 1, &err);
    if (folder < 0) return Failed(shown, err);
    const std::string& base = parts.back();
    std::string temp;
    Fd out;
    bool in_place = false;
    if (new_files_in_place_) {
      // O_EXCL: only where nothing stands, so nothing can be damaged; a
      // failure below removes the partial file. Saves a rename and a stat
      // per file.
      out = Fd(::openat(folder, base.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        mode));
      in_place = out.valid();
    }
    for (int attempt = 0; attempt < 10 && !out.valid(); ++attempt) {
      temp = (base.size() < 200 ? "." + base : std::string()) + ".part-" +
             RandomSuffix();
      out = Fd(::openat(folder, temp.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        mode));
      if (!out.valid() && errno != EEXIST) break;
    }
    if (!out.valid()) {
      err = errno;
      return Failed(shown, err);
    }
    Unpacked unpacked = Unpack(entry, out.get());
    err = unpacked.write_error;
    const bool damaged = unpacked.damaged;
    if (damaged) reason_ = "its data is damaged (the CRC or the size does not match)";
    if (!damaged && err == 0) {
      struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
      ::futimens(out.get(), times);
    }
    int close_err = out.Close();
    if (err == 0) err = close_err;
    if (in_place) {
      if (damaged || err != 0) {
        ::unlinkat(folder, base.c_str(), 0);
        if (damaged) return Outcome::kSkipped;
        return Failed(shown, err);
      }
      made_.push_back(parts);
      return Outcome::kExtracted;
    }
    struct stat before {};
    bool existed =
        ::fstatat(folder, base.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0;
    if (!damaged && err == 0 &&
        ::renameat(folder, temp.c_str(), folder, base.c_str()) != 0) {
      err = errno;
    }
    if (!damaged && err == 0 && !existed) made_.push_back(parts);
    if (damaged || err != 0) {
      ::unlinkat(folder, temp.c_str(), 0);
      if (damaged) return Outcome::kSkipped;
      return Failed(shown, err);
    }
    return Outcome::kExtracted;
  }

  Result<Outcome> Folder(const std::vector<std::string>& parts) {
    int err = 0;
    if (tree_->Open(parts, parts.size(), &err) >= 0) return Outcome::kExtracted;
    std::string shown = WithTrailingSlash(target_);
    for (const std::string& part : parts) shown += part + "/";
    return Failed(shown, err);
  }

 private:
  Result<Outcome> Failed(const std::string& shown, int err) {
    if (EntryLocalError(err)) {
      reason_ = "cannot be made here (" + ErrnoText(err) + ")";
      return Outcome::kSkipped;
    }
    return Status::IoError("Cannot write " + shown + ": " + ErrnoText(err));
  }

  struct Unpacked {
    bool damaged = false;
    int write_error = 0;
  };

  // Copies or inflates the entry's data into `fd`, checking its size and
  // CRC. More data than the entry claims (a bomb, or garbage) stops at
  // once; so does passing the budget.
  Unpacked Unpack(const Entry& entry, int fd) {
    const zip::CentralEntry& c = entry.central;
    Unpacked result;
    // No larger than the biggest entry so far: a small archive should not
    // fault in a quarter megabyte it never fills.
    const size_t wanted = static_cast<size_t>(
        std::min<std::uint64_t>(kChunk, std::max<std::uint64_t>(c.size, 4096)));
    if (buffer_.size() < wanted) buffer_.resize(wanted);
    const bool stored = c.method == zip::kStored;
    if (stored && c.comp_size != c.size) {
      result.damaged = true;
      return result;
    }
    if (!stored) {
      int status = inflating_ ? inflateReset(&zs_)
                              : inflateInit2(&zs_, -MAX_WBITS);
      if (status != Z_OK) {
        result.damaged = true;
        return result;
      }
      inflating_ = true;
    }
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t written = 0;
    std::uint64_t read_at = entry.data_at;
    std::uint64_t left = c.comp_size;
    zs_.avail_in = 0;
    auto emit = [&](const char* data, size_t size) {
      written += size;
      unpacked_ += size;
      if (written > c.size || unpacked_ > budget_) {
        result.damaged = true;
        return false;
      }
      crc = crc32(crc, reinterpret_cast<const Bytef*>(data),
                  static_cast<uInt>(size));
      if (!WriteAllFd(fd, data, size)) {
        result.write_error = errno ? errno : EIO;
        return false;
      }
      return true;
    };
    for (;;) {
      std::string_view in;
      if ((stored || zs_.avail_in == 0) && left > 0) {
        size_t n = static_cast<size_t>(std::min<std::uint64_t>(left, kChunk));
        if (!input_->View(read_at, n, &in)) {
          result.damaged = true;
          return result;
        }
        read_at += n;
        left -= n;
        if (stored) {
          if (!emit(in.data(), in.size())) return result;
          continue;
        }
        zs_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        zs_.avail_in = static_cast<uInt>(in.size());
      }
      if (stored) break;
      zs_.next_out = reinterpret_cast<Bytef*>(buffer_.data());
      zs_.avail_out = static_cast<uInt>(buffer_.size());
      int status = inflate(&zs_, Z_NO_FLUSH);
      size_t produced = buffer_.size() - zs_.avail_out;
      if (produced > 0 && !emit(buffer_.data(), produced)) return result;
      if (status == Z_STREAM_END) break;
      // Z_BUF_ERROR here means the data ran out before the stream's end.
      if (status != Z_OK) {
        result.damaged = true;
        return result;
      }
    }
    if (written != c.size || static_cast<std::uint32_t>(crc) != c.crc) {
      result.damaged = true;
    }
    return result;
  }

  ArchiveInput* input_;
  TargetTree* tree_;
  const std::string& target_;
  std::uint64_t budget_;
  bool new_files_in_place_;
  std::uint64_t unpacked_ = 0;
  std::string buffer_;
  z_stream zs_{};
  bool inflating_ = false;
  std::string reason_;
  std::vector<std::vector<std::string>> made_;
};

}  // namespace

Status WriteArchive(const std::string& target,
                    const std::vector<ArchiveRoot>& roots,
                    const ArchiveOptions& options) {
  std::string folder = ParentPath(target);
  if (folder.empty()) folder = "./";
  std::string temp = folder + "." + BaseName(target) + ".tmp" + RandomSuffix();
  struct stat old {};
  bool replacing = ::stat(target.c_str(), &old) == 0;
  if (replacing && S_ISDIR(old.st_mode)) {
    return Status::IoError("Cannot write " + target + ": it is a folder");
  }
  // The folder must take files before any work is done.
  Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!out.valid()) {
    return Status::IoError("Cannot write " + target + ": " + ErrnoText(errno));
  }
  auto fail = [&](Status status) {
    out.Reset();
    ::unlink(temp.c_str());
    return status;
  };

  // An archive saved inside one of its own roots must hold neither its old
  // self nor the file it is being written to.
  std::vector<FileId> excluded;
  if (replacing) excluded.push_back({old.st_dev, old.st_ino});
  struct stat temp_st {};
  if (::fstat(out.get(), &temp_st) == 0) {
    excluded.push_back({temp_st.st_dev, temp_st.st_ino});
  }
  TreeWalk walk(options, std::move(excluded));
  for (const ArchiveRoot& root : roots) {
    Status status = walk.AddRoot(root);
    if (!status.ok()) return fail(status);
  }
  std::vector<PlannedEntry> entries = walk.TakeEntries();
  std::vector<std::string> paths;
  for (const PlannedEntry& entry : entries) {
    if (!entry.folder) paths.push_back(entry.path);
  }

  const int total = static_cast<int>(entries.size());
  if (options.progress) options.progress(0, total);
  {
    Packer packer(std::move(paths), folder,
                  std::thread::hardware_concurrency() > 1);
    Status status =
        WriteEntries(out.get(), target, entries, &packer, options.progress);
    if (!status.ok()) return fail(status);
  }
  // Durable before it replaces the old archive.
  ::fchmod(out.get(), replacing ? (old.st_mode & 07777) : 0644);
  int err = ::fsync(out.get()) == 0 ? 0 : errno;
  int close_err = out.Close();
  if (err == 0) err = close_err;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return Status::IoError("Cannot write " + target + ": " + ErrnoText(err));
  }
  SyncFolder(folder);
  return Status::Ok();
}

Result<ExtractReport> ExtractArchive(const std::string& archive,
                                     const std::string& target,
                                     const ExtractOptions& options) {
  struct stat st {};
  if (::stat(archive.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return Status::NotFound("Archive not found: " + archive);
    }
    return Status::IoError("Cannot read " + archive + ": " + ErrnoText(errno));
  }
  if (S_ISDIR(st.st_mode)) {
    return Status::Invalid(archive + " is a folder, not a ZIP archive");
  }
  if (st.st_size == 0) {
    return Status::Invalid(archive + " is empty, not a ZIP archive");
  }
  ArchiveInput input;
  if (int err = input.Open(archive); err != 0) {
    return Status::IoError("Cannot read " + archive + ": " + ErrnoText(err));
  }
  Result<Directory> read = ReadDirectory(input, archive);
  if (!read.ok()) return read.status();
  const Directory& directory = read.value();
  const size_t count = directory.entries.size();
  auto name_of = [&](size_t index) {
    return directory.entries[index].central.name;
  };
  // Entries sharing their data unpack to far more than the archive holds:
  // refused before anything is written.
  if (auto pair = Overlapping(directory)) {
    std::string first = name_of(pair->first);
    if (pair->first == pair->second) {
      return Status::Invalid(archive + " is refused: the data of " + first +
                             " runs into the archive's directory");
    }
    return Status::Invalid(archive + " is refused: the entries " + first +
                           " and " + name_of(pair->second) +
                           " share their data");
  }

  // Every entry sorted out before the first byte is written.
  enum class Kind { kRefused, kFolder, kFile, kUnsupported };
  struct Planned {
    Kind kind = Kind::kRefused;
    const Entry* entry = nullptr;
    std::string name;
    std::vector<std::string> parts;
    mode_t mode = 0;
    std::string why;
    bool stands_for_folder = false;
  };
  std::vector<Planned> plan(count);
  for (size_t index = 0; index < count; ++index) {
    Planned& p = plan[index];
    const zip::CentralEntry& c = directory.entries[index].central;
    p.entry = &directory.entries[index];
    p.name = c.name;
    std::optional<std::vector<std::string>> parts = SafeParts(p.name);
    mode_t mode = (c.made_by >> 8) == zip::kSystemUnix ? c.external >> 16 : 0;
    mode_t type = mode & S_IFMT;
    // Links (and devices or pipes) could point writes or reads elsewhere.
    bool special = type != 0 && type != S_IFREG && type != S_IFDIR;
    bool holds_nul = c.raw_name.find('\0') != std::string::npos;
    if (!parts || holds_nul || special) {
      p.kind = Kind::kRefused;
      continue;
    }
    p.parts = std::move(*parts);
    p.mode = mode;
    bool folder = p.name.back() == '/' || type == S_IFDIR;
    if (folder) {
      p.kind = Kind::kFolder;
      continue;
    }
    // A file where one of the mapped folders belongs would stand in its way.
    p.stands_for_folder =
        p.parts.size() == 1 &&
        std::any_of(options.top_folders.begin(), options.top_folders.end(),
                    [&](const auto& top) {
                      return EqualsIgnoreCase(top.first, p.parts.front());
                    });
    bool encrypted =
        (c.flags & (zip::kFlagEncrypted | zip::kFlagStrongEncryption)) != 0;
    if (encrypted) {
      p.kind = Kind::kUnsupported;
      p.why = "it is encrypted";
    } else if (c.method != zip::kStored && c.method != zip::kDeflated) {
      p.kind = Kind::kUnsupported;
      p.why = "it is compressed with method " + std::to_string(c.method) +
              ", which cannot be read";
    } else {
      p.kind = Kind::kFile;
    }
  }

  // Names found without regard to case must name one thing: the same name
  // twice, two spellings of one name, or a file where another entry needs a
  // folder would leave it to chance which one is used.
  std::map<std::string, const Planned*> seen;
  std::map<std::string, const Planned*> folders_needed;
  for (const Planned& p : plan) {
    if (p.kind == Kind::kRefused) continue;
    std::string key;
    for (size_t k = 0; k < p.parts.size(); ++k) {
      if (k > 0) {
        folders_needed.try_emplace(key, &p);
        key += '/';
      }
      key += ToLower(p.parts[k]);
    }
    if (p.kind == Kind::kFolder) folders_needed.try_emplace(key, &p);
    auto [it, fresh] = seen.try_emplace(key, &p);
    if (fresh) continue;
    const std::string& a = it->second->name;
    if (a == p.name) {
      return Status::Invalid(archive + " is refused: it holds " + a +
                             " twice");
    }
    return Status::Invalid(archive + " is refused: it holds both " + a +
                           " and " + p.name + ", one name in two spellings");
  }
  for (const Planned& p : plan) {
    if (p.kind != Kind::kFile && p.kind != Kind::kUnsupported) continue;
    std::string key;
    for (size_t k = 0; k < p.parts.size(); ++k) {
      key += (k ? "/" : "") + ToLower(p.parts[k]);
    }
    auto it = folders_needed.find(key);
    if (it != folders_needed.end()) {
      return Status::Invalid(archive + " is refused: it holds a file " +
                             p.name + " where " + it->second->name +
                             " needs a folder");
    }
  }

  for (Planned& p : plan) {
    if (p.stands_for_folder) p.kind = Kind::kRefused;
  }

  // What the entries say they unpack to bounds what is written (an entry
  // that inflates past its size is cut off), so this is checked up front.
  std::uint64_t declared = 0;
  for (const Planned& p : plan) {
    if (p.kind != Kind::kFile) continue;
    // Sizes a ZIP64 field claims can wrap the sum around.
    declared = std::min(declared, ~std::uint64_t{0} - p.entry->central.size) +
               p.entry->central.size;
  }
  if (declared > options.max_unpacked_bytes) {
    return Status::Invalid(archive + " is refused: it would unpack to " +
                           std::to_string(declared) + " bytes, more than the " +
                           std::to_string(options.max_unpacked_bytes) +
                           " allowed");
  }
  {
    std::string place = WithoutTrailingSlash(target);
    struct statvfs room {};
    while (!place.empty() && ::statvfs(place.c_str(), &room) != 0) {
      place = WithoutTrailingSlash(ParentPath(place));
    }
    std::uint64_t free_bytes =
        static_cast<std::uint64_t>(room.f_bavail) * room.f_frsize;
    if (!place.empty() && declared > free_bytes) {
      return Status::IoError(
          "Not enough room to unpack " + archive + ": it needs " +
          std::to_string((declared >> 20) + 1) + " MB, " + place + " has " +
          std::to_string(free_bytes >> 20) + " MB free");
    }
  }

  bool target_existed = DirectoryExists(target);
  std::error_code ec;
  std::filesystem::create_directories(target, ec);
  Fd root(::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root.valid()) {
    return Status::IoError("Cannot write to folder " + target + ": " +
                           ErrnoText(errno));
  }
  TargetTree tree(std::move(root));
  zip::DosClock clock;
  Extractor extractor(&input, &tree, target, options.max_unpacked_bytes,
                      options.new_files_in_place);
  // A failure half-way takes back what this extraction made.
  auto fail = [&](Status status) -> Result<ExtractReport> {
    tree.RemoveMade(extractor.made());
    if (!target_existed) ::rmdir(target.c_str());
    return status;
  };
  ExtractReport report;
  int total = static_cast<int>(count);
  if (options.progress) options.progress(0, total);
  for (size_t i = 0; i < plan.size(); ++i) {
    Planned& p = plan[i];
    if (options.progress && i > 0) options.progress(static_cast<int>(i), total);
    switch (p.kind) {
      case Kind::kUnsupported:
        ++report.skipped;
        report.damaged.push_back(p.name + ": " + p.why);
        continue;
      case Kind::kRefused:
        report.refused.push_back(p.name);
        continue;
      case Kind::kFolder:
      case Kind::kFile:
        break;
    }
    bool folder = p.kind == Kind::kFolder;
    if (folder || p.parts.size() > 1) {
      for (const auto& [from, to] : options.top_folders) {
        if (EqualsIgnoreCase(from, p.parts.front())) {
          p.parts.front() = to;
          break;
        }
      }
    }
    Result<Outcome> done = folder ? extractor.Folder(p.parts)
                                  : extractor.File(
                                        *p.entry,
                                        clock.FromDos(p.entry->central.time,
                                                      p.entry->central.date),
                                        p.parts,
                                        (p.mode & 0777) != 0
                                            ? ((p.mode & 0777) | 0600)
                                            : 0644);
    if (!done.ok()) return fail(done.status());
    if (done.value() == Outcome::kSkipped) {
      ++report.skipped;
      report.damaged.push_back(p.name + ": " + extractor.reason());
    } else if (!folder) {
      ++report.extracted;
    }
    if (extractor.unpacked() > options.max_unpacked_bytes) {
      report.size_limit_reached = true;
      break;
    }
  }
  if (options.progress) options.progress(total, total);
  return report;
}

}  // namespace almanix::store
