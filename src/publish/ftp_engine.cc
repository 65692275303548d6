#include "publish/ftp_engine.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/status.h"
#include "app/text.h"
#include "publish/curl_library.h"
#include "publish/openssl_library.h"

namespace almanix::publish {
namespace {

CURL* H(void* handle) { return static_cast<CURL*>(handle); }

// Keeps a curl_slist for the length of one operation.
class SList {
 public:
  SList() = default;
  explicit SList(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) list_ = Curl().curl_slist_append(list_, line.c_str());
  }
  ~SList() {
    if (list_ != nullptr) Curl().curl_slist_free_all(list_);
  }
  SList(const SList&) = delete;
  SList& operator=(const SList&) = delete;
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

size_t CollectText(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

size_t DiscardText(char*, size_t size, size_t count, void*) { return size * count; }

struct Callbacks {
  CurlFtpEngine* engine = nullptr;
  std::function<void(const std::string&)>* on_status = nullptr;
  std::function<void(long long)>* on_progress = nullptr;
  std::string* pwd_reply = nullptr;
  std::string* refusal = nullptr;
  std::function<bool()>* should_abort = nullptr;
};

// Server replies: the last 257 reply is the answer to PWD; the last 4xx or
// 5xx reply is the server's own word on a failure.
size_t HeaderLine(char* data, size_t size, size_t count, void* user) {
  auto* cb = static_cast<Callbacks*>(user);
  std::string line = Trim(std::string_view(data, size * count));
  if (line.rfind("257", 0) == 0 && cb->pwd_reply) *cb->pwd_reply = line;
  if (line.size() >= 3 && (line[0] == '4' || line[0] == '5') && isdigit(line[1]) &&
      isdigit(line[2]) && cb->refusal) {
    *cb->refusal = line;
  }
  return size * count;
}

int DebugText(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* cb = static_cast<Callbacks*>(user);
  if (!cb->on_status || !*cb->on_status) return 0;
  if (type != CURLINFO_TEXT && type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT) {
    return 0;
  }
  std::string text = TrimRight(std::string_view(data, size));
  if (type == CURLINFO_HEADER_OUT && text.rfind("PASS ", 0) == 0) text = "PASS ****";
  (*cb->on_status)(text);
  return 0;
}

int TransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
  auto* cb = static_cast<Callbacks*>(user);
  if (cb->on_progress && *cb->on_progress) (*cb->on_progress)(static_cast<long long>(sent));
  if (cb->should_abort && *cb->should_abort && (*cb->should_abort)()) return 1;
  return 0;
}

// FTPS: a certificate the system's CA store vouches for passes, unless the
// host has a pinned one, which then must be exactly that certificate.
int VerifyCertificate(X509_STORE_CTX* store, void* arg) {
  auto* check = static_cast<KeyCheck*>(arg);
  X509* leaf = OpenSsl().X509_STORE_CTX_get0_cert(store);
  std::string fingerprint;
  if (leaf != nullptr) {
    unsigned char* der = nullptr;
    int n = OpenSsl().i2d_X509(leaf, &der);
    if (n > 0) {
      fingerprint = Sha256Fingerprint(
          std::string_view(reinterpret_cast<const char*>(der), static_cast<size_t>(n)));
    }
    OpenSsl().CRYPTO_free(der, OPENSSL_FILE, OPENSSL_LINE);
  }
  if (check->pinned) {
    if (!fingerprint.empty() && fingerprint == *check->pinned) {
      OpenSsl().X509_STORE_CTX_set_error(store, X509_V_OK);
      return 1;
    }
    check->refused = UntrustedKey{check->host, fingerprint, *check->pinned};
    OpenSsl().X509_STORE_CTX_set_error(store, X509_V_ERR_CERT_REJECTED);
    return 0;
  }
  if (OpenSsl().X509_verify_cert(store) == 1) return 1;
  check->refused = UntrustedKey{check->host, fingerprint, ""};
  return 0;
}

CURLcode SetUpTls(CURL*, void* ssl_ctx, void* arg) {
  if (!LoadOpenSsl().ok()) return CURLE_SSL_CERTPROBLEM;
  OpenSsl().SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(ssl_ctx), VerifyCertificate,
                                             arg);
  return CURLE_OK;
}

// SFTP: the same rule for host keys, the known hosts file standing in for
// the CA store.
int CheckHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match,
                 void* arg) {
  auto* check = static_cast<KeyCheck*>(arg);
  std::string fingerprint;
  if (found != nullptr && found->key != nullptr) {
    // libssh2 hands the raw key blob (len > 0); a zero length means base64.
    if (found->len > 0) {
      fingerprint = Sha256Fingerprint(std::string_view(found->key, found->len));
    }
  }
  if (check->pinned) {
    if (!fingerprint.empty() && fingerprint == *check->pinned) return CURLKHSTAT_FINE;
    check->refused = UntrustedKey{check->host, fingerprint, *check->pinned};
    return CURLKHSTAT_REJECT;
  }
  if (match == CURLKHMATCH_OK) return CURLKHSTAT_FINE;
  check->refused = UntrustedKey{check->host, fingerprint, ""};
  return CURLKHSTAT_REJECT;
}

// '257 "/a/b" is the current directory.' gives /a/b, with "" for ".
std::string PathOfPwdReply(const std::string& reply) {
  size_t open = reply.find('"');
  if (open == std::string::npos) return "";
  std::string path;
  for (size_t i = open + 1; i < reply.size(); ++i) {
    if (reply[i] == '"') {
      if (i + 1 < reply.size() && reply[i + 1] == '"') {
        path += '"';
        ++i;
        continue;
      }
      break;
    }
    path += reply[i];
  }
  return path;
}

std::string Escaped(CURL* curl, const std::string& segment) {
  char* out = Curl().curl_easy_escape(curl, segment.c_str(), static_cast<int>(segment.size()));
  std::string result = out ? out : segment;
  Curl().curl_free(out);
  return result;
}

std::string WithPort(const std::string& host, int port, int default_port) {
  return host + ":" + std::to_string(port > 0 ? port : default_port);
}

}  // namespace

FtpProtocol ParseFtpProtocol(std::string_view text) {
  std::string t = ToUpper(Trim(text));
  if (t == "FTPS") return FtpProtocol::kFtps;
  if (t == "SFTP") return FtpProtocol::kSftp;
  return FtpProtocol::kFtp;
}

FtpProxyType ParseFtpProxyType(std::string_view text) {
  static const std::pair<std::string_view, FtpProxyType> kTypes[] = {
      {"User Site", FtpProxyType::kUserSite},
      {"Site", FtpProxyType::kSite},
      {"Open", FtpProxyType::kOpen},
      {"User Pass", FtpProxyType::kUserPass},
      {"Transparent", FtpProxyType::kTransparent},
      {"Http Proxy With Ftp", FtpProxyType::kHttpProxyWithFtp}};
  for (const auto& [name, type] : kTypes) {
    if (EqualsIgnoreCase(Trim(text), name)) return type;
  }
  return FtpProxyType::kNone;
}

std::string UploadTempName(const std::string& remote_name) {
  return "." + remote_name + ".part";
}

std::string UploadAsideName(const std::string& remote_name) {
  return "." + remote_name + ".old";
}

struct CurlFtpEngine::Request {
  std::string url;
  bool nobody = false;
  bool upload = false;
  bool create_dir = false;
  bool fresh = false;
  bool list_only = false;
  FILE* source = nullptr;
  curl_off_t source_size = 0;
  std::string* text = nullptr;  // download collected here
  std::vector<std::string> quote;
  std::vector<std::string> postquote;
};

CurlFtpEngine::CurlFtpEngine(FtpConnectOptions options) : options_(std::move(options)) {}

CurlFtpEngine::~CurlFtpEngine() {
  if (curl_) Curl().curl_easy_cleanup(H(curl_));
  if (resolve_) Curl().curl_slist_free_all(static_cast<curl_slist*>(resolve_));
}

std::string CollapseRemotePath(std::string_view path) {
  std::vector<std::string> parts;
  for (const std::string& piece : Split(path, '/')) {
    if (piece.empty() || piece == ".") continue;
    if (piece == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(piece);
  }
  std::string out;
  for (const std::string& piece : parts) out += "/" + piece;
  return out.empty() ? "/" : out;
}

std::string CurlFtpEngine::Resolve(const std::string& path) const {
  std::string p = ReplaceAll(path, "\\", "/");
  std::string start;
  if (p == "~" || p.rfind("~/", 0) == 0) {
    start = entry_dir_;
    p = p.substr(1);
  } else if (p.rfind("/", 0) != 0) {
    start = cwd_;
  }
  return CollapseRemotePath(start + "/" + p);
}

std::string CurlFtpEngine::DirUrl(const std::string& absolute) const {
  std::string url = base_url_ + (options_.protocol == FtpProtocol::kSftp ? "" : "/%2F");
  bool first = true;
  for (const std::string& piece : Split(absolute, '/')) {
    if (piece.empty()) continue;
    if (!first || options_.protocol == FtpProtocol::kSftp) url += "/";
    url += Escaped(H(curl_), piece);
    first = false;
  }
  return url + "/";
}

std::string CurlFtpEngine::FileUrl(const std::string& absolute_dir,
                                   const std::string& name) const {
  return DirUrl(absolute_dir) + Escaped(H(curl_), name);
}

bool CurlFtpEngine::Perform(const Request& r) {
  CURL* c = H(curl_);
  char error[CURL_ERROR_SIZE] = {0};
  // Only a transfer is broken off: the tidying after a cancel must run.
  Callbacks cb{this,          &on_status,   &on_progress, &last_pwd_reply_,
               &last_reply_,  r.upload ? &should_abort : nullptr};
  last_reply_.clear();
  SList quote(r.quote), postquote(r.postquote);
  Curl().curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  Curl().curl_easy_setopt(c, CURLOPT_URL, r.url.c_str());
  Curl().curl_easy_setopt(c, CURLOPT_NOBODY, r.nobody ? 1L : 0L);
  Curl().curl_easy_setopt(c, CURLOPT_UPLOAD, r.upload ? 1L : 0L);
  Curl().curl_easy_setopt(c, CURLOPT_DIRLISTONLY, r.list_only ? 1L : 0L);
  Curl().curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, r.fresh ? 1L : 0L);
  Curl().curl_easy_setopt(c, CURLOPT_FTP_CREATE_MISSING_DIRS,
                          r.create_dir ? static_cast<long>(CURLFTP_CREATE_DIR) : 0L);
  Curl().curl_easy_setopt(c, CURLOPT_QUOTE, quote.get());
  Curl().curl_easy_setopt(c, CURLOPT_POSTQUOTE, postquote.get());
  Curl().curl_easy_setopt(c, CURLOPT_READDATA, r.source);
  Curl().curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, r.upload ? r.source_size : curl_off_t{-1});
  if (r.text) {
    Curl().curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CollectText);
    Curl().curl_easy_setopt(c, CURLOPT_WRITEDATA, r.text);
  } else {
    Curl().curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, DiscardText);
    Curl().curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
  }
  Curl().curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, HeaderLine);
  Curl().curl_easy_setopt(c, CURLOPT_HEADERDATA, &cb);
  Curl().curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, DebugText);
  Curl().curl_easy_setopt(c, CURLOPT_DEBUGDATA, &cb);
  Curl().curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, TransferInfo);
  Curl().curl_easy_setopt(c, CURLOPT_XFERINFODATA, &cb);
  CURLcode rc = Curl().curl_easy_perform(c);
  // The lists die with this call; the handle must not point at them.
  Curl().curl_easy_setopt(c, CURLOPT_QUOTE, nullptr);
  Curl().curl_easy_setopt(c, CURLOPT_POSTQUOTE, nullptr);
  Curl().curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
  Curl().curl_easy_setopt(c, CURLOPT_HEADERDATA, nullptr);
  Curl().curl_easy_setopt(c, CURLOPT_DEBUGDATA, nullptr);
  Curl().curl_easy_setopt(c, CURLOPT_XFERINFODATA, nullptr);
  if (rc == CURLE_OK) return true;
  last_error_ =
      TrimRight(error[0] ? std::string(error) : std::string(Curl().curl_easy_strerror(rc)));
  // libcurl names the reply code at most; the server's text says why.
  if (!last_reply_.empty() && last_error_.find(last_reply_) == std::string::npos) {
    last_error_ += " (the server said: " + last_reply_ + ")";
  }
  last_code_ = static_cast<int>(rc);
  return false;
}

bool CurlFtpEngine::Connect(const std::string& host) {
  Disconnect();
  if (Status loaded = LoadCurl(); !loaded.ok()) {
    last_error_ = loaded.message();
    return false;
  }
  curl_ = Curl().curl_easy_init();
  if (!curl_) {
    last_error_ = "the FTP library could not start";
    return false;
  }
  CURL* c = H(curl_);
  server_host_ = host;
  const FtpProxy& proxy = options_.proxy;
  const bool ftp_proxy = proxy.type != FtpProxyType::kNone &&
                         proxy.type != FtpProxyType::kHttpProxyWithFtp;
  std::string connect_to = ftp_proxy ? WithPort(proxy.host, proxy.port, 21) : host;
  const char* scheme = options_.protocol == FtpProtocol::kSftp ? "sftp://" : "ftp://";
  base_url_ = scheme + connect_to;

  std::string user = options_.user, password = options_.password;
  std::vector<std::string> login_after;
  switch (proxy.type) {
    case FtpProxyType::kUserSite:
      user = options_.user + "@" + host;
      break;
    case FtpProxyType::kUserPass:
      if (proxy.user.empty()) {
        user = options_.user + "@" + host;
      } else {
        user = options_.user + "@" + proxy.user + "@" + host;
        password = options_.password + "@" + proxy.password;
      }
      break;
    case FtpProxyType::kSite:
    case FtpProxyType::kOpen:
      user = proxy.user;
      password = proxy.password;
      login_after = {(proxy.type == FtpProxyType::kSite ? "SITE " : "OPEN ") + host,
                     "USER " + options_.user, "PASS " + options_.password};
      break;
    default:
      break;
  }
  Curl().curl_easy_setopt(c, CURLOPT_USERNAME, user.c_str());
  Curl().curl_easy_setopt(c, CURLOPT_PASSWORD, password.c_str());
  Curl().curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // feeds the raw status texts
  Curl().curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  Curl().curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  Curl().curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);  // binary
  Curl().curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, options_.connect_timeout_seconds);
  Curl().curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, options_.response_timeout_seconds);
  Curl().curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, options_.connect_timeout_seconds * 1000);
  Curl().curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, options_.stall_bytes_per_second);
  Curl().curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, options_.stall_seconds);
  Curl().curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
  if (!resolve_) {
    curl_slist* list = nullptr;
    for (const std::string& entry : options_.resolve) {
      list = Curl().curl_slist_append(list, entry.c_str());
    }
    resolve_ = list;
  }
  Curl().curl_easy_setopt(c, CURLOPT_RESOLVE, static_cast<curl_slist*>(resolve_));
  bool passive = options_.passive;
  if (proxy.type == FtpProxyType::kHttpProxyWithFtp) {
    std::string proxy_url = "http://" + WithPort(proxy.host, proxy.port, 8080);
    Curl().curl_easy_setopt(c, CURLOPT_PROXY, proxy_url.c_str());
    Curl().curl_easy_setopt(c, CURLOPT_HTTPPROXYTUNNEL, 1L);
    if (!proxy.user.empty()) {
      Curl().curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
      Curl().curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
    }
    passive = true;  // a tunnel cannot take the server's calls back
  } else {
    Curl().curl_easy_setopt(c, CURLOPT_PROXY, "");  // not the environment's
  }
  if (!passive) Curl().curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
  if (options_.protocol == FtpProtocol::kFtps) {
    Curl().curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    Curl().curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    // Debian 12's libcurl loses the tail of uploads over TLS 1.3 data
    // connections and still reports success.
    Curl().curl_easy_setopt(c, CURLOPT_SSLVERSION,
                            static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                                static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
  }
  if (!options_.ca_file.empty()) {
    Curl().curl_easy_setopt(c, CURLOPT_CAINFO, options_.ca_file.c_str());
  }
  key_check_ = KeyCheck{};
  key_check_.host = host.find(':') == std::string::npos
                        ? host + (options_.protocol == FtpProtocol::kSftp ? ":22" : ":21")
                        : host;
  if (!options_.trust_file.empty() && options_.protocol != FtpProtocol::kFtp) {
    key_check_.pinned = HostTrustStore(options_.trust_file).Find(options_.protocol,
                                                                 key_check_.host);
  }
  if (options_.protocol == FtpProtocol::kFtps) {
    Curl().curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, SetUpTls);
    Curl().curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, &key_check_);
    // A pinned certificate names the server by itself, whatever name it
    // was issued for.
    if (key_check_.pinned) Curl().curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  if (options_.protocol == FtpProtocol::kSftp) {
    Curl().curl_easy_setopt(c, CURLOPT_SSH_KEYFUNCTION, CheckHostKey);
    Curl().curl_easy_setopt(c, CURLOPT_SSH_KEYDATA, &key_check_);
    std::string known = options_.ssh_known_hosts;
    if (known.empty()) {
      known = std::string(getenv("HOME") ? getenv("HOME") : "") + "/.ssh/known_hosts";
    }
    // libcurl copies option strings, so the locals may go.
    Curl().curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, known.c_str());
    long auth = CURLSSH_AUTH_PASSWORD;
    if (!options_.ssh_private_key.empty()) {
      auth |= CURLSSH_AUTH_PUBLICKEY;
      Curl().curl_easy_setopt(c, CURLOPT_SSH_PRIVATE_KEYFILE, options_.ssh_private_key.c_str());
      if (!options_.ssh_public_key.empty()) {
        Curl().curl_easy_setopt(c, CURLOPT_SSH_PUBLIC_KEYFILE, options_.ssh_public_key.c_str());
      }
    }
    Curl().curl_easy_setopt(c, CURLOPT_SSH_AUTH_TYPES, auth);
  }

  Request r;
  r.url = base_url_ + "/";
  r.nobody = true;
  r.fresh = true;
  r.quote = login_after;
  if (options_.protocol != FtpProtocol::kSftp) r.quote.push_back("PWD");
  last_pwd_reply_.clear();
  if (!Perform(r)) {
    if (key_check_.refused) {
      untrusted_ = key_check_.refused;
      last_error_ = untrusted_->changed()
                        ? std::string(kChangedKeyMessage)
                        : "the server's " +
                              std::string(options_.protocol == FtpProtocol::kSftp
                                              ? "host key"
                                              : "certificate") +
                              " is not trusted (" + untrusted_->fingerprint + ")";
    }
    return false;
  }
  untrusted_.reset();
  std::string entry = PathOfPwdReply(last_pwd_reply_);
  if (entry.empty()) {
    char* path = nullptr;
    if (Curl().curl_easy_getinfo(c, CURLINFO_FTP_ENTRY_PATH, &path) == CURLE_OK && path) {
      entry = path;
    }
  }
  cwd_ = "/";
  entry_dir_ = "/";
  entry_dir_ = Resolve(entry.empty() ? "/" : entry);
  cwd_ = entry_dir_;
  connected_ = true;
  direct_ = false;
  staged_.clear();
  return true;
}

bool CurlFtpEngine::last_error_reached_server() const {
  switch (static_cast<CURLcode>(last_code_)) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
      return false;
    default:
      return true;
  }
}

std::string CurlFtpEngine::CurrentDir() { return connected_ ? cwd_ : "-1"; }

bool CurlFtpEngine::Probe(const std::string& absolute) {
  Request r;
  r.url = DirUrl(absolute);
  if (options_.protocol == FtpProtocol::kSftp) {
    // SFTP has no CWD: a listing proves the folder is there.
    std::string ignored;
    r.text = &ignored;
    r.list_only = true;
  } else {
    r.nobody = true;
  }
  return Perform(r);
}

bool CurlFtpEngine::ChangeDir(const std::string& path) {
  if (!connected_) {
    last_error_ = "not connected";
    return false;
  }
  std::string target = Resolve(path);
  if (!Probe(target)) return false;
  cwd_ = target;
  return true;
}

bool CurlFtpEngine::MakeDir(const std::string& name) {
  if (!connected_) {
    last_error_ = "not connected";
    return false;
  }
  std::string target = Resolve(name);
  if (options_.protocol == FtpProtocol::kSftp) {
    Request r;
    r.url = base_url_ + "/";
    r.nobody = true;
    r.quote = {"mkdir \"" + target + "\""};
    return Perform(r);
  }
  // A folder URL with creation on: libcurl tries CWD, then MKD and CWD.
  Request r;
  r.url = DirUrl(target);
  r.nobody = true;
  r.create_dir = true;
  return Perform(r);
}

std::optional<std::vector<std::string>> CurlFtpEngine::List() {
  if (!connected_) {
    last_error_ = "not connected";
    return std::nullopt;
  }
  std::string text;
  Request r;
  r.url = DirUrl(cwd_);
  r.text = &text;
  if (!Perform(r)) return std::nullopt;
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(text)) {
    if (!Trim(line).empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> CurlFtpEngine::RenameCommands(const std::string& dir,
                                                       const std::string& from,
                                                       const std::string& to) const {
  if (options_.protocol == FtpProtocol::kSftp) {
    const std::string d = dir == "/" ? "/" : dir + "/";
    return {"rename \"" + d + from + "\" \"" + d + to + "\""};
  }
  return {"RNFR " + from, "RNTO " + to};
}

std::string CurlFtpEngine::DeleteCommand(const std::string& dir, const std::string& name) const {
  if (options_.protocol == FtpProtocol::kSftp) {
    return "rm \"" + std::string(dir == "/" ? "/" : dir + "/") + name + "\"";
  }
  return "DELE " + name;
}

bool CurlFtpEngine::Commands(const std::string& dir, std::vector<std::string> commands) {
  Request r;
  r.url = DirUrl(dir);
  std::string ignored;
  if (options_.protocol == FtpProtocol::kSftp) {
    // SFTP has no request without a transfer: a short listing carries them.
    r.text = &ignored;
    r.list_only = true;
  } else {
    r.nobody = true;
  }
  // After the transfer, so that FTP's relative names are taken in dir.
  r.postquote = std::move(commands);
  return Perform(r);
}

bool CurlFtpEngine::Store(const std::string& local_path, const std::string& dir,
                          const std::string& name, std::vector<std::string> after) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(local_path, ec);
  if (ec) {
    last_error_ = "cannot read " + local_path + ": " + ec.message();
    last_code_ = 0;
    return false;
  }
  FILE* source = std::fopen(local_path.c_str(), "rb");
  if (!source) {
    last_error_ = "cannot open " + local_path;
    last_code_ = 0;
    return false;
  }
  Request r;
  r.url = FileUrl(dir, name);
  r.upload = true;
  r.source = source;
  r.source_size = static_cast<curl_off_t>(size);
  r.postquote = std::move(after);
  bool ok = Perform(r);
  std::fclose(source);
  curl_off_t sent = 0;
  Curl().curl_easy_getinfo(H(curl_), CURLINFO_SIZE_UPLOAD_T, &sent);
  if (ok && sent != static_cast<curl_off_t>(size)) {
    last_error_ = "only " + std::to_string(sent) + " of " + std::to_string(size) + " bytes of " +
                  name + " were sent";
    last_code_ = CURLE_PARTIAL_FILE;
    ok = false;
  }
  return ok;
}

bool CurlFtpEngine::ReplaceByAside(const std::string& dir, const std::string& temp,
                                   const std::string& name) {
  const std::string aside = UploadAsideName(name);
  if (!Commands(dir, RenameCommands(dir, name, aside))) return false;
  if (Commands(dir, RenameCommands(dir, temp, name))) {
    // A folder moved aside cannot be deleted as a file: it goes back, and
    // the new file gives way.
    if (Commands(dir, {DeleteCommand(dir, aside)})) return true;
    std::vector<std::string> undo = RenameCommands(dir, name, temp);
    for (const std::string& c : RenameCommands(dir, aside, name)) undo.push_back(c);
    IgnoreResult(Commands(dir, undo), "the failure being reported is the rename's");
    return false;
  }
  IgnoreResult(Commands(dir, RenameCommands(dir, aside, name)),
               "putting the old file back is all that is left to try");
  return false;
}

bool CurlFtpEngine::RenameRefused(const std::string& local_path, const std::string& dir,
                                  const std::string& temp, const std::string& name) {
  const std::string error = last_error_;
  const int code = last_code_;
  // The file arrived whole but the rename was refused: a server that will
  // not rename over an existing file, or an account without the right.
  if (ReplaceByAside(dir, temp, name)) return true;
  const bool folder_in_the_way = Probe(CollapseRemotePath(dir + "/" + name));
  IgnoreResult(Commands(dir, {"*" + DeleteCommand(dir, temp)}),
               "a leftover temporary file is tidied on the next upload");
  if (folder_in_the_way) {
    last_error_ = error;
    last_code_ = code;
    return false;
  }
  direct_ = true;
  return Store(local_path, dir, name, {});
}

void CurlFtpEngine::DropTemp(const std::string& dir, const std::string& temp) {
  const std::string error = last_error_;
  const int code = last_code_;
  // Whatever of the temporary file arrived goes; libcurl logs in again when
  // the connection was lost. Not where no server was reached at all.
  if (code != CURLE_COULDNT_CONNECT && code != CURLE_COULDNT_RESOLVE_HOST &&
      code != CURLE_COULDNT_RESOLVE_PROXY) {
    IgnoreResult(Commands(dir, {"*" + DeleteCommand(dir, temp)}),
                 "a leftover temporary file is tidied on the next upload");
  }
  last_error_ = error;
  last_code_ = code;
}

bool CurlFtpEngine::PutFile(const std::string& local_path, const std::string& remote_name) {
  if (!connected_) {
    last_error_ = "not connected";
    return false;
  }
  const std::string dir = cwd_;
  if (direct_) return Store(local_path, dir, remote_name, {});
  const std::string temp = UploadTempName(remote_name);
  if (Store(local_path, dir, temp, RenameCommands(dir, temp, remote_name))) return true;
  if (last_code_ == CURLE_QUOTE_ERROR) return RenameRefused(local_path, dir, temp, remote_name);
  DropTemp(dir, temp);
  return false;
}

bool CurlFtpEngine::StageFile(const std::string& local_path, const std::string& remote_name) {
  if (!connected_) {
    last_error_ = "not connected";
    return false;
  }
  const std::string dir = cwd_;
  if (direct_) return Store(local_path, dir, remote_name, {});
  const std::string temp = UploadTempName(remote_name);
  if (Store(local_path, dir, temp, {})) {
    staged_[remote_name] = Staged{local_path, dir};
    return true;
  }
  DropTemp(dir, temp);
  return false;
}

bool CurlFtpEngine::CommitStaged(const std::string& remote_name) {
  auto it = staged_.find(remote_name);
  if (it == staged_.end()) return true;  // stored directly
  const Staged staged = it->second;
  staged_.erase(it);
  const std::string temp = UploadTempName(remote_name);
  if (Commands(staged.dir, RenameCommands(staged.dir, temp, remote_name))) return true;
  if (last_code_ == CURLE_QUOTE_ERROR) {
    return RenameRefused(staged.local_path, staged.dir, temp, remote_name);
  }
  DropTemp(staged.dir, temp);
  return false;
}

void CurlFtpEngine::DropStaged(const std::string& remote_name) {
  auto it = staged_.find(remote_name);
  if (it == staged_.end()) return;
  const Staged staged = it->second;
  staged_.erase(it);
  IgnoreResult(Commands(staged.dir, {"*" + DeleteCommand(staged.dir, UploadTempName(remote_name))}),
               "a leftover temporary file is tidied on the next upload");
}

void CurlFtpEngine::Disconnect() {
  if (curl_) {
    // Cleaning the handle up sends QUIT on the open connection.
    Curl().curl_easy_cleanup(H(curl_));
    curl_ = nullptr;
  }
  connected_ = false;
}

std::unique_ptr<FtpEngine> MakeCurlFtpEngine(const FtpConnectOptions& options) {
  return std::make_unique<CurlFtpEngine>(options);
}

}  // namespace almanix::publish
