#include "desktop/ftp_session.h"

#include <cstdlib>
#include <utility>

#include "app/text.h"
#include "app/ui_seam.h"
#include "publish/calendar_url.h"
#include "settings/publish_settings.h"

namespace almanix::desktop {
namespace {

int DefaultPort(std::string_view protocol) {
  return publish::ParseFtpProtocol(protocol) == publish::FtpProtocol::kSftp ? 22 : 21;
}

}  // namespace

FtpAccountForm AccountFromSettings(const publish::PublishSettings& settings) {
  FtpAccountForm form;
  form.host = Trim(settings.Text("FTP.Host"));
  // Only a trailing ":digits" is a port; anything else stays in the host.
  if (size_t colon = form.host.rfind(':'); colon != std::string::npos &&
                                           colon + 1 < form.host.size() &&
                                           form.host.find_first_not_of("0123456789", colon + 1) ==
                                               std::string::npos) {
    form.port = std::atoi(form.host.c_str() + colon + 1);
    form.host.erase(colon);
  }
  form.user = settings.Text("FTP.UserID");
  form.password = settings.Text("FTP.Password");
  const std::string protocol = settings.Text("FTP.Protocol");
  switch (publish::ParseFtpProtocol(protocol)) {
    case publish::FtpProtocol::kFtps:
      form.protocol = "FTPS";
      break;
    case publish::FtpProtocol::kSftp:
      form.protocol = "SFTP";
      break;
    default:
      form.protocol = "FTP";
  }
  form.passive = settings.Bool("FTP.Passive");
  return form;
}

void AccountToSettings(const FtpAccountForm& form, publish::PublishSettings* settings) {
  std::string host = Trim(form.host);
  if (form.port > 0 && form.port != DefaultPort(form.protocol) && !host.empty()) {
    host += ":" + std::to_string(form.port);
  }
  settings->SetText("FTP.Host", host);
  publish::LeaveFtpHost(*settings);
  settings->SetText("FTP.UserID", Trim(form.user));
  settings->SetText("FTP.Password", form.password);
  settings->SetText("FTP.Protocol", form.protocol);
  settings->SetBool("FTP.Passive", form.passive);
}

std::string HostProblem(const FtpAccountForm& form) {
  const std::string host = Trim(form.host);
  if (host.empty() || host == publish::kDefaultFtpHost) {
    return host + std::string(kInvalidHostSuffix);
  }
  return "";
}

FtpSession::FtpSession(publish::PublishSettings& settings, UiSeam& ui, TLog* log,
                       std::string ftp_dir)
    : settings_(settings), ui_(ui), log_(log), ftp_dir_(std::move(ftp_dir)) {}

FtpSession::~FtpSession() {
  // The upload holds the engine; it goes first.
  upload_.reset();
  if (engine_) engine_->Disconnect();
}

publish::FtpUploadSettings FtpSession::UploadSettings() const {
  publish::FtpUploadSettings s = publish::FtpUploadSettingsFrom(settings_);
  publish::FtpConnectOptions& c = s.connection;
  if (!ftp_dir_.empty()) c.trust_file = publish::TrustStoreFile(ftp_dir_);
  if (!extra_.ca_file.empty()) c.ca_file = extra_.ca_file;
  if (!extra_.resolve.empty()) c.resolve = extra_.resolve;
  if (!extra_.ssh_known_hosts.empty()) c.ssh_known_hosts = extra_.ssh_known_hosts;
  if (!extra_.ssh_private_key.empty()) c.ssh_private_key = extra_.ssh_private_key;
  if (!extra_.ssh_public_key.empty()) c.ssh_public_key = extra_.ssh_public_key;
  if (!extra_.trust_file.empty()) c.trust_file = extra_.trust_file;
  c.connect_timeout_seconds = extra_.connect_timeout_seconds;
  c.response_timeout_seconds = extra_.response_timeout_seconds;
  return s;
}

Status FtpSession::Connect(const FtpAccountForm& form) {
  if (std::string problem = HostProblem(form); !problem.empty()) {
    ui_.ShowMessage(problem, MessageKind::kError);
    return Status::Invalid(problem);
  }
  AccountToSettings(form, &settings_);
  if (upload_) {
    for (const std::string& line : upload_->log_lines()) old_log_.push_back(line);
    upload_.reset();
  }
  if (engine_) engine_->Disconnect();
  untrusted_.reset();
  publish::FtpUploadSettings s = UploadSettings();
  engine_ = publish::MakeCurlFtpEngine(s.connection);
  publish::FtpUploadOptions options;
  options.record_dir = ftp_dir_;
  // "Publish Here" never creates a folder unasked; the question is the seam's.
  upload_ = std::make_unique<publish::FtpUpload>(*engine_, ui_, log_, std::move(s), options);
  if (upload_->Connect()) return Status::Ok();
  untrusted_ = engine_->untrusted_key();
  return Status::IoError(engine_->last_error());
}

bool FtpSession::SuggestFolders(std::vector<std::string>* offered) {
  const FtpAccountForm form = AccountFromSettings(settings_);
  if (std::string problem = HostProblem(form); !problem.empty()) {
    ui_.ShowMessage(problem, MessageKind::kError);
    return false;
  }
  publish::FtpUploadSettings s = UploadSettings();
  auto engine = publish::MakeCurlFtpEngine(s.connection);
  publish::FtpUpload upload(*engine, ui_, log_, std::move(s));
  const bool found = upload.SuggestFolders(offered);
  if (!found) untrusted_ = engine->untrusted_key();
  return found;
}

bool FtpSession::connected() const { return engine_ && engine_->IsConnected(); }

std::string FtpSession::UntrustedText() const {
  if (!untrusted_) return "";
  const publish::FtpProtocol protocol = publish::ParseFtpProtocol(settings_.Text("FTP.Protocol"));
  return untrusted_->changed() ? publish::UntrustedText(protocol, *untrusted_)
                               : publish::TrustQuestion(protocol, *untrusted_);
}

Status FtpSession::TrustPresentedKey() {
  if (!untrusted_ || untrusted_->fingerprint.empty()) {
    return Status::Invalid("no key was presented to trust");
  }
  // A changed key is refused here on purpose: the old pin is removed
  // knowingly with Forget first.
  if (untrusted_->changed()) return Status::Invalid(std::string(publish::kChangedKeyMessage));
  if (ftp_dir_.empty() && extra_.trust_file.empty()) {
    return Status::Invalid("there is no folder to keep trusted keys in");
  }
  publish::HostTrustStore store(UploadSettings().connection.trust_file);
  const publish::FtpProtocol protocol = publish::ParseFtpProtocol(settings_.Text("FTP.Protocol"));
  Status s = store.Trust(protocol, untrusted_->host, untrusted_->fingerprint);
  if (s.ok()) untrusted_.reset();
  return s;
}

Status FtpSession::ForgetKey() {
  if (!untrusted_) return Status::Ok();
  publish::HostTrustStore store(UploadSettings().connection.trust_file);
  const publish::FtpProtocol protocol = publish::ParseFtpProtocol(settings_.Text("FTP.Protocol"));
  Status s = store.Forget(protocol, untrusted_->host);
  if (s.ok()) untrusted_->pinned.clear();
  return s;
}

publish::FtpFolderNode FtpSession::LoadTree() {
  if (!connected()) return {};
  return upload_->LoadTree();
}

void FtpSession::Select(const publish::FtpFolderNode& node) {
  if (upload_) upload_->SelectNode(node);
}

std::optional<std::string> FtpSession::AddFolder() {
  if (!connected()) return std::nullopt;
  // The folder is made inside the one chosen in the tree.
  if (!upload_->working_path().empty()) upload_->Cd();
  std::optional<std::string> made = upload_->AddFolder();
  if (!made) return std::nullopt;
  std::string name = *made;
  while (!name.empty() && name.back() == '/') name.pop_back();
  publish::FtpFolderNode node;
  node.name = name;
  const std::string& here = upload_->working_path();
  node.path = here.empty() ? name : here + "/" + name;
  upload_->SelectNode(node);
  return upload_->working_path();
}

publish::FtpUploadResult FtpSession::Upload(const std::string& build_dir) {
  if (!connected()) return {};
  publish::FtpUploadResult result = upload_->PublishHere(build_dir);
  if (result.chosen_folder) chosen_ = result.chosen_folder;
  return result;
}

std::optional<std::string> FtpSession::Done() {
  if (upload_ && connected()) {
    if (std::optional<std::string> folder = upload_->Done()) chosen_ = folder;
  }
  if (chosen_ && !Trim(*chosen_).empty()) settings_.SetText("FTP.Directory", Trim(*chosen_));
  return chosen_;
}

void FtpSession::Cancel() {
  if (upload_) upload_->Cancel();
}

const std::string& FtpSession::working_path() const {
  return upload_ ? upload_->working_path() : empty_;
}

std::vector<std::string> FtpSession::Log() const {
  std::vector<std::string> lines = old_log_;
  if (upload_) lines.insert(lines.end(), upload_->log_lines().begin(), upload_->log_lines().end());
  return lines;
}

std::vector<std::string> FtpSession::RawStatus() const {
  return upload_ ? upload_->raw_status() : std::vector<std::string>{};
}

}  // namespace almanix::desktop
