#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "publish/ftp_upload.h"
#include "publish/host_trust.h"

namespace almanix {
class TLog;
class UiSeam;
namespace publish {
class PublishSettings;
}
}  // namespace almanix

// The FTP window's work without its widgets: the account form, connecting
// (and trusting a key knowingly), the folder tree, making a folder, the
// upload and "Done", on one favorite's settings.
namespace almanix::desktop {

inline constexpr std::string_view kInvalidHostSuffix =
    " is not a valid host?  Enter address of your web site";

// The account form's fields.
struct FtpAccountForm {
  std::string host;  // without the port
  int port = 0;      // 0: the protocol's own (21 or 22)
  std::string user;
  std::string password;
  std::string protocol = "FTP";  // "FTP", "FTPS", "SFTP"
  bool passive = true;
};

// FTP.Host ("name" or "name:port"), FTP.UserID, FTP.Password, FTP.Protocol,
// FTP.Passive.
FtpAccountForm AccountFromSettings(const publish::PublishSettings& settings);
// The form into the settings: the host cleaned as leaving the host field
// does, the port appended unless it is the protocol's own.
void AccountToSettings(const FtpAccountForm& form, publish::PublishSettings* settings);
// host + kInvalidHostSuffix for an empty host or the placeholder one; empty
// when the host can be tried.
std::string HostProblem(const FtpAccountForm& form);

class FtpSession {
 public:
  // settings (the favorite's), ui and log must outlive the session; ftp_dir
  // is TDir's FtpDir (upload records and trusted keys).
  FtpSession(publish::PublishSettings& settings, UiSeam& ui, TLog* log, std::string ftp_dir);
  ~FtpSession();

  // Tests point the engine at their own servers' certificates and names.
  void set_connect_options(publish::FtpConnectOptions extra) { extra_ = std::move(extra); }

  // "Connect": the form into the settings, then every host variant. On a
  // refused certificate or host key, untrusted() names it.
  Status Connect(const FtpAccountForm& form);
  bool connected() const;
  const std::optional<publish::UntrustedKey>& untrusted() const { return untrusted_; }
  // The question to ask before TrustPresentedKey, or the refusal of a
  // changed key (which cannot be trusted from here).
  std::string UntrustedText() const;
  // Pins the key the server presented; the next Connect accepts it.
  Status TrustPresentedKey();
  // "Forget": removes the host's pinned key.
  Status ForgetKey();

  // The folder tree two levels deep from the start folder.
  publish::FtpFolderNode LoadTree();
  void Select(const publish::FtpFolderNode& node);
  // "Add Folder" (the name asked through the seam) in the current folder.
  std::optional<std::string> AddFolder();
  // "Publish Here": the build folder's files into the working path; the
  // chosen folder is kept for Done.
  publish::FtpUploadResult Upload(const std::string& build_dir);
  // "Done": the chosen folder (or the working path) becomes FTP.Directory;
  // disconnects. Returns the folder stored, if any.
  std::optional<std::string> Done();
  void Cancel();
  // "suggest" beside the FTP folder: connects with the favorite's account,
  // adds the candidate folders of the server's start folder to `offered`
  // (those not there yet), says so and disconnects. False when it could not
  // connect (the connect has said why), or on an empty or placeholder host.
  bool SuggestFolders(std::vector<std::string>* offered);

  const std::string& working_path() const;
  std::vector<std::string> Log() const;
  std::vector<std::string> RawStatus() const;

 private:
  publish::FtpUploadSettings UploadSettings() const;

  publish::PublishSettings& settings_;
  UiSeam& ui_;
  TLog* log_;
  std::string ftp_dir_;
  publish::FtpConnectOptions extra_;
  std::unique_ptr<publish::FtpEngine> engine_;
  std::unique_ptr<publish::FtpUpload> upload_;
  std::optional<publish::UntrustedKey> untrusted_;
  std::optional<std::string> chosen_;
  std::vector<std::string> old_log_;  // of earlier connections in this window
  std::string empty_;
};

}  // namespace almanix::desktop
