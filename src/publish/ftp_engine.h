#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "publish/host_trust.h"

// The FTP client behind the upload window: the few operations the upload
// needs, behind one interface, and the libcurl implementation of them.
namespace almanix::publish {

// FTP.Protocol.
enum class FtpProtocol {
  kFtp,   // plain FTP
  kFtps,  // explicit TLS ("AUTH TLS"), capped at TLS 1.2
  kSftp,  // SSH file transfer; the server's key must be in the known hosts
};
// "FTP", "FTPS", "SFTP" (any case); FTP for anything else.
FtpProtocol ParseFtpProtocol(std::string_view text);

// Proxy.Type. kNone also stands for a disabled proxy.
enum class FtpProxyType {
  kNone,
  kUserSite,          // proxy gets USER user@host, PASS password
  kSite,              // proxy login, then SITE host, USER user, PASS password
  kOpen,              // proxy login, then OPEN host, USER user, PASS password
  kUserPass,          // USER user@proxyuser@host, PASS password@proxypassword
  kTransparent,       // the proxy is spoken to as if it were the server
  kHttpProxyWithFtp,  // an HTTP proxy tunnelling the connections (CONNECT)
};
// The Proxy.Type item; kNone for anything not listed.
FtpProxyType ParseFtpProxyType(std::string_view text);

struct FtpProxy {
  FtpProxyType type = FtpProxyType::kNone;
  std::string host;
  int port = 0;  // 0: 21 for the FTP proxies, 8080 for the HTTP proxy
  std::string user;
  std::string password;
};

// Everything but the host, which each Connect names.
struct FtpConnectOptions {
  std::string user;
  std::string password;
  bool passive = true;
  FtpProtocol protocol = FtpProtocol::kFtp;
  FtpProxy proxy;
  // Our own limits instead of libcurl's (which would wait minutes).
  long connect_timeout_seconds = 15;
  long response_timeout_seconds = 30;  // one reply of the server
  // A transfer slower than this many bytes a second for stall_seconds is
  // given up.
  long stall_bytes_per_second = 1;
  long stall_seconds = 30;
  // Certificates to trust for FTPS besides the system's (a self-signed one).
  std::string ca_file;
  // "name:port:address" entries answered without asking DNS (libcurl's
  // CURLOPT_RESOLVE), for hosts a test or a local setup names.
  std::vector<std::string> resolve;
  // SFTP: the known hosts file the server's key must be in (empty:
  // ~/.ssh/known_hosts), and a key pair to log in with instead of the
  // password (empty: password only).
  std::string ssh_known_hosts;
  std::string ssh_private_key;
  std::string ssh_public_key;
  // The HostTrustStore file of the keys the person chose to trust (empty:
  // none). A host with a pinned key (FTPS certificate or SSH host key) is
  // accepted with exactly that key and refused with any other; a host
  // without one must pass the system's checks (CA store, known hosts).
  std::string trust_file;
};

// An absolute remote path from a joined one: empty parts and "." dropped,
// ".." taking back the part before it; "/" when nothing is left.
std::string CollapseRemotePath(std::string_view path);

// What the upload asks of a client. Errors never escape: every operation
// turns one into a false result (or "-1", or nullopt) and last_error().
// Paths are remote paths with "/" separators; a relative one is taken from
// the current folder.
class FtpEngine {
 public:
  virtual ~FtpEngine() = default;

  // Connects and logs in to host ("name" or "name:port"). False on failure.
  virtual bool Connect(const std::string& host) = 0;
  virtual bool IsConnected() const = 0;
  // The current folder as the server spells it ("/" at a chrooted root);
  // "-1" when it cannot be told.
  virtual std::string CurrentDir() = 0;
  // "~" is the folder the login started in. False, staying put, when the
  // folder cannot be entered.
  virtual bool ChangeDir(const std::string& path) = 0;
  // Makes a folder (one level) without entering it.
  virtual bool MakeDir(const std::string& name) = 0;
  // The detail lines of the current folder's listing; nullopt on failure.
  virtual std::optional<std::vector<std::string>> List() = 0;
  // Stores a local file into the current folder under remote_name, binary,
  // replacing an older file only once the new one has arrived complete;
  // where the server refuses renames, by storing over it directly (see
  // stores_directly). A failed transfer leaves the old file as it was and
  // nothing of the new one behind (as far as the server lets it be removed).
  virtual bool PutFile(const std::string& local_path, const std::string& remote_name) = 0;
  // PutFile in two steps, so that an upload broken off part way leaves the
  // folder as it was: StageFile stores the file beside the old one under its
  // temporary name, CommitStaged then puts it in the old one's place (as
  // PutFile does once a file has arrived), DropStaged removes it. An engine
  // that cannot stage stores at once; it then has nothing to commit or drop.
  virtual bool StageFile(const std::string& local_path, const std::string& remote_name) {
    return PutFile(local_path, remote_name);
  }
  virtual bool CommitStaged(const std::string& remote_name) {
    static_cast<void>(remote_name);
    return true;
  }
  virtual void DropStaged(const std::string& remote_name) { static_cast<void>(remote_name); }
  // Errors ignored.
  virtual void Disconnect() = 0;

  // The last failure, as the library worded it, with the server's own
  // reply where it gave one.
  virtual std::string last_error() const = 0;
  // Whether a server answered before the last failure (a refused login, an
  // untrusted certificate or host key, a full disk), as opposed to no
  // server being found or reached.
  virtual bool last_error_reached_server() const = 0;
  // True once the server refused to rename: files are then stored over the
  // old ones directly, and a broken transfer can leave one incomplete.
  virtual bool stores_directly() const = 0;
  // Called with each raw status text (the protocol conversation, passwords
  // masked) while operations run.
  std::function<void(const std::string&)> on_status;
  // Called while a transfer runs with the bytes of the current file sent so
  // far, so the interface can repaint and show progress.
  std::function<void(long long sent)> on_progress;
  // Asked while a transfer runs; true breaks it off at once (the file then
  // fails), so Cancel does not wait for a large file to finish.
  std::function<bool()> should_abort;
  // The certificate or host key that made the last failed Connect fail,
  // when that was the reason; cleared by a Connect that succeeds.
  virtual std::optional<UntrustedKey> untrusted_key() const { return std::nullopt; }
};

// What a connection's key check needs and finds (used by the libcurl
// callbacks).
struct KeyCheck {
  std::string host;                   // "name:port"
  std::optional<std::string> pinned;  // the trusted fingerprint
  std::optional<UntrustedKey> refused;
};

// The temporary name a file travels under until it is complete.
std::string UploadTempName(const std::string& remote_name);
// The name an old file is moved aside to while its replacement takes its
// place, on servers that will not rename over an existing file.
std::string UploadAsideName(const std::string& remote_name);

// The libcurl client: one easy handle, so one control connection, for every
// operation until Disconnect (libcurl logs in again by itself should the
// server drop it). The current folder is kept here, as the server confirmed
// it, and every operation names its folder in full, because libcurl's own
// idea of the connection's folder is not the caller's.
//
// PutFile stores "." + name + ".part" and renames it over name (RNFR/RNTO)
// once the server has all of it. Where a server refuses to rename over an
// existing file, the old file is first moved aside to "." + name + ".old",
// the new one renamed into place and only then the old one deleted (put
// back when the second rename fails). Where the server refuses renames
// altogether, the temporary file is removed and this and every later file
// are stored over the old ones directly. A transfer that breaks leaves the
// old file as it was; its temporary file is deleted, on a new connection
// when the old one is gone.
//
// Proxies: the HTTP proxy tunnels (CONNECT) the control and the data
// connections, so passive mode is used through it. The FTP proxies are
// spoken to at Proxy.Host:Proxy.Port (21 when 0) with the login their mode
// names: "User Site" logs in as user@host; "User Pass" as
// user@proxyuser@host with password@proxypassword (as "User Site" when no
// proxy account is set); "Site" and "Open" log in to the proxy with the
// proxy account, then send SITE host or OPEN host and USER and PASS for the
// server; "Transparent" logs in to the proxy as if it were the server.
class CurlFtpEngine : public FtpEngine {
 public:
  explicit CurlFtpEngine(FtpConnectOptions options);
  ~CurlFtpEngine() override;
  CurlFtpEngine(const CurlFtpEngine&) = delete;
  CurlFtpEngine& operator=(const CurlFtpEngine&) = delete;

  bool Connect(const std::string& host) override;
  bool IsConnected() const override { return connected_; }
  std::string CurrentDir() override;
  bool ChangeDir(const std::string& path) override;
  bool MakeDir(const std::string& name) override;
  std::optional<std::vector<std::string>> List() override;
  bool PutFile(const std::string& local_path, const std::string& remote_name) override;
  // Staging stores "." + name + ".part" in the current folder; a server that
  // refuses renames has the file stored directly instead (nothing staged).
  bool StageFile(const std::string& local_path, const std::string& remote_name) override;
  bool CommitStaged(const std::string& remote_name) override;
  void DropStaged(const std::string& remote_name) override;
  void Disconnect() override;
  std::string last_error() const override { return last_error_; }
  bool last_error_reached_server() const override;
  bool stores_directly() const override { return direct_; }
  std::optional<UntrustedKey> untrusted_key() const override { return untrusted_; }

  // The absolute remote path of a path as ChangeDir would take it.
  std::string Resolve(const std::string& path) const;

 private:
  struct Request;
  // One operation on the shared handle; false (with last_error_) on failure.
  bool Perform(const Request& request);
  std::string DirUrl(const std::string& absolute) const;
  std::string FileUrl(const std::string& absolute_dir, const std::string& name) const;
  // The folder exists and can be entered.
  bool Probe(const std::string& absolute);
  // One store of the local file as name into dir, with commands run after
  // it (renames); false with last_error_ on failure.
  bool Store(const std::string& local_path, const std::string& dir, const std::string& name,
             std::vector<std::string> after);
  // Commands run in dir on their own (renames and deletes).
  bool Commands(const std::string& dir, std::vector<std::string> commands);
  std::vector<std::string> RenameCommands(const std::string& dir, const std::string& from,
                                          const std::string& to) const;
  std::string DeleteCommand(const std::string& dir, const std::string& name) const;
  // The temporary file in place of name by way of the aside name; false,
  // with everything as it was, when the server will not rename at all.
  bool ReplaceByAside(const std::string& dir, const std::string& temp, const std::string& name);
  // After a rename of temp over name was refused: by way of the aside name,
  // else (a server that renames nothing) stored directly from now on.
  bool RenameRefused(const std::string& local_path, const std::string& dir,
                     const std::string& temp, const std::string& name);
  // The temporary file of a transfer that broke off goes.
  void DropTemp(const std::string& dir, const std::string& temp);

  FtpConnectOptions options_;
  void* curl_ = nullptr;  // CURL*, kept out of this header
  std::string base_url_;  // "ftp://name:port"
  std::string server_host_;
  std::string entry_dir_ = "/";
  std::string cwd_ = "/";
  bool connected_ = false;
  std::string last_error_;
  int last_code_ = 0;  // the CURLcode of last_error_
  std::string last_pwd_reply_;
  std::string last_reply_;  // the server's last refusal (4xx/5xx) in one operation
  bool direct_ = false;
  // Staged files by remote name: the local file and the folder staged in.
  struct Staged {
    std::string local_path;
    std::string dir;
  };
  std::map<std::string, Staged> staged_;
  void* resolve_ = nullptr;  // curl_slist*, alive as long as the handle
  KeyCheck key_check_;
  std::optional<UntrustedKey> untrusted_;
};

std::unique_ptr<FtpEngine> MakeCurlFtpEngine(const FtpConnectOptions& options);

}  // namespace almanix::publish
