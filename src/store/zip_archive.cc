#include "store/zip_archive.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>
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
  z_stream zs{};
  if (deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return Status::IoError("Cannot compress " + path + ": out of memory");
  }
  PackSink sink(out, spill_folder);
  std::string in(kChunk, '\0');
  std::string buffer(kChunk, '\0');
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
    zs.next_in = reinterpret_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(n);
    int flush = done ? Z_FINISH : Z_NO_FLUSH;
    do {
      zs.next_out = reinterpret_cast<Bytef*>(buffer.data());
      zs.avail_out = static_cast<uInt>(buffer.size());
      int result = deflate(&zs, flush);
      if (result == Z_STREAM_ERROR) {
        status = Status::IoError("Cannot compress " + path);
        break;
      }
      size_t produced = buffer.size() - zs.avail_out;
      if (produced > 0 && !sink.Append(buffer.data(), produced)) {
        status = Status::IoError("Cannot write a temporary file in " +
                                 spill_folder + ": " + ErrnoText(errno));
        break;
      }
    } while (zs.avail_out == 0);
  }
  deflateEnd(&zs);
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

// Compresses the archive's files up to kLookahead ahead of the one libzip
// is writing, on a helper thread and on the calling thread while it would
// otherwise wait, so both cores work. Each file is compressed on its own and
// libzip sets the order, so the archive is the same as a one-thread run.
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

  // Packs file k again, after libzip has let go of it once.
  Status Repack(size_t k, Packed* out) {
    return PackFile(paths_[k], spill_folder_, cancel_, out);
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
  size_t current_ = 0;  // the file libzip is at
  bool stop_ = false;
  std::atomic<bool> cancel_{false};
  std::thread helper_;
};

struct WriteContext {
  Packer* packer = nullptr;
  Status failure;  // the first failure met while libzip reads our sources
  int total = 0;
  int done = 0;
  const std::function<void(int, int)>* progress = nullptr;

  void Fail(Status status) {
    if (failure.ok()) failure = std::move(status);
  }
  void Done(int count) {
    if (count <= done) return;
    done = count;
    if (*progress) (*progress)(done, total);
  }
};

// Hands libzip one file's data already deflated, with its sizes and CRC, so
// the entry gets exactly the header fields we want (libzip's own
// compression would set the level bits in the flags). libzip asks for the
// sizes (STAT) just before it opens each source, one source after the other,
// so the file is packed at the first STAT and let go of at CLOSE.
class FileSource {
 public:
  FileSource(WriteContext* context, size_t file_index, int ordinal,
             time_t mtime)
      : context_(context),
        file_index_(file_index),
        ordinal_(ordinal),
        mtime_(mtime) {
    zip_error_init(&error_);
  }
  ~FileSource() { zip_error_fini(&error_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  static zip_int64_t Callback(void* user, void* data, zip_uint64_t length,
                              zip_source_cmd_t command) {
    return static_cast<FileSource*>(user)->Handle(data, length, command);
  }

 private:
  zip_int64_t Handle(void* data, zip_uint64_t length,
                     zip_source_cmd_t command) {
    switch (command) {
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_GET_FILE_ATTRIBUTES,
            -1);
      case ZIP_SOURCE_STAT: {
        if (!have_sizes_ && !Load()) return -1;
        zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
        if (st == nullptr) return -1;
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD |
                    ZIP_STAT_CRC | ZIP_STAT_MTIME;
        st->size = packed_.size;
        st->comp_size = packed_.comp_size;
        st->comp_method = packed_.size == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        st->crc = packed_.crc;
        st->mtime = mtime_;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        auto* attributes =
            ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, length, &error_);
        if (attributes == nullptr) return -1;
        attributes->valid |= ZIP_FILE_ATTRIBUTES_VERSION_NEEDED |
                             ZIP_FILE_ATTRIBUTES_GENERAL_PURPOSE_BIT_FLAGS;
        attributes->version_needed = 20;
        attributes->general_purpose_bit_flags = 0;
        attributes->general_purpose_bit_mask = 0xffff;
        return 0;
      }
      case ZIP_SOURCE_OPEN:
        if (!loaded_ && !Load()) return -1;
        position_ = 0;
        return 0;
      case ZIP_SOURCE_READ:
        return Read(data, length);
      case ZIP_SOURCE_CLOSE: {
        // Keep the sizes for the STAT that follows; drop the data.
        std::string().swap(packed_.bytes);
        packed_.spill.Reset();
        loaded_ = false;
        context_->Done(ordinal_ + 1);
        return 0;
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, length);
      case ZIP_SOURCE_FREE:
        delete this;
        return 0;
      default:
        zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

  bool Load() {
    Packed packed;
    Status status = have_sizes_ ? context_->packer->Repack(file_index_, &packed)
                                : context_->packer->Take(file_index_, &packed);
    if (status.ok() && have_sizes_ &&
        (packed.size != packed_.size || packed.crc != packed_.crc ||
         packed.comp_size != packed_.comp_size)) {
      status = Status::IoError("A file changed while being saved");
    }
    if (!status.ok()) {
      context_->Fail(std::move(status));
      zip_error_set(&error_, ZIP_ER_READ, 0);
      return false;
    }
    packed_ = std::move(packed);
    have_sizes_ = true;
    loaded_ = true;
    return true;
  }

  zip_int64_t Read(void* data, zip_uint64_t length) {
    std::uint64_t left = packed_.comp_size - position_;
    size_t n = static_cast<size_t>(std::min<std::uint64_t>(length, left));
    if (n == 0) return 0;
    if (packed_.spill.valid()) {
      ssize_t got;
      do {
        got = ::pread(packed_.spill.get(), data, n,
                      static_cast<off_t>(position_));
      } while (got < 0 && errno == EINTR);
      if (got <= 0) {
        context_->Fail(Status::IoError("Cannot read back a temporary file"));
        zip_error_set(&error_, ZIP_ER_READ, got < 0 ? errno : 0);
        return -1;
      }
      n = static_cast<size_t>(got);
    } else {
      std::memcpy(data, packed_.bytes.data() + position_, n);
    }
    position_ += n;
    return static_cast<zip_int64_t>(n);
  }

  WriteContext* context_;
  size_t file_index_;
  int ordinal_;
  time_t mtime_;
  zip_error_t error_;
  Packed packed_;
  bool have_sizes_ = false;
  bool loaded_ = false;
  std::uint64_t position_ = 0;
};

Status AddEntries(zip_t* za, const std::vector<PlannedEntry>& entries,
                  WriteContext* context) {
  size_t file_index = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const PlannedEntry& entry = entries[i];
    zip_int64_t index;
    mode_t mode;
    if (entry.folder) {
      index = zip_dir_add(za, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
      mode = S_IFDIR | 0755;
    } else {
      auto* file = new FileSource(context, file_index++, static_cast<int>(i),
                                  entry.mtime);
      zip_source_t* source =
          zip_source_function(za, FileSource::Callback, file);
      if (source == nullptr) {
        delete file;
        return Status::IoError(zip_strerror(za));
      }
      index = zip_file_add(za, entry.name.c_str(), source,
                           ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
      if (index < 0) zip_source_free(source);
      mode = S_IFREG | (entry.mode & 07777);
    }
    if (index < 0 ||
        zip_file_set_mtime(za, static_cast<zip_uint64_t>(index), entry.mtime,
                           0) != 0 ||
        zip_file_set_external_attributes(
            za, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
            static_cast<zip_uint32_t>(mode) << 16) != 0) {
      return Status::IoError("Cannot add " + entry.name + ": " +
                             zip_strerror(za));
    }
  }
  return Status::Ok();
}

// libzip writes no file for an archive without entries; ours is still a
// valid, empty archive.
bool WriteEmptyArchive(const std::string& path) {
  static constexpr char kEnd[22] = {'P', 'K', 5, 6};
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  return fd.valid() && WriteAllFd(fd.get(), kEnd, sizeof kEnd) &&
         fd.Close() == 0;
}

// -------------------------------------------------------------- extracting

std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(Le16(p)) |
         static_cast<std::uint32_t>(Le16(p + 2)) << 16;
}
std::uint64_t Le64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Le32(p)) |
         static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

bool PreadExact(int fd, void* data, size_t size, std::uint64_t offset) {
  auto* out = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

// What the raw central directory says of one entry, read apart from
// libzip: libzip shows a NUL inside a stored name as a blank, so
// "run.sh\0.txt" would pass for a harmless name, and it does not tell where
// an entry's data lies.
struct RawEntry {
  bool name_holds_nul = false;
  std::uint64_t header_at = 0;  // the local header
  std::uint64_t data_end = 0;   // just past the compressed data
};

struct RawDirectory {
  std::vector<RawEntry> entries;  // in central directory order
  std::uint64_t directory_at = 0;
};

// The ZIP64 values an entry keeps in its extra field when the plain field
// holds all ones: sizes first, then the header offset.
void ReadZip64Extra(const unsigned char* extra, size_t length,
                    std::uint64_t* comp_size, std::uint64_t* header_at,
                    bool size_in_extra) {
  for (size_t at = 0; at + 4 <= length;) {
    size_t id = Le16(extra + at);
    size_t size = Le16(extra + at + 2);
    if (at + 4 + size > length) return;
    if (id == 0x0001) {
      size_t field = at + 4;
      size_t stop = at + 4 + size;
      if (size_in_extra && field + 8 <= stop) field += 8;  // uncompressed
      if (*comp_size == 0xffffffff && field + 8 <= stop) {
        *comp_size = Le64(extra + field);
        field += 8;
      }
      if (*header_at == 0xffffffff && field + 8 <= stop) {
        *header_at = Le64(extra + field);
      }
      return;
    }
    at += 4 + size;
  }
}

// Nothing when the directory cannot be read the plain way or disagrees
// with the entry count libzip found.
std::optional<RawDirectory> ReadRawDirectory(const std::string& path,
                                             std::uint64_t entries) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0) return std::nullopt;
  std::uint64_t file_size = static_cast<std::uint64_t>(st.st_size);
  size_t tail = static_cast<size_t>(std::min<std::uint64_t>(file_size, 65557));
  std::string buffer(tail, '\0');
  if (tail < 22 ||
      !PreadExact(fd.get(), buffer.data(), tail, file_size - tail)) {
    return std::nullopt;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
  size_t end = tail - 22 + 1;
  do {
    --end;
  } while (end > 0 && Le32(bytes + end) != 0x06054b50);
  if (Le32(bytes + end) != 0x06054b50) return std::nullopt;
  std::uint64_t count = Le16(bytes + end + 10);
  std::uint64_t cd_size = Le32(bytes + end + 12);
  std::uint64_t cd_offset = Le32(bytes + end + 16);
  if (count == 0xffff || cd_size == 0xffffffff || cd_offset == 0xffffffff) {
    unsigned char locator[20];
    std::uint64_t end_at = file_size - tail + end;
    unsigned char record[56];
    if (end_at < 20 || !PreadExact(fd.get(), locator, 20, end_at - 20) ||
        Le32(locator) != 0x07064b50 ||
        !PreadExact(fd.get(), record, 56, Le64(locator + 8)) ||
        Le32(record) != 0x06064b50) {
      return std::nullopt;
    }
    count = Le64(record + 32);
    cd_size = Le64(record + 40);
    cd_offset = Le64(record + 48);
  }
  if (count != entries || cd_size > (256u << 20) || cd_offset > file_size ||
      cd_size > file_size - cd_offset) {
    return std::nullopt;
  }
  std::string directory(static_cast<size_t>(cd_size), '\0');
  if (!PreadExact(fd.get(), directory.data(), directory.size(), cd_offset)) {
    return std::nullopt;
  }
  const auto* cd = reinterpret_cast<const unsigned char*>(directory.data());
  RawDirectory raw;
  raw.directory_at = cd_offset;
  size_t at = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (at + 46 > directory.size() || Le32(cd + at) != 0x02014b50) {
      return std::nullopt;
    }
    size_t name_length = Le16(cd + at + 28);
    size_t extra_length = Le16(cd + at + 30);
    size_t rest = name_length + extra_length + Le16(cd + at + 32);
    if (at + 46 + rest > directory.size()) return std::nullopt;
    RawEntry entry;
    entry.name_holds_nul =
        std::memchr(cd + at + 46, 0, name_length) != nullptr;
    std::uint64_t comp_size = Le32(cd + at + 20);
    entry.header_at = Le32(cd + at + 42);
    ReadZip64Extra(cd + at + 46 + name_length, extra_length, &comp_size,
                   &entry.header_at, Le32(cd + at + 24) == 0xffffffff);
    // The local header's own name and extra lengths say where the data
    // starts.
    unsigned char local[30];
    if (entry.header_at > file_size ||
        !PreadExact(fd.get(), local, sizeof local, entry.header_at) ||
        Le32(local) != 0x04034b50) {
      return std::nullopt;
    }
    entry.data_end = entry.header_at + 30 + Le16(local + 26) +
                     Le16(local + 28) + comp_size;
    raw.entries.push_back(entry);
    at += 46 + rest;
  }
  return raw;
}

// The first two entries whose local header and data overlap another's, or
// reach into the central directory; nothing when all lie apart.
std::optional<std::pair<size_t, size_t>> Overlapping(const RawDirectory& raw) {
  std::vector<size_t> order(raw.entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return raw.entries[a].header_at < raw.entries[b].header_at;
  });
  for (size_t k = 0; k < order.size(); ++k) {
    const RawEntry& entry = raw.entries[order[k]];
    std::uint64_t next = k + 1 < order.size()
                             ? raw.entries[order[k + 1]].header_at
                             : raw.directory_at;
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
  Extractor(zip_t* za, TargetTree* tree, const std::string& target,
            std::uint64_t budget, bool new_files_in_place)
      : za_(za),
        tree_(tree),
        target_(target),
        budget_(budget),
        new_files_in_place_(new_files_in_place) {}

  std::uint64_t unpacked() const { return unpacked_; }
  // Why the last entry was skipped.
  const std::string& reason() const { return reason_; }
  // The files this extraction made where there were none.
  const std::vector<std::vector<std::string>>& made() const { return made_; }

  // Writes entry `index` as the file `parts` under the target: to a
  // temporary name first, renamed into place once its CRC has been checked,
  // so a damaged entry leaves an existing file as it was. With
  // new_files_in_place a name that is still free is written directly.
  Result<Outcome> File(zip_uint64_t index, const zip_stat_t& st,
                       const std::vector<std::string>& parts, mode_t mode) {
    std::string shown = WithTrailingSlash(target_);
    for (size_t i = 0; i < parts.size(); ++i) {
      shown += (i ? "/" : "") + parts[i];
    }
    int err = 0;
    int folder = tree_->Open(parts, parts.size() - 1, &err);
    if (folder < 0) return Failed(shown, err);
    const std::string& base = parts.back();
    zip_file_t* zf = zip_fopen_index(za_, index, 0);
    if (zf == nullptr) {
      reason_ = zip_strerror(za_);
      return Outcome::kSkipped;
    }
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
      zip_fclose(zf);
      return Failed(shown, err);
    }
    // No larger than the biggest entry so far: a small archive should not
    // fault in a quarter megabyte it never fills.
    const size_t wanted = static_cast<size_t>(
        std::min<std::uint64_t>(kChunk, std::max<std::uint64_t>(st.size, 4096)));
    if (buffer_.size() < wanted) buffer_.resize(wanted);
    std::uint64_t written = 0;
    bool damaged = false;
    for (;;) {
      zip_int64_t n = zip_fread(zf, buffer_.data(), buffer_.size());
      if (n < 0) {
        damaged = true;  // a CRC or data error, found at the end
        break;
      }
      if (n == 0) break;
      written += static_cast<std::uint64_t>(n);
      unpacked_ += static_cast<std::uint64_t>(n);
      // More data than the entry claims: a bomb, or garbage; stop here.
      if (written > st.size || unpacked_ > budget_) {
        damaged = true;
        break;
      }
      if (!WriteAllFd(out.get(), buffer_.data(), static_cast<size_t>(n))) {
        err = errno;
        break;
      }
    }
    zip_fclose(zf);
    if (!damaged && err == 0 && written != st.size) damaged = true;
    if (damaged) reason_ = "its data is damaged (the CRC or the size does not match)";
    if (!damaged && err == 0) {
      struct timespec times[2] = {{st.mtime, 0}, {st.mtime, 0}};
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

  zip_t* za_;
  TargetTree* tree_;
  const std::string& target_;
  std::uint64_t budget_;
  bool new_files_in_place_;
  std::uint64_t unpacked_ = 0;
  std::string buffer_;
  std::string reason_;
  std::vector<std::vector<std::string>> made_;
};

Status OpenError(const std::string& archive, int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  switch (code) {
    case ZIP_ER_NOENT:
      return Status::NotFound("Archive not found: " + archive);
    case ZIP_ER_NOZIP:
      return Status::Invalid(archive +
                             " is not a ZIP archive (or is cut short)");
    case ZIP_ER_INCONS:
      return Status::Invalid(archive + " is a damaged ZIP archive");
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
      return Status::IoError("Cannot read " + archive + ": " + text);
    default:
      return Status::Invalid("Cannot open " + archive + ": " + text);
  }
}

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
  // Find out that the folder takes files before any work is done.
  {
    Fd probe(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!probe.valid()) {
      return Status::IoError("Cannot write " + target + ": " +
                             ErrnoText(errno));
    }
    ::unlink(temp.c_str());
  }

  // An archive saved inside one of its own roots must not hold itself.
  std::vector<FileId> excluded;
  if (replacing) excluded.push_back({old.st_dev, old.st_ino});
  TreeWalk walk(options, std::move(excluded));
  for (const ArchiveRoot& root : roots) {
    Status status = walk.AddRoot(root);
    if (!status.ok()) return status;
  }
  std::vector<PlannedEntry> entries = walk.TakeEntries();
  std::vector<std::string> paths;
  for (const PlannedEntry& entry : entries) {
    if (!entry.folder) paths.push_back(entry.path);
  }

  Packer packer(std::move(paths), folder,
                std::thread::hardware_concurrency() > 1);
  WriteContext context;
  context.packer = &packer;
  context.total = static_cast<int>(entries.size());
  context.progress = &options.progress;
  if (options.progress) options.progress(0, context.total);

  int code = 0;
  zip_t* za = zip_open(temp.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
  if (za == nullptr) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    Status status = Status::IoError("Cannot write " + target + ": " +
                                    zip_error_strerror(&error));
    zip_error_fini(&error);
    return status;
  }
  Status status = AddEntries(za, entries, &context);
  if (status.ok() && zip_close(za) != 0) {
    status = !context.failure.ok() ? context.failure
                                   : Status::IoError("Cannot write " + target +
                                                     ": " + zip_strerror(za));
  }
  if (!status.ok()) {
    zip_discard(za);
    ::unlink(temp.c_str());
    return status;
  }
  if (entries.empty() && !WriteEmptyArchive(temp)) {
    int err = errno;
    ::unlink(temp.c_str());
    return Status::IoError("Cannot write " + target + ": " + ErrnoText(err));
  }

  // libzip renamed its own temporary file into `temp`; make that durable
  // before it replaces the old archive.
  int err = 0;
  {
    Fd fd(::open(temp.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
      err = errno;
    } else {
      ::fchmod(fd.get(), replacing ? (old.st_mode & 07777) : 0644);
      if (::fsync(fd.get()) != 0) err = errno;
    }
  }
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return Status::IoError("Cannot write " + target + ": " + ErrnoText(err));
  }
  SyncFolder(folder);
  context.Done(context.total);
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
  int code = 0;
  zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (za == nullptr && code == ZIP_ER_EXISTS) {
    // A name stored twice fails libzip's consistency check before we learn
    // which name it is; open plainly so the refusal below can name it.
    za = zip_open(archive.c_str(), ZIP_RDONLY, &code);
  }
  if (za == nullptr) return OpenError(archive, code);
  struct Discard {
    zip_t* za;
    ~Discard() { zip_discard(za); }
  } discard{za};

  zip_int64_t count = zip_get_num_entries(za, 0);
  std::optional<RawDirectory> raw =
      ReadRawDirectory(archive, static_cast<std::uint64_t>(count));
  if (!raw) {
    return Status::Invalid(archive +
                           " is a damaged ZIP archive: its directory cannot "
                           "be read");
  }
  auto name_of = [&](size_t index) {
    const char* name = zip_get_name(za, index, 0);
    return std::string(name ? name : "entry " + std::to_string(index + 1));
  };
  // Entries sharing their data unpack to far more than the archive holds:
  // refused before anything is written.
  if (auto pair = Overlapping(*raw)) {
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
  enum class Kind { kUnreadable, kRefused, kFolder, kFile, kUnsupported };
  struct Planned {
    Kind kind = Kind::kUnreadable;
    zip_stat_t stat;
    std::string name;
    std::vector<std::string> parts;
    mode_t mode = 0;
    std::string why;
    bool stands_for_folder = false;
  };
  std::vector<Planned> plan(static_cast<size_t>(count));
  for (zip_int64_t i = 0; i < count; ++i) {
    auto index = static_cast<zip_uint64_t>(i);
    Planned& p = plan[index];
    if (zip_stat_index(za, index, 0, &p.stat) != 0 ||
        !(p.stat.valid & ZIP_STAT_NAME) || !(p.stat.valid & ZIP_STAT_SIZE)) {
      p.name = name_of(index);
      p.why = "its header cannot be read";
      continue;
    }
    p.name = p.stat.name;
    std::optional<std::vector<std::string>> parts = SafeParts(p.name);
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(za, index, 0, &system, &attributes);
    mode_t mode = system == ZIP_OPSYS_UNIX ? attributes >> 16 : 0;
    mode_t type = mode & S_IFMT;
    // Links (and devices or pipes) could point writes or reads elsewhere.
    bool special = type != 0 && type != S_IFREG && type != S_IFDIR;
    if (!parts || raw->entries[index].name_holds_nul || special) {
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
    bool encrypted = (p.stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
                     p.stat.encryption_method != ZIP_EM_NONE;
    bool known_method = (p.stat.valid & ZIP_STAT_COMP_METHOD) &&
                        (p.stat.comp_method == ZIP_CM_STORE ||
                         p.stat.comp_method == ZIP_CM_DEFLATE);
    if (encrypted) {
      p.kind = Kind::kUnsupported;
      p.why = "it is encrypted";
    } else if (!known_method) {
      p.kind = Kind::kUnsupported;
      p.why = "it is compressed with method " +
              std::to_string((p.stat.valid & ZIP_STAT_COMP_METHOD)
                                 ? p.stat.comp_method
                                 : -1) +
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
    if (p.kind == Kind::kUnreadable || p.kind == Kind::kRefused) continue;
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
    if (p.kind == Kind::kFile) declared += p.stat.size;
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
  Extractor extractor(za, &tree, target, options.max_unpacked_bytes,
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
      case Kind::kUnreadable:
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
                                        static_cast<zip_uint64_t>(i), p.stat,
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
