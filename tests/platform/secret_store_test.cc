#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/file_util.h"
#include "platform/secret_store.h"
#include "support/scoped_env.h"
#include "support/temp_root.h"

namespace almanix::platform {
namespace {

using testing::ReadAll;
using testing::WriteAll;

int Mode(const std::string& path) {
  struct stat st {};
  if (::lstat(WithoutTrailingSlash(path).c_str(), &st) != 0) return -1;
  return st.st_mode & 07777;
}

std::optional<std::string> Found(SecretStore& store, const SecretKey& key) {
  Result<std::optional<std::string>> r = store.Lookup(key);
  EXPECT_TRUE(r.ok()) << r.status().message();
  return r.ok() ? r.value() : std::nullopt;
}

using almanix::testing::ScopedEnv;

// ---- The file ----

TEST(FileSecretStoreTest, KeepsAnyTextPrivatelyAndApartPerKey) {
  testing::TempRoot root;
  const std::string folder = root / "Vorlund/Secrets/";
  const std::string path = folder + "passwords";
  // A umask that would let everyone read what is made.
  const mode_t old_mask = ::umask(0);
  auto store = MakeFileSecretStore(path);
  const std::string odd = " tab\there %25 line\nbreak\r\xc3\xa9 ";
  const SecretKey ftp{"ftp", "Club", "ftp.example.org"};
  const SecretKey other{"ftp", "Club", "ftp.other.org"};
  const SecretKey proxy{"proxy", "Club\tB", "proxy:8080"};
  EXPECT_EQ(Found(*store, ftp), std::nullopt);  // no file yet: nothing stored
  ASSERT_TRUE(store->Store(ftp, odd).ok());
  ASSERT_TRUE(store->Store(other, "second").ok());
  ASSERT_TRUE(store->Store(proxy, "p").ok());
  ::umask(old_mask);

  EXPECT_EQ(Mode(path), 0600);
  EXPECT_EQ(Mode(folder), 0700);
  auto again = MakeFileSecretStore(path);
  EXPECT_EQ(Found(*again, ftp), odd);
  EXPECT_EQ(Found(*again, other), "second");
  EXPECT_EQ(Found(*again, proxy), "p");
  EXPECT_EQ(Found(*again, (SecretKey{"ftp", "Other", "ftp.example.org"})), std::nullopt);

  ASSERT_TRUE(again->Store(ftp, "changed").ok());
  ASSERT_TRUE(again->Remove(other).ok());
  ASSERT_TRUE(again->Remove(other).ok());  // twice is fine
  EXPECT_EQ(Found(*store, ftp), "changed");
  EXPECT_EQ(Found(*store, other), std::nullopt);
  EXPECT_EQ(Mode(path), 0600);
}

TEST(FileSecretStoreTest, MendsLooseModesAndRefusesALinkInItsPlace) {
  testing::TempRoot root;
  const std::string folder = root / "Secrets/";
  std::filesystem::create_directories(folder);
  ::chmod(folder.c_str(), 0755);
  const std::string path = folder + "passwords";
  WriteAll(path, "ftp\tClub\thost\told\n");
  ::chmod(path.c_str(), 0644);
  auto store = MakeFileSecretStore(path);
  EXPECT_EQ(Found(*store, (SecretKey{"ftp", "Club", "host"})), "old");
  ASSERT_TRUE(store->Store({"smtp", "", "mail"}, "new").ok());
  EXPECT_EQ(Mode(path), 0600);
  EXPECT_EQ(Mode(folder), 0700);

  // A link would have the secrets written wherever it points.
  const std::string elsewhere = root / "elsewhere.txt";
  WriteAll(elsewhere, "");
  std::filesystem::remove(path);
  std::filesystem::create_symlink(elsewhere, path);
  EXPECT_FALSE(store->Lookup({"ftp", "Club", "host"}).ok());
  EXPECT_FALSE(store->Store({"ftp", "Club", "host"}, "pw").ok());
  EXPECT_EQ(ReadAll(elsewhere), "");
}

// ---- Choosing at start-up ----

TEST(SecretStoreChoiceTest, NoSessionBusMeansTheFileAtOnce) {
  testing::TempRoot root;
  std::filesystem::create_directories(root / "run");
  ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", nullptr);
  ScopedEnv runtime("XDG_RUNTIME_DIR", (root / "run").c_str());
  std::string why;
  EXPECT_EQ(ConnectSecretService(1000, &why), nullptr);
  EXPECT_EQ(why, "no D-Bus session bus");
  std::string chosen;
  auto store = OpenSecretStore(root / "Secrets/passwords", SecretStoreChoice::kAuto, &chosen);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(chosen, "the file " + root / "Secrets/passwords" + " (no D-Bus session bus)");
  ASSERT_TRUE(store->Store({"ftp", "Club", "h"}, "pw").ok());
  EXPECT_EQ(ReadAll(root / "Secrets/passwords").find("pw") != std::string::npos, true);
  EXPECT_EQ(SecretStoreChoiceFrom("file"), SecretStoreChoice::kFile);
  EXPECT_EQ(SecretStoreChoiceFrom("secret-service"), SecretStoreChoice::kSecretService);
  EXPECT_EQ(SecretStoreChoiceFrom(""), SecretStoreChoice::kAuto);
}

// ---- The Secret Service, with a private bus and keyring ----

// A session bus of the test's own with GNOME Keyring's Secret Service on
// it, unlocked with a throw-away password; the keyring's files lie in the
// test's folder.
class KeyringSession {
 public:
  explicit KeyringSession(const std::string& folder, bool with_keyring) {
    // GLib keeps the first session bus of a process for good; ctest runs
    // each test in its own.
    static bool bus_used = false;
    if (bus_used) {
      why_ = "an earlier test's bus is still this process's; run the test on its own";
      return;
    }
    bus_used = true;
    if (std::system("command -v dbus-daemon >/dev/null 2>&1") != 0) {
      why_ = "dbus-daemon is not installed";
      return;
    }
    std::filesystem::create_directories(folder + "run");
    ::chmod((folder + "run").c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", (folder + "run").c_str(), 1);
    ::setenv("HOME", folder.c_str(), 1);
    FILE* bus = ::popen("dbus-daemon --session --fork --nopidfile --print-address=1 "
                        "--print-pid=1 2>/dev/null",
                        "r");
    char line[512] = {};
    std::string address, pid;
    if (bus != nullptr && std::fgets(line, sizeof line, bus) != nullptr) address = line;
    if (bus != nullptr && std::fgets(line, sizeof line, bus) != nullptr) pid = line;
    if (bus != nullptr) ::pclose(bus);
    while (!address.empty() && address.back() == '\n') address.pop_back();
    bus_pid_ = std::atoi(pid.c_str());
    if (address.empty() || bus_pid_ <= 0) {
      why_ = "dbus-daemon did not start";
      return;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    if (!with_keyring) {
      ready_ = true;
      return;
    }
    if (std::system("command -v gnome-keyring-daemon >/dev/null 2>&1") != 0) {
      why_ = "gnome-keyring is not installed";
      return;
    }
    int input[2];
    if (::pipe(input) != 0) return;
    keyring_pid_ = ::fork();
    if (keyring_pid_ == 0) {
      ::dup2(input[0], STDIN_FILENO);
      ::close(input[0]);
      ::close(input[1]);
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      ::execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--foreground", "--unlock",
               "--components=secrets", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(input[0]);
    const std::string password = "throw-away";
    (void)!::write(input[1], password.data(), password.size());
    ::close(input[1]);
    // The service needs a moment to claim its name; ask a bounded number of
    // times.
    for (int i = 0; i < 50 && !ready_; ++i) {
      std::string why;
      if (ConnectSecretService(2000, &why) != nullptr) {
        ready_ = true;
      } else {
        why_ = "the keyring did not come up: " + why;
        ::usleep(100 * 1000);
      }
    }
  }

  ~KeyringSession() {
    if (keyring_pid_ > 0) {
      ::kill(keyring_pid_, SIGTERM);
      ::waitpid(keyring_pid_, nullptr, 0);
    }
    if (bus_pid_ > 0) ::kill(bus_pid_, SIGTERM);
  }

  bool ready() const { return ready_; }
  const std::string& why() const { return why_; }

 private:
  pid_t bus_pid_ = -1;
  pid_t keyring_pid_ = -1;
  bool ready_ = false;
  std::string why_;
};

TEST(SecretServiceTest, KeepsPasswordsAndTakesOverWhatTheFileHeld) {
  testing::TempRoot root;
  KeyringSession session(root.path(), true);
  if (!session.ready()) GTEST_SKIP() << "no Secret Service for the test: " << session.why();

  const std::string file = root / "Secrets/passwords";
  const SecretKey key{"ftp", "Club", "ftp.example.org"};
  ASSERT_TRUE(MakeFileSecretStore(file)->Store(key, "kept while no service ran").ok());

  std::string chosen;
  auto store = OpenSecretStore(file, SecretStoreChoice::kAuto, &chosen);
  EXPECT_EQ(chosen.rfind("the Secret Service", 0), 0u) << chosen;
  EXPECT_EQ(Found(*store, key), "kept while no service ran");

  ASSERT_TRUE(store->Store(key, "in the keyring \xc3\xa9").ok());
  EXPECT_EQ(Found(*store, key), "in the keyring \xc3\xa9");
  // Moved, not copied: the file keeps no second copy.
  EXPECT_EQ(Found(*MakeFileSecretStore(file), key), std::nullopt);
  std::string why;
  auto service = ConnectSecretService(2000, &why);
  ASSERT_NE(service, nullptr) << why;
  EXPECT_EQ(Found(*service, key), "in the keyring \xc3\xa9");
  EXPECT_EQ(Found(*service, (SecretKey{"ftp", "Club", "other.host"})), std::nullopt);
  EXPECT_EQ(Found(*service, (SecretKey{"proxy", "Club", "ftp.example.org"})), std::nullopt);

  ASSERT_TRUE(store->Remove(key).ok());
  EXPECT_EQ(Found(*service, key), std::nullopt);
  EXPECT_EQ(Found(*store, key), std::nullopt);
}

TEST(SecretServiceTest, ABusWithoutTheServiceIsNotMadeToStartOne) {
  testing::TempRoot root;
  KeyringSession session(root.path(), false);
  if (!session.ready()) GTEST_SKIP() << "no session bus for the test: " << session.why();
  std::string why;
  EXPECT_EQ(ConnectSecretService(2000, &why), nullptr);
  EXPECT_EQ(why, "no Secret Service runs");
  // Asking did not start one (the package's activation file would).
  EXPECT_NE(std::system("dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                        "/org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "
                        "string:org.freedesktop.secrets 2>/dev/null | grep -q 'boolean true'"),
            0);
  std::string chosen;
  auto store = OpenSecretStore(root / "s/passwords", SecretStoreChoice::kSecretService, &chosen);
  EXPECT_EQ(chosen, "the file " + root / "s/passwords" + " (no Secret Service runs)");
}

}  // namespace
}  // namespace almanix::platform
