#include "publish/published_calendar_file.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/scramble.h"
#include "app/text.h"
#include "platform/secret_store.h"
#include "publish/ftp_upload.h"
#include "store/zip_archive.h"

namespace almanix::publish {
namespace {

// The upload record older versions kept in each favorite's folder.
constexpr char kOldManifestFile[] = "upload-manifest.txt";


namespace fs = std::filesystem;

const char* const kFolders[] = {"db", "config", "attachments", "favorites", "include"};

// Shorter passwords would be found by chance in any file.
constexpr size_t kShortestSearched = 4;

struct Blank {
  const char* section;
  const char* key;
  std::uint16_t scramble_key;  // 0: not a password
};

// The logins of a favorite.
constexpr Blank kFavoriteLogins[] = {{"FTP", "UserID", 0},
                                     {"FTP", "Password", kPublishPasswordKey},
                                     {"Proxy", "User", 0},
                                     {"Proxy", "Password", kPublishPasswordKey}};
// The reminder mail account of the application settings.
constexpr Blank kMailAccount[] = {{"EmailReminder", "smtp_host", 0},
                                  {"EmailReminder", "smtp_userid", 0},
                                  {"EmailReminder", "smtp_password", kSmtpPasswordKey},
                                  {"EmailReminder", "smtp_YourName", 0},
                                  {"EmailReminder", "smtp_EmailAddress", 0},
                                  {"EmailReminder", "RemindEmail", 0}};

void AddStored(platform::SecretStore* secrets, const platform::SecretKey& key,
               std::vector<std::string>* passwords) {
  if (secrets == nullptr) return;
  Result<std::optional<std::string>> found = secrets->Lookup(key);
  if (found.ok() && found.value() && !found.value()->empty()) {
    passwords->push_back(*found.value());
  }
}

// Blanks the keys the file has (adding none) and collects the passwords
// they held, as stored and unscrambled.
Status BlankKeys(IniFile& ini, std::span<const Blank> keys,
                 std::vector<std::string>* passwords) {
  for (const Blank& b : keys) {
    if (!ini.ValueExists(b.section, b.key)) continue;
    const std::string value = ini.ReadString(b.section, b.key, "");
    if (b.scramble_key != 0 && !value.empty()) {
      passwords->push_back(value);
      passwords->push_back(DecodeScrambled(value, b.scramble_key));
    }
    ini.WriteString(b.section, b.key, "");
  }
  return WritePrivateFileAtomically(ini.path(), ini.ToText());
}

// How a password may sit in a settings file: as typed, or scrambled with
// any of the program's keys (hex, raw bytes, raw bytes read as
// Windows-1252).
std::vector<std::string> Forms(const std::string& password) {
  std::vector<std::string> forms{password};
  for (std::uint16_t key :
       {kPublishPasswordKey, kSmtpPasswordKey, kFtpPasswordKey, kProxyPasswordKey}) {
    const std::string raw = Scramble(password, key);
    forms.push_back(raw);
    forms.push_back(Cp1252ToUtf8(raw));
    forms.push_back(EncodeScrambled(password, key).substr(2));
  }
  return forms;
}

Status WriteCopy(const std::string& packed, const std::string& target, const std::string& copy,
                 platform::SecretStore* secrets) {
  std::error_code ec;
  Result<store::ExtractReport> report = store::ExtractArchive(packed, copy);
  if (!report.ok()) return report.status();
  if (report.value().skipped > 0 || !report.value().refused.empty() ||
      report.value().size_limit_reached) {
    return Status::IoError("the calendar could not be copied whole for publishing");
  }

  std::vector<std::string> passwords;
  std::vector<std::string> settings_files;
  for (fs::recursive_directory_iterator it(copy, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    const std::string path = it->path().string();
    const std::string relative = path.substr(copy.size());
    const std::string top = ToLower(relative.substr(0, relative.find('/')));
    if (top != "config" && top != "favorites") continue;
    const std::string name = ToLower(it->path().filename().string());
    if (top == "favorites" && name == ToLower(std::string(kOldManifestFile))) {
      // The upload record names the account it was sent with.
      fs::remove(it->path(), ec);
      if (ec) return Status::IoError("Cannot remove " + path + ": " + ec.message());
      continue;
    }
    settings_files.push_back(path);
  }
  if (ec) return Status::IoError("Cannot read " + copy + ": " + ec.message());

  for (const std::string& path : settings_files) {
    const std::string name = ToLower(BaseName(path));
    if (name != "conf.ini" && name != "application.ini") continue;
    IniFile ini(path);
    if (Status s = ini.Load(); !s.ok()) return s;
    if (name == "conf.ini") {
      const std::string favorite = BaseName(ParentPath(path));
      AddStored(secrets, {"ftp", favorite, Trim(ini.ReadString("FTP", "Host", ""))}, &passwords);
      AddStored(secrets, {"proxy", favorite, Trim(ini.ReadString("Proxy", "Host", ""))},
                &passwords);
      if (Status s = BlankKeys(ini, kFavoriteLogins, &passwords); !s.ok()) return s;
    } else {
      AddStored(secrets, {"smtp", "", Trim(ini.ReadString("EmailReminder", "smtp_host", ""))},
                &passwords);
      if (Status s = BlankKeys(ini, kMailAccount, &passwords); !s.ok()) return s;
    }
  }

  // A password anywhere else in the settings (a key of another program, a
  // copy someone made) keeps the file from going out.
  for (const std::string& path : settings_files) {
    Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes.ok()) return bytes.status();
    for (const std::string& password : passwords) {
      if (password.size() < kShortestSearched) continue;
      for (const std::string& form : Forms(password)) {
        if (bytes.value().find(form) != std::string::npos) {
          return Status::Invalid("a password is still in " + path.substr(copy.size()) +
                                 "; the calendar file is not published");
        }
      }
    }
  }

  std::vector<store::ArchiveRoot> roots;
  for (const char* folder : kFolders) roots.push_back({copy + folder, folder});
  return store::WriteArchive(target, roots);
}

}  // namespace

Status WritePublishedCalendarFile(const std::string& packed, const std::string& target,
                                  const std::string& scratch, platform::SecretStore* secrets) {
  std::error_code ec;
  fs::remove_all(scratch, ec);
  Status status = EnsurePrivateDir(scratch);
  if (status.ok()) status = WriteCopy(packed, target, WithTrailingSlash(scratch), secrets);
  fs::remove_all(scratch, ec);
  return status;
}

}  // namespace almanix::publish
