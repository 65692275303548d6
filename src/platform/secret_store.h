#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/status.h"

// Where the program keeps passwords (FTP, proxy, SMTP): the desktop's Secret
// Service when one runs, else a file of the user's own (mode 0600 in a 0700
// folder) outside every working directory. Settings files keep no password.
namespace almanix::platform {

// What a password belongs to.
struct SecretKey {
  std::string kind;   // "ftp", "proxy" or "smtp"
  std::string owner;  // the favorite's name; empty for the SMTP account
  std::string host;   // the server the password is for
  bool operator==(const SecretKey&) const = default;
};

class SecretStore {
 public:
  virtual ~SecretStore() = default;
  // Where the secrets are, for the log: "the Secret Service", "the file ...".
  virtual std::string Describe() const = 0;
  // The stored secret; nullopt when there is none. An error when the store
  // could not be asked.
  virtual Result<std::optional<std::string>> Lookup(const SecretKey& key) = 0;
  virtual Status Store(const SecretKey& key, const std::string& secret) = 0;
  // Removing what is not there is no error.
  virtual Status Remove(const SecretKey& key) = 0;
};

// One line per secret in a file written 0600 into a folder made 0700.
std::unique_ptr<SecretStore> MakeFileSecretStore(std::string path);

// The Secret Service of the session bus through libsecret, when a session
// bus exists, the service is running and its default collection is
// unlocked, all found out within timeout_ms (no bus: at once, without
// starting one). Null otherwise, with the reason in why_not.
std::unique_ptr<SecretStore> ConnectSecretService(int timeout_ms, std::string* why_not);

enum class SecretStoreChoice {
  kAuto,           // the Secret Service when it answers, else the file
  kFile,           // always the file
  kSecretService,  // the Secret Service when it answers, else the file
};

// "file", "secret-service", anything else (unset too) kAuto.
SecretStoreChoice SecretStoreChoiceFrom(const std::string& text);

// The store chosen at start-up. With the Secret Service, what it cannot
// take goes to the file, and a secret missing there is also looked for in
// the file (where it was kept while no service ran). `chosen` says which.
std::unique_ptr<SecretStore> OpenSecretStore(const std::string& file_path,
                                             SecretStoreChoice choice, std::string* chosen);

// The store of the running program, set by its start-up; null where no
// start-up ran (the settings then keep their passwords as older versions
// did, in the file itself).
SecretStore* ProgramSecretStore();
void SetProgramSecretStore(SecretStore* store);

}  // namespace almanix::platform
