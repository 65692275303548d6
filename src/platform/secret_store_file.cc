// The file kept where no Secret Service runs. One secret per line:
//   kind TAB owner TAB host TAB secret
// each field with "%", TAB, CR and LF written as %25, %09, %0D and %0A.
// Plain text, as ~/.netrc or git's credential store: the file's mode (0600,
// in a 0700 folder) is what protects it.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "app/file_util.h"
#include "app/text.h"
#include "platform/secret_store.h"

namespace almanix::platform {
namespace {

constexpr char kHeader[] =
    "# Web Almanix passwords (FTP, proxy, SMTP). Only its owner may read this file.\n";

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string code(text.substr(i + 1, 2));
      if (code == "25") { out += '%'; i += 2; continue; }
      if (code == "09") { out += '\t'; i += 2; continue; }
      if (code == "0D") { out += '\r'; i += 2; continue; }
      if (code == "0A") { out += '\n'; i += 2; continue; }
    }
    out += text[i];
  }
  return out;
}

struct Entry {
  SecretKey key;
  std::string secret;
};

// Held for one read-change-write, so two programs saving at once do not
// drop each other's secrets.
class FileLock {
 public:
  explicit FileLock(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

class FileSecretStore : public SecretStore {
 public:
  explicit FileSecretStore(std::string path) : path_(std::move(path)) {}

  std::string Describe() const override { return "the file " + path_; }

  Result<std::optional<std::string>> Lookup(const SecretKey& key) override {
    Result<std::vector<Entry>> entries = Read();
    if (!entries.ok()) return entries.status();
    for (const Entry& e : entries.value()) {
      if (e.key == key) return std::optional<std::string>(e.secret);
    }
    return std::optional<std::string>();
  }

  Status Store(const SecretKey& key, const std::string& secret) override {
    return Change(key, &secret);
  }

  Status Remove(const SecretKey& key) override {
    if (!PathExists(path_)) return Status::Ok();
    return Change(key, nullptr);
  }

 private:
  Status Change(const SecretKey& key, const std::string* secret) {
    if (Status s = EnsurePrivateDir(ParentPath(path_)); !s.ok()) return s;
    FileLock lock(path_ + ".lock");
    if (!lock.ok()) return Status::IoError("Cannot lock " + path_ + ": " + std::strerror(errno));
    Result<std::vector<Entry>> read = Read();
    if (!read.ok()) return read.status();
    std::vector<Entry> entries = std::move(read).value();
    bool changed = false;
    bool found = false;
    for (auto it = entries.begin(); it != entries.end();) {
      if (!(it->key == key)) {
        ++it;
        continue;
      }
      if (secret != nullptr && !found) {
        changed = changed || it->secret != *secret;
        it->secret = *secret;
        found = true;
        ++it;
      } else {
        it = entries.erase(it);
        changed = true;
      }
    }
    if (secret != nullptr && !found) {
      entries.push_back({key, *secret});
      changed = true;
    }
    if (!changed) return Status::Ok();
    std::string text = kHeader;
    for (const Entry& e : entries) {
      text += Escape(e.key.kind) + "\t" + Escape(e.key.owner) + "\t" + Escape(e.key.host) +
              "\t" + Escape(e.secret) + "\n";
    }
    return WritePrivateFileAtomically(path_, text);
  }

  Result<std::vector<Entry>> Read() const {
    std::vector<Entry> entries;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) != 0) {
      if (errno == ENOENT) return entries;
      return Status::IoError("Cannot read " + path_ + ": " + std::strerror(errno));
    }
    // Someone could put a link there to have the secrets written elsewhere.
    if (!S_ISREG(st.st_mode)) return Status::IoError(path_ + " is not a plain file");
    if (st.st_uid != ::geteuid()) return Status::IoError(path_ + " belongs to another user");
    if ((st.st_mode & 077) != 0) ::chmod(path_.c_str(), 0600);
    Result<std::string> bytes = ReadFileBytes(path_);
    if (!bytes.ok()) return bytes.status();
    for (const std::string& line : Split(bytes.value(), '\n')) {
      if (line.empty() || line[0] == '#') continue;
      std::vector<std::string> fields = Split(line, '\t');
      if (fields.size() != 4) continue;
      entries.push_back({{Unescape(fields[0]), Unescape(fields[1]), Unescape(fields[2])},
                         Unescape(fields[3])});
    }
    return entries;
  }

  std::string path_;
};

}  // namespace

std::unique_ptr<SecretStore> MakeFileSecretStore(std::string path) {
  return std::make_unique<FileSecretStore>(std::move(path));
}

}  // namespace almanix::platform
