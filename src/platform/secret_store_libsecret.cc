// The desktop's Secret Service (GNOME Keyring, KWallet's bridge, KeePassXC)
// through libsecret, opened when first asked (platform/secret_library.h).

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "app/file_util.h"
#include "platform/secret_store.h"
#include "platform/secret_library.h"

namespace almanix::platform {
namespace {

constexpr char kServiceName[] = "org.freedesktop.secrets";

const SecretSchema* Schema() {
  static const SecretSchema schema = [] {
    SecretSchema s{};
    s.name = "org.vorlund.Almanix.Password";
    s.flags = SECRET_SCHEMA_NONE;
    s.attributes[0] = {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"owner", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[2] = {"host", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[3] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
  }();
  return &schema;
}

// Cancels whatever runs with its cancellable once the time is up, so a
// service that never answers (or waits for an unlock prompt no one sees)
// cannot hang a command.
class Deadline {
 public:
  explicit Deadline(int timeout_ms) : cancellable_(Libsecret().g_cancellable_new()) {
    watch_ = std::thread([this, timeout_ms] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!done_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [this] { return done_; })) {
        Libsecret().g_cancellable_cancel(cancellable_);
      }
    });
  }
  ~Deadline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    watch_.join();
    Libsecret().g_object_unref(cancellable_);
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

  GCancellable* get() const { return cancellable_; }

 private:
  GCancellable* cancellable_;
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread watch_;
};

// The error's text, freed.
std::string Take(GError* error, const char* what) {
  std::string text = what;
  if (error != nullptr) {
    text += ": ";
    text += error->message;
    Libsecret().g_error_free(error);
  }
  return text;
}

class Attributes {
 public:
  explicit Attributes(const SecretKey& key)
      : table_(Libsecret().g_hash_table_new(Libsecret().g_str_hash, Libsecret().g_str_equal)),
        key_(key) {
    Libsecret().g_hash_table_insert(table_, const_cast<char*>("kind"), key_.kind.data());
    Libsecret().g_hash_table_insert(table_, const_cast<char*>("owner"), key_.owner.data());
    Libsecret().g_hash_table_insert(table_, const_cast<char*>("host"), key_.host.data());
  }
  ~Attributes() { Libsecret().g_hash_table_unref(table_); }
  Attributes(const Attributes&) = delete;
  Attributes& operator=(const Attributes&) = delete;
  GHashTable* get() const { return table_; }

 private:
  GHashTable* table_;
  SecretKey key_;  // the table points into this copy
};

class LibsecretStore : public SecretStore {
 public:
  explicit LibsecretStore(int timeout_ms) : timeout_ms_(timeout_ms) {}

  std::string Describe() const override { return "the Secret Service"; }

  Result<std::optional<std::string>> Lookup(const SecretKey& key) override {
    Attributes attributes(key);
    Deadline deadline(timeout_ms_);
    GError* error = nullptr;
    gchar* secret = Libsecret().secret_password_lookupv_sync(Schema(), attributes.get(),
                                                             deadline.get(), &error);
    if (error != nullptr) return Status::IoError(Take(error, "Secret Service lookup"));
    if (secret == nullptr) return std::optional<std::string>();
    std::optional<std::string> out(secret);
    Libsecret().secret_password_free(secret);
    return out;
  }

  Status Store(const SecretKey& key, const std::string& secret) override {
    Attributes attributes(key);
    const std::string label = "Web Almanix " + key.kind + " password" +
                              (key.owner.empty() ? "" : " of " + key.owner) +
                              (key.host.empty() ? "" : " for " + key.host);
    Deadline deadline(timeout_ms_);
    GError* error = nullptr;
    if (!Libsecret().secret_password_storev_sync(Schema(), attributes.get(),
                                                 SECRET_COLLECTION_DEFAULT, label.c_str(),
                                                 secret.c_str(), deadline.get(), &error)) {
      return Status::IoError(Take(error, "Secret Service store"));
    }
    return Status::Ok();
  }

  Status Remove(const SecretKey& key) override {
    Attributes attributes(key);
    Deadline deadline(timeout_ms_);
    GError* error = nullptr;
    Libsecret().secret_password_clearv_sync(Schema(), attributes.get(), deadline.get(), &error);
    if (error != nullptr) return Status::IoError(Take(error, "Secret Service clear"));
    return Status::Ok();
  }

 private:
  int timeout_ms_;
};

// A session bus this process could reach without starting one: GLib would
// otherwise try to launch a bus of its own where none runs.
bool SessionBusExists() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0') return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  struct stat st {};
  const std::string socket = WithTrailingSlash(runtime) + "bus";
  return ::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

}  // namespace

std::unique_ptr<SecretStore> ConnectSecretService(int timeout_ms, std::string* why_not) {
  auto fail = [why_not](std::string reason) -> std::unique_ptr<SecretStore> {
    if (why_not != nullptr) *why_not = std::move(reason);
    return nullptr;
  };
  if (!SessionBusExists()) return fail("no D-Bus session bus");
  if (Status loaded = LoadLibsecret(); !loaded.ok()) return fail(loaded.message());
  Deadline deadline(timeout_ms);
  GError* error = nullptr;
  GDBusConnection* bus = Libsecret().g_bus_get_sync(G_BUS_TYPE_SESSION, deadline.get(), &error);
  if (bus == nullptr) return fail(Take(error, "the session bus did not answer"));
  // Only a running service counts: starting one on demand would ask for a
  // keyring password on a screen that may not exist.
  GVariant* reply = Libsecret().g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
      Libsecret().g_variant_new("(s)", kServiceName), reinterpret_cast<const GVariantType*>("(b)"),
      G_DBUS_CALL_FLAGS_NONE, timeout_ms, deadline.get(), &error);
  // The bus is GLib's one shared connection: dropping its last reference
  // closes it for every later caller in the process, so it is kept.
  if (reply == nullptr) return fail(Take(error, "the session bus did not answer"));
  gboolean running = FALSE;
  Libsecret().g_variant_get(reply, "(b)", &running);
  Libsecret().g_variant_unref(reply);
  if (!running) return fail("no Secret Service runs");

  SecretService* service =
      Libsecret().secret_service_get_sync(SECRET_SERVICE_NONE, deadline.get(), &error);
  if (service == nullptr) return fail(Take(error, "the Secret Service did not answer"));
  SecretCollection* collection = Libsecret().secret_collection_for_alias_sync(
      service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, deadline.get(), &error);
  Libsecret().g_object_unref(service);
  if (collection == nullptr) {
    return fail(error != nullptr ? Take(error, "the Secret Service did not answer")
                                 : "the Secret Service has no default collection");
  }
  const bool locked = Libsecret().secret_collection_get_locked(collection);
  Libsecret().g_object_unref(collection);
  // A locked collection would ask for its password; a script cannot answer.
  if (locked) return fail("the Secret Service's default collection is locked");
  // Storing may open an encrypted session first: give it longer.
  return std::make_unique<LibsecretStore>(std::max(timeout_ms * 4, 5000));
}

}  // namespace almanix::platform
