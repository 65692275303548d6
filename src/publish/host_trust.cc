#include "publish/host_trust.h"

#include <filesystem>
#include <vector>

#include "app/file_util.h"
#include "app/text.h"
#include "publish/ftp_engine.h"
#include "publish/openssl_library.h"

namespace almanix::publish {
namespace {

std::string ProtocolWord(FtpProtocol protocol) {
  return protocol == FtpProtocol::kSftp ? "sftp" : "ftps";
}

struct Line {
  std::string protocol, host, fingerprint;
};

std::vector<Line> ReadLines(const std::string& file) {
  std::vector<Line> lines;
  Result<std::string> bytes = ReadFileBytes(file);
  if (!bytes.ok()) return lines;
  for (const std::string& text : SplitLines(bytes.value())) {
    std::vector<std::string> parts = Split(text, '\t');
    if (parts.size() != 3 || parts[2].empty()) continue;  // damaged lines are dropped
    lines.push_back({parts[0], ToLower(parts[1]), parts[2]});
  }
  return lines;
}

Status WriteLines(const std::string& file, const std::vector<Line>& lines) {
  std::string text;
  for (const Line& l : lines) text += l.protocol + "\t" + l.host + "\t" + l.fingerprint + "\n";
  const std::string folder = std::filesystem::path(file).parent_path().string();
  if (!folder.empty()) {
    if (Status s = EnsurePrivateDir(folder); !s.ok()) return s;
  }
  return WritePrivateFileAtomically(file, text);
}

}  // namespace

std::string Sha256Fingerprint(std::string_view bytes) {
  // Only asked while libcurl, which has loaded OpenSSL, checks a key; an
  // empty fingerprint matches no pinned one.
  if (!LoadOpenSsl().ok()) return "";
  unsigned char digest[SHA256_DIGEST_LENGTH];
  OpenSsl().SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  unsigned char b64[64];
  int n = OpenSsl().EVP_EncodeBlock(b64, digest, SHA256_DIGEST_LENGTH);
  std::string text(reinterpret_cast<char*>(b64), static_cast<size_t>(n));
  while (!text.empty() && text.back() == '=') text.pop_back();
  return "SHA256:" + text;
}

std::string TrustQuestion(FtpProtocol protocol, const UntrustedKey& key) {
  const std::string what =
      protocol == FtpProtocol::kSftp ? "SSH host key" : "certificate";
  return "The " + what + " of " + key.host +
         " is not known to this computer, so nobody vouches that you are talking to your "
         "server.\nFingerprint: " + key.fingerprint +
         "\nCompare it with the one your provider gives. Trust this " + what +
         " for " + key.host + " from now on?";
}

std::string UntrustedText(FtpProtocol protocol, const UntrustedKey& key) {
  if (key.changed()) {
    return std::string(kChangedKeyMessage) + "\nTrusted: " + key.pinned +
           "\nNow presented: " + key.fingerprint;
  }
  const std::string what = protocol == FtpProtocol::kSftp ? "SSH host key" : "certificate";
  return "The " + what + " of " + key.host + " is not trusted.\nFingerprint: " + key.fingerprint;
}

std::optional<std::string> HostTrustStore::Find(FtpProtocol protocol,
                                                std::string_view host) const {
  const std::string word = ProtocolWord(protocol);
  const std::string name = ToLower(host);
  for (const Line& l : ReadLines(file_)) {
    if (l.protocol == word && l.host == name) return l.fingerprint;
  }
  return std::nullopt;
}

Status HostTrustStore::Trust(FtpProtocol protocol, std::string_view host,
                             std::string_view fingerprint) {
  if (host.empty() || fingerprint.empty() || fingerprint.find_first_of("\t\r\n") !=
                                                 std::string_view::npos) {
    return Status::Invalid("not a host and fingerprint that can be trusted");
  }
  const std::string word = ProtocolWord(protocol);
  const std::string name = ToLower(host);
  std::vector<Line> kept;
  for (Line& l : ReadLines(file_)) {
    if (!(l.protocol == word && l.host == name)) kept.push_back(std::move(l));
  }
  kept.push_back({word, name, std::string(fingerprint)});
  return WriteLines(file_, kept);
}

Status HostTrustStore::Forget(FtpProtocol protocol, std::string_view host) {
  const std::string word = ProtocolWord(protocol);
  const std::string name = ToLower(host);
  std::vector<Line> lines = ReadLines(file_);
  std::vector<Line> kept;
  for (Line& l : lines) {
    if (!(l.protocol == word && l.host == name)) kept.push_back(std::move(l));
  }
  if (kept.size() == lines.size()) return Status::Ok();
  return WriteLines(file_, kept);
}

std::string TrustStoreFile(const std::string& ftp_dir) {
  return WithTrailingSlash(ftp_dir) + "trusted-hosts.txt";
}

}  // namespace almanix::publish
