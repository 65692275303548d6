#include "platform/secret_store.h"

namespace almanix::platform {
namespace {

SecretStore* g_program_store = nullptr;

// The Secret Service first; the file for what it cannot take and for what
// was kept there while no service ran.
class ServiceWithFile : public SecretStore {
 public:
  ServiceWithFile(std::unique_ptr<SecretStore> service, std::unique_ptr<SecretStore> file)
      : service_(std::move(service)), file_(std::move(file)) {}

  std::string Describe() const override {
    return service_->Describe() + " (else " + file_->Describe() + ")";
  }

  Result<std::optional<std::string>> Lookup(const SecretKey& key) override {
    Result<std::optional<std::string>> found = service_->Lookup(key);
    if (found.ok() && found.value()) return found;
    Result<std::optional<std::string>> kept = file_->Lookup(key);
    if (kept.ok() && kept.value()) return kept;
    return found.ok() ? kept : found;
  }

  Status Store(const SecretKey& key, const std::string& secret) override {
    if (service_->Store(key, secret).ok()) {
      // Moved: no second copy stays behind in the file.
      IgnoreResult(file_->Remove(key), "the keyring holds the password now; the file copy is stale");
      return Status::Ok();
    }
    return file_->Store(key, secret);
  }

  Status Remove(const SecretKey& key) override {
    Status a = service_->Remove(key);
    Status b = file_->Remove(key);
    return a.ok() ? b : a;
  }

 private:
  std::unique_ptr<SecretStore> service_;
  std::unique_ptr<SecretStore> file_;
};

}  // namespace

SecretStoreChoice SecretStoreChoiceFrom(const std::string& text) {
  if (text == "file") return SecretStoreChoice::kFile;
  if (text == "secret-service") return SecretStoreChoice::kSecretService;
  return SecretStoreChoice::kAuto;
}

std::unique_ptr<SecretStore> OpenSecretStore(const std::string& file_path,
                                             SecretStoreChoice choice, std::string* chosen) {
  std::unique_ptr<SecretStore> file = MakeFileSecretStore(file_path);
  std::string why_not = "the file was asked for";
  if (choice != SecretStoreChoice::kFile) {
    if (std::unique_ptr<SecretStore> service = ConnectSecretService(1500, &why_not)) {
      auto both = std::make_unique<ServiceWithFile>(std::move(service), std::move(file));
      if (chosen != nullptr) *chosen = both->Describe();
      return both;
    }
  }
  if (chosen != nullptr) *chosen = file->Describe() + " (" + why_not + ")";
  return file;
}

SecretStore* ProgramSecretStore() { return g_program_store; }

void SetProgramSecretStore(SecretStore* store) { g_program_store = store; }

}  // namespace almanix::platform
