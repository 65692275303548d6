#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/status.h"

// The servers a person chose to trust although their certificate (FTPS) or
// SSH host key (SFTP) could not be vouched for by the system: one pinned
// fingerprint per protocol and host, so a later connection accepts exactly
// that key and a changed one is refused.
namespace almanix::publish {

enum class FtpProtocol;

// "SHA256:" + the unpadded base64 of the SHA-256 of bytes (a certificate's
// DER form or an SSH key blob), as OpenSSH shows fingerprints.
std::string Sha256Fingerprint(std::string_view bytes);

// A key the engine met and did not accept.
struct UntrustedKey {
  std::string host;               // "name:port", as connected to
  std::string fingerprint;        // what the server presented
  std::string pinned;             // what was trusted before; empty when new
  bool changed() const { return !pinned.empty(); }
};

inline constexpr std::string_view kChangedKeyMessage =
    "The server's key has changed since you trusted it. This can mean that someone is "
    "pretending to be your server: the connection was refused. If the server's owner "
    "confirms the new key, remove the old one with \"Forget\" and connect again.";

// The question the FTP window asks before trusting a key.
std::string TrustQuestion(FtpProtocol protocol, const UntrustedKey& key);
// What the window shows for a refused key: kChangedKeyMessage with both
// fingerprints, or that the key is unknown.
std::string UntrustedText(FtpProtocol protocol, const UntrustedKey& key);

// A file of lines "protocol TAB host:port TAB fingerprint" (protocol "ftps"
// or "sftp", host in lower case), written 0600. Every call reads the file
// anew, so two windows never work from a stale copy.
class HostTrustStore {
 public:
  explicit HostTrustStore(std::string file) : file_(std::move(file)) {}

  // The pinned fingerprint of the host ("name:port", any letter case).
  std::optional<std::string> Find(FtpProtocol protocol, std::string_view host) const;
  // Pins the fingerprint, replacing an older one of the same host.
  Status Trust(FtpProtocol protocol, std::string_view host, std::string_view fingerprint);
  // Removes the host's pin; Ok when there was none.
  Status Forget(FtpProtocol protocol, std::string_view host);

  const std::string& file() const { return file_; }

 private:
  std::string file_;
};

// The store's file in the per-user FTP folder (TDir's FtpDir).
std::string TrustStoreFile(const std::string& ftp_dir);

}  // namespace almanix::publish
