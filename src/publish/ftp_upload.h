#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/ui_seam.h"
#include "publish/ftp_engine.h"

namespace almanix {
class TLog;
}

// The "FTP Status" window without its window: connecting with the host name
// variants, finding or making the remote folder, uploading the build folder,
// browsing the server and suggesting folders. Messages, questions and the
// progress bar go through the seam; the time-stamped log is kept here (and
// written to TLog too).
namespace almanix::publish {

class PublishSettings;

// The fixed texts.
inline constexpr std::string_view kConnectFailedMessage =
    "Could not connect. Check that the ftp hostname, username and password are correct. ";
inline constexpr std::string_view kBrowseHint =
    "Try clicking on \"Browse button\" to pick a different directory ";
inline constexpr std::string_view kSuggestedMessage =
    "I added some possible paths the \"Remote Path\" dropdown list, pick one! \r"
    "This is the path of the folder where the calendar will be uploaded. ";
inline constexpr std::string_view kStopSearchCaption = "searching ... click here to stop and pick";
// Said once per upload when the server refuses renames.
inline constexpr std::string_view kDirectStoreMessage =
    "The server does not allow files to be renamed, so each file is stored over the old one "
    "directly: an upload that breaks off can leave that page incomplete.";

// What the Format & Publish window hands over.
struct FtpUploadSettings {
  std::string host;       // FTP.Host
  std::string directory;  // FTP.Directory
  bool alternate_engine = false;  // FTP.MFTP: logged; the same engine runs
  std::string rss_path;   // RSS.Path
  FtpConnectOptions connection;  // account, FTP.Passive, FTP.Protocol, Proxy.*
};
// From a favorite's settings; the proxy only when Proxy.Enabled is on (and
// never for the alternate engine, which had none).
FtpUploadSettings FtpUploadSettingsFrom(const PublishSettings& settings);

struct FtpUploadOptions {
  // The default answer of "Remote Path: ... does not exist, would you like to
  // create it ?"; the command line sets kOk for --create-remote.
  Answer create_default = Answer::kCancel;
  // The folder of the upload records (TDir's FtpDir): one file per place
  // (protocol, host, port, account and remote folder) naming the files last
  // sent there with their sizes and content hashes. Empty: every file is
  // sent every time.
  std::string record_dir;
  // Each log line as it is added (the command line prints them).
  std::function<void(const std::string&)> on_log;
  // "now" for the log's time stamps; the clock when unset.
  std::function<std::time_t()> clock;
};

// The outcome of "Publishing files".
struct FtpUploadResult {
  bool connected = false;
  bool uploaded = false;   // every file of the build folder arrived
  bool cancelled = false;
  int sent = 0;            // files sent this time
  int unchanged = 0;       // files skipped as unchanged since the last upload
  int failed = 0;
  bool rss_copied = false;
  // Set when "Done" ran: the folder that becomes FTP.Directory.
  std::optional<std::string> chosen_folder;
};

// A folder of the browsed tree.
struct FtpFolderNode {
  std::string name;
  std::string path;  // parent names joined with "/", normalised
  std::vector<FtpFolderNode> children;
};

// "\" becomes "/", then every "//" becomes "/".
std::string NormaliseRemotePath(std::string_view path);
// The host candidates in the order they are tried, duplicates (without
// regard to case) left out.
std::vector<std::string> HostCandidates(std::string_view host);
// A candidate as it is connected to: "ftp://" and "/" removed, doubled and
// mixed prefixes reduced to one.
std::string CleanHost(std::string_view candidate);
// Whether a listing line is a folder: it starts with "d" or holds "dir" (in
// lower case).
bool IsDirectoryLine(std::string_view line);
// The last blank-separated word of a listing line: the entry's name.
std::string ListingName(std::string_view line);
// The FTP.Directory candidates from a listing of the start folder.
std::vector<std::string> FolderSuggestions(const std::vector<std::string>& listing);
// The name and size of a plain file's listing line (Unix "ls -l" or DOS
// style); nullopt for folders, links and lines it cannot read.
std::optional<std::pair<std::string, long long>> ListingFile(std::string_view line);
// The upload record of one place: record_dir + "upload-" + a hash of the
// protocol, host name (without regard to case), port, account and absolute
// remote folder + ".txt".
std::string UploadRecordPath(const std::string& record_dir, FtpProtocol protocol,
                             const std::string& host, const std::string& user,
                             const std::string& folder);
// "12 of 79 files, 340 KB of 2.1 MB": the upload's progress line.
std::string UploadProgressText(int files_done, int files_total, long long bytes_done,
                               long long bytes_total);
// The address the calendar went to, for people: "ftp://" (plain and
// explicit-TLS FTP) or "sftp://" + the host + "/" + FTP.Directory, without
// doubled slashes; a relative SFTP folder is under "~/", the login folder.
std::string PublishedAddress(const PublishSettings& settings);

class FtpUpload {
 public:
  // engine, ui and log (may be null) outlive the upload.
  FtpUpload(FtpEngine& engine, UiSeam& ui, TLog* log, FtpUploadSettings settings,
            FtpUploadOptions options = {});

  // Connecting: every host candidate until one connects; it becomes the
  // host. On failure shows kConnectFailedMessage with, on a second line,
  // the cause the client gave (preferring a server's answer, such as a
  // refused login or certificate, to a host that was not found).
  bool Connect();
  // "Publishing files", as the window does when it opens: connect, find or
  // make the remote folder, upload every file of build_dir (trailing "/"),
  // the second rss.xml, then "Done" when all went well. Disconnects at the
  // end either way.
  //
  // A file that fails is logged and the others still go; the upload then
  // counts as failed: the message "Could not upload files to '" + folder +
  // "' Try a different remote directory" says how many failed and, on its
  // last line, why the first one did; no folder is chosen. With a record
  // folder, a file is not sent again when its size and content are those
  // recorded for the same place and the server's listing still shows it
  // with that size; a file that failed is never recorded as sent. Progress
  // (files and bytes) goes to the seam's ProgressDetail.
  FtpUploadResult PublishFiles(const std::string& build_dir);
  // "Done": when connected, records the chosen folder, logs
  // "Disconnecting ..." and disconnects.
  std::optional<std::string> Done();
  // "Cancel", or the seam's Cancelled: the upload stops before its next
  // file (breaking off the one on its way), the files already sent are
  // removed again and the old ones stay in place; searches stop.
  void Cancel() { cancelled_ = true; }

  // "connect && select": the tree of the current folder, two levels deep.
  // Cancel stops the search and returns the tree built so far.
  FtpFolderNode LoadTree();
  // A click on a node: it becomes the working remote path.
  void SelectNode(const FtpFolderNode& node);
  // "Publish Here": to "~", to the working path, "Upload Files to " + path
  // (OK/Cancel), the upload of build_dir, then "Done".
  FtpUploadResult PublishHere(const std::string& build_dir);
  // "Add Folder": asks for the name and makes it in the current folder
  // (retrying once from "~"); the new node name + "/" on success.
  std::optional<std::string> AddFolder();
  // "cd": to the working remote path; returns the current folder.
  std::string Cd();
  // "suggest": connects, lists the start folder, adds the candidates to
  // `offered` (unless there), shows kSuggestedMessage and disconnects.
  bool SuggestFolders(std::vector<std::string>* offered);

  const std::vector<std::string>& log_lines() const { return log_; }
  const std::vector<std::string>& raw_status() const { return raw_status_; }
  const std::string& host() const { return host_; }
  const std::string& working_path() const { return working_path_; }
  const std::string& status_text() const { return status_text_; }

 private:
  // Cancel pressed here or on the seam's side.
  bool StopAsked();
  void Log(const std::string& text);     // "hh:mm:ss :" + text
  void LogRaw(const std::string& text);  // as it is (an empty line too)
  bool ChangeDir(const std::string& path);
  // Step 5: every file of build_dir into the current folder.
  void SendFiles(const std::string& build_dir, FtpUploadResult* result);
  bool CreatePath(const std::string& path);
  // The current folder is where the path leads from the start folder.
  bool IsAt(const std::string& path);
  void Finish(FtpUploadResult* result);
  // One engine operation's worth of progress: the bytes of the file now on
  // its way.
  void ShowBytes(long long sent);
  void ShowProgress();
  // The one warning when the engine stopped renaming.
  void NoteDirectStore();

  FtpEngine& engine_;
  UiSeam& ui_;
  TLog* tlog_;
  FtpUploadSettings settings_;
  FtpUploadOptions options_;
  std::string host_;
  std::string start_dir_;
  std::string working_path_;
  std::string status_text_;
  bool cancelled_ = false;
  bool said_direct_ = false;
  // The first file that could not be sent and why.
  std::string first_failure_;
  struct Progress {
    int files_done = 0;
    int files_total = 0;
    long long bytes_before = 0;  // of the files already done
    long long bytes_now = 0;     // of the file on its way
    long long bytes_total = 0;
    int shown_percent = -1;
  } progress_;
  std::vector<std::string> log_;
  std::vector<std::string> raw_status_;
};

}  // namespace almanix::publish
