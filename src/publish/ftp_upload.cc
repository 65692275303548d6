#include "publish/ftp_upload.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <system_error>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "settings/publish_settings.h"

namespace almanix::publish {
namespace fs = std::filesystem;
namespace {

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return ToLower(text).find(ToLower(part)) != std::string::npos;
}

std::string ReplaceNoCase(std::string_view text, std::string_view from, std::string_view to) {
  const std::string lower = ToLower(text), lower_from = ToLower(from);
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (lower.compare(i, lower_from.size(), lower_from) == 0) {
      out += to;
      i += from.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

// A remote path made absolute from a folder, without "." and "..", and
// without a trailing "/".
std::string AbsoluteFrom(const std::string& start, const std::string& path) {
  std::string p = NormaliseRemotePath(path);
  return CollapseRemotePath((p.rfind("/", 0) == 0 ? "" : start + "/") + p);
}

// 64-bit FNV-1a: with the size, enough to notice that a page changed.
std::string ContentHash(const std::string& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) out[i] = kHex[h & 0xF];
  return out;
}

struct RecordEntry {
  std::string size;
  std::string hash;
};

// An upload record: a line "place" + TAB + where the files went, then one
// line per file: "file" TAB name TAB size TAB hash.
struct Record {
  std::string place;
  std::map<std::string, RecordEntry> files;
};

Record ReadRecord(const std::string& path) {
  Record m;
  Result<std::string> bytes = ReadFileBytes(path);
  if (!bytes.ok()) return m;
  for (const std::string& line : SplitLines(bytes.value())) {
    std::vector<std::string> f = Split(line, '\t');
    if (f.size() >= 2 && f[0] == "place") {
      m.place = line.substr(6);
    } else if (f.size() == 4 && f[0] == "file") {
      m.files[f[1]] = {f[2], f[3]};
    }
  }
  return m;
}

std::string RecordText(const Record& m) {
  std::string out = "place\t" + m.place + "\n";
  for (const auto& [name, entry] : m.files) {
    out += "file\t" + name + "\t" + entry.size + "\t" + entry.hash + "\n";
  }
  return out;
}

// "name:port" (or "[v6]:port") split; the protocol's port when none is given.
std::pair<std::string, std::string> HostAndPort(const std::string& host, FtpProtocol protocol) {
  const std::string default_port = protocol == FtpProtocol::kSftp ? "22" : "21";
  size_t colon = host.rfind(':');
  const size_t bracket = host.rfind(']');
  const bool bare_v6 = bracket == std::string::npos && host.find(':') != colon;
  if (colon == std::string::npos || (bracket != std::string::npos && colon < bracket) ||
      bare_v6) {
    return {host, default_port};
  }
  return {host.substr(0, colon), host.substr(colon + 1)};
}

// Whitespace-separated words with where each starts.
std::vector<std::pair<size_t, std::string>> Words(std::string_view line) {
  std::vector<std::pair<size_t, std::string>> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.emplace_back(start, std::string(line.substr(start, i - start)));
  }
  return out;
}

std::optional<long long> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  long long n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string Amount(long long bytes) {
  char text[32];
  if (bytes >= 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  } else {
    std::snprintf(text, sizeof text, "%lld KB", (bytes + 1023) / 1024);
  }
  return text;
}

std::string_view ProtocolName(FtpProtocol p) {
  switch (p) {
    case FtpProtocol::kFtps: return "FTPS";
    case FtpProtocol::kSftp: return "SFTP";
    default: return "FTP";
  }
}

// Where files went: the record's first line and, hashed, its name.
std::string PlaceKey(FtpProtocol protocol, const std::string& host, const std::string& user,
                     const std::string& folder) {
  const auto [name, port] = HostAndPort(host, protocol);
  return std::string(ProtocolName(protocol)) + "\t" + ToLower(name) + "\t" + port + "\t" + user +
         "\t" + folder;
}

std::vector<std::string> BuildFiles(const std::string& build_dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(build_dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (it->is_regular_file(type_ec)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string NormaliseRemotePath(std::string_view path) {
  std::string p = ReplaceAll(path, "\\", "/");
  while (p.find("//") != std::string::npos) p = ReplaceAll(p, "//", "/");
  return p;
}

std::vector<std::string> HostCandidates(std::string_view host) {
  const std::string h(host);
  std::vector<std::string> out;
  auto add = [&](const std::string& c) {
    for (const std::string& o : out) {
      if (EqualsIgnoreCase(o, c)) return;
    }
    out.push_back(c);
  };
  add(h);
  add(ReplaceNoCase(h, "www.", "ftp."));
  add(ReplaceNoCase(h, "ftp.", "www."));
  add(ReplaceNoCase(h, "www.", ""));
  add(ReplaceNoCase(h, "ftp.", ""));
  if (!ContainsNoCase(h, "ftp.") && !ContainsNoCase(h, "www.")) {
    add("ftp." + h);
    add("www." + h);
  }
  return out;
}

std::string CleanHost(std::string_view candidate) {
  std::string c = ReplaceNoCase(candidate, "ftp://", "");
  c = ReplaceAll(c, "/", "");
  c = ReplaceNoCase(c, "ftp.ftp.", "ftp.");
  c = ReplaceNoCase(c, "www.www.", "www.");
  c = ReplaceNoCase(c, "www.ftp.", "www.");
  c = ReplaceNoCase(c, "ftp.www.", "ftp.");
  return c;
}

bool IsDirectoryLine(std::string_view line) {
  return (!line.empty() && line[0] == 'd') || ToLower(line).find("dir") != std::string::npos;
}

std::string ListingName(std::string_view line) {
  std::string t = TrimRight(line);
  size_t blank = t.find_last_of(' ');
  return blank == std::string::npos ? t : t.substr(blank + 1);
}

std::vector<std::string> FolderSuggestions(const std::vector<std::string>& listing) {
  std::vector<std::string> out;
  for (const std::string& line : listing) {
    if (!IsDirectoryLine(line)) continue;
    const std::string name = ListingName(line);
    if (name.empty() || name == "." || name == "..") continue;
    std::string s = ReplaceAll(name + "/calendar/", "//", "/");
    // A leading "/" for the reduction, so that a folder named "calendar" in
    // the start folder gives "calendar/", not "calendar/calendar/".
    s = ReplaceAll("/" + s, "/calendar/calendar/", "/calendar/").substr(1);
    s = NormaliseRemotePath(s);
    if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(s);
  }
  return out;
}

std::optional<std::pair<std::string, long long>> ListingFile(std::string_view raw) {
  const std::string line = TrimRight(raw);
  const auto words = Words(line);
  if (words.size() >= 9 && words[0].second.size() >= 10 &&
      std::string_view("-dlbcps").find(words[0].second[0]) != std::string_view::npos) {
    // -rw-r--r-- 1 owner group size month day time-or-year name
    if (words[0].second[0] != '-') return std::nullopt;
    std::optional<long long> size = WholeNumber(words[4].second);
    if (!size) return std::nullopt;
    return std::make_pair(line.substr(words[8].first), *size);
  }
  if (words.size() >= 4 && words[0].second.size() >= 8 && words[0].second[2] == '-') {
    // 01-01-24  10:00AM  12345 name (or <DIR>)
    std::optional<long long> size = WholeNumber(words[2].second);
    if (!size) return std::nullopt;
    return std::make_pair(line.substr(words[3].first), *size);
  }
  return std::nullopt;
}

std::string UploadRecordPath(const std::string& record_dir, FtpProtocol protocol,
                             const std::string& host, const std::string& user,
                             const std::string& folder) {
  return WithTrailingSlash(record_dir) + "upload-" +
         ContentHash(PlaceKey(protocol, host, user, folder)) + ".txt";
}

std::string UploadProgressText(int files_done, int files_total, long long bytes_done,
                               long long bytes_total) {
  return std::to_string(files_done) + " of " + std::to_string(files_total) + " files, " +
         Amount(bytes_done) + " of " + Amount(bytes_total);
}

std::string PublishedAddress(const PublishSettings& settings) {
  const bool sftp = ParseFtpProtocol(settings.Text("FTP.Protocol")) == FtpProtocol::kSftp;
  std::string host = Trim(settings.Text("FTP.Host"));
  for (const char* scheme : {"sftp://", "ftps://", "http://"}) host = ReplaceNoCase(host, scheme, "");
  host = CleanHost(host);
  std::string folder = NormaliseRemotePath(Trim(settings.Text("FTP.Directory")));
  if (folder == "/") folder.clear();
  if (sftp && !folder.empty() && folder[0] != '/') folder = "~/" + folder;
  if (!folder.empty() && folder[0] == '/') folder = folder.substr(1);
  if (!folder.empty() && folder.back() != '/') folder += "/";
  return std::string(sftp ? "sftp://" : "ftp://") + host + "/" + folder;
}

FtpUploadSettings FtpUploadSettingsFrom(const PublishSettings& settings) {
  FtpUploadSettings s;
  s.host = settings.Text("FTP.Host");
  s.directory = settings.Text("FTP.Directory");
  s.alternate_engine = settings.Bool("FTP.MFTP");
  s.rss_path = settings.Text("RSS.Path");
  FtpConnectOptions& c = s.connection;
  c.user = settings.Text("FTP.UserID");
  c.password = settings.Text("FTP.Password");
  c.passive = settings.Bool("FTP.Passive");
  c.protocol = ParseFtpProtocol(settings.Text("FTP.Protocol"));
  if (settings.Bool("Proxy.Enabled") && !s.alternate_engine) {
    c.proxy.type = ParseFtpProxyType(settings.Text("Proxy.Type"));
    c.proxy.host = settings.Text("Proxy.Host");
    c.proxy.port = settings.Int("Proxy.Port");
    c.proxy.user = settings.Text("Proxy.User");
    c.proxy.password = settings.Text("Proxy.Password");
  }
  return s;
}

FtpUpload::FtpUpload(FtpEngine& engine, UiSeam& ui, TLog* log, FtpUploadSettings settings,
                     FtpUploadOptions options)
    : engine_(engine),
      ui_(ui),
      tlog_(log),
      settings_(std::move(settings)),
      options_(std::move(options)),
      host_(settings_.host) {
  engine_.on_status = [this](const std::string& text) { raw_status_.push_back(text); };
  engine_.on_progress = [this](long long sent) {
    ui_.ProcessEvents();
    ShowBytes(sent);
  };
  // Cancel breaks off the file on its way instead of waiting for its end.
  engine_.should_abort = [this] { return StopAsked(); };
}

bool FtpUpload::StopAsked() {
  if (!cancelled_ && ui_.Cancelled()) cancelled_ = true;
  return cancelled_;
}

void FtpUpload::LogRaw(const std::string& text) {
  log_.push_back(text);
  if (options_.on_log) options_.on_log(text);
  if (tlog_ && !text.empty()) tlog_->Info("FTP.Status " + text);
}

void FtpUpload::Log(const std::string& text) {
  std::time_t now = options_.clock ? options_.clock() : std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S :", &tm);
  LogRaw(stamp + text);
}

bool FtpUpload::ChangeDir(const std::string& path) {
  Log("Changing directory " + path);
  return engine_.ChangeDir(path);
}

bool FtpUpload::Connect() {
  try {
    raw_status_.clear();
    LogRaw(std::string(settings_.alternate_engine ? "Using mFTP v4.7: " : "Using Indy FTP: ") +
           (settings_.connection.passive ? "(passive mode)" : "(regular mode)"));
    LogRaw("");
    LogRaw("");
    const std::vector<std::string> candidates = HostCandidates(settings_.host);
    const int count = static_cast<int>(candidates.size());
    bool connected = false;
    std::string cause;
    bool cause_from_server = false;
    for (int i = 0; i < count && !connected; ++i) {
      ui_.ProcessEvents();
      if (StopAsked()) break;
      ui_.Progress(i + 1, count);
      const std::string candidate = CleanHost(candidates[i]);
      Log("Connecting to " + candidate);
      if (engine_.Connect(candidate)) {
        Log("Connected to " + candidate);
        host_ = candidate;
        Log("connected OK");
        connected = true;
      } else {
        Log("Failed Connecting to " + candidate);
        LogTo(tlog_, true, "FTP.Connect " + candidate + " " + engine_.last_error());
        // A server's refusal says more than a variant that does not exist.
        if (cause.empty() || (!cause_from_server && engine_.last_error_reached_server())) {
          cause = candidate + ": " + engine_.last_error();
          cause_from_server = engine_.last_error_reached_server();
        }
      }
    }
    ui_.Progress(0, 0);
    if (!connected) {
      std::string message(kConnectFailedMessage);
      if (!cause.empty()) message += "\n" + cause;
      ui_.ShowMessage(message, MessageKind::kError);
    }
    return connected;
  } catch (const std::exception& e) {
    LogTo(tlog_, true, std::string("FTP.Connect ") + e.what());
    ui_.ShowMessage("Could not connect to " + settings_.host +
                        " (check ftp hostname, username and password) ",
                    MessageKind::kError);
    return false;
  }
}

bool FtpUpload::IsAt(const std::string& path) {
  std::string here = engine_.CurrentDir();
  if (here.size() > 1 && here.back() == '/') here.pop_back();
  return here == AbsoluteFrom(start_dir_, path);
}

bool FtpUpload::CreatePath(const std::string& path) {
  std::string rel = path;
  const std::string here = engine_.CurrentDir();
  if (here != "-1" && !here.empty() && rel.rfind(here, 0) == 0) rel = rel.substr(here.size());
  for (const std::string& part : Split(rel, '/')) {
    if (part.empty()) continue;
    bool in = ChangeDir(part);
    if (!in && engine_.MakeDir(part)) {
      in = BaseName(WithoutTrailingSlash(engine_.CurrentDir())) == part || ChangeDir(part);
    }
    Log("Current Dir:" + engine_.CurrentDir());
    if (!in) return false;
  }
  return true;
}

void FtpUpload::Finish(FtpUploadResult* result) {
  if (engine_.IsConnected()) engine_.Disconnect();
  result->cancelled = result->cancelled || cancelled_;
}

FtpUploadResult FtpUpload::PublishFiles(const std::string& build_dir) {
  FtpUploadResult result;
  if (!Connect()) return result;
  result.connected = true;
  start_dir_ = engine_.CurrentDir();
  std::string p = NormaliseRemotePath(settings_.directory);
  const bool start_folder = p.empty() || p == "/";
  if (!start_folder) {
    bool entered = ChangeDir(p);
    if (!entered) {
      std::optional<std::vector<std::string>> listing = engine_.List();
      if (listing && p.find("webroot") == std::string::npos &&
          p.find("www") == std::string::npos && p.find("public_html") == std::string::npos) {
        for (const std::string& line : *listing) {
          if (!IsDirectoryLine(line)) continue;
          const std::string word = ListingName(line);
          std::string root;
          if (word.find("webroot") != std::string::npos) {
            root = "webroot/";
          } else if (word.find("www") != std::string::npos) {
            root = "www/";
          } else if (word.find("public_html") != std::string::npos) {
            root = "public_html/";
          } else {
            continue;
          }
          const std::string candidate = NormaliseRemotePath(root + p);
          if (candidate != p && ChangeDir(candidate)) {
            p = candidate;
            entered = true;
          }
          break;
        }
      }
    }
    if (!entered) {
      const Answer create =
          ui_.Ask("Remote Path: " + SingleQuoted(p) +
                      " does not exist, would you like to create it ?",
                  Buttons::kOkCancel, options_.create_default);
      if (create == Answer::kOk) {
        IgnoreResult(CreatePath(p), "whether the folder is there now is asked next");
        if (!IsAt(p)) {
          const Answer here =
              ui_.Ask("Sorry I could not create this remote path : " + SingleQuoted(p) +
                          "\r Would you like to try uploading the calendar to the current "
                          "directory: " +
                          engine_.CurrentDir(),
                      Buttons::kOkCancel, Answer::kCancel);
          if (here != Answer::kOk) {
            ui_.ShowMessage(kBrowseHint);
            Finish(&result);
            return result;
          }
        }
      }
    }
  }
  working_path_ = p;
  if (!start_folder && !IsAt(p)) {
    const std::string here = engine_.CurrentDir();
    if (ui_.Ask("Upload files to " + here, Buttons::kOkCancel, Answer::kCancel) !=
        Answer::kOk) {
      Finish(&result);
      return result;
    }
    working_path_ = here;
  }

  SendFiles(build_dir, &result);
  if (!cancelled_ && !settings_.rss_path.empty() && FileExists(build_dir + "rss.xml")) {
    if (!ChangeDir(settings_.rss_path)) {
      ui_.ShowMessage("Could not change directories to " + SingleQuoted(settings_.rss_path) +
                          " Try a different directory\n" + engine_.last_error(),
                      MessageKind::kError);
      Finish(&result);
      return result;
    }
    Log("Sent file :  rss.xml");
    result.rss_copied = engine_.PutFile(build_dir + "rss.xml", "rss.xml");
    NoteDirectStore();
    if (!result.rss_copied) {
      Log("Error Sending :  rss.xml");
      LogTo(tlog_, true, "FTP.PutFile rss.xml " + engine_.last_error());
      ui_.ShowMessage("Could not copy rss.xml file to " + settings_.rss_path + "\n" +
                          engine_.last_error(),
                      MessageKind::kError);
    }
  }
  if (cancelled_) {
    Finish(&result);
    return result;
  }
  if (result.failed > 0) {
    const int total = result.sent + result.unchanged + result.failed;
    ui_.ShowMessage("Could not upload files to " + SingleQuoted(working_path_) +
                        " Try a different remote directory\r" + std::to_string(result.failed) +
                        " of " + std::to_string(total) + " files could not be sent\n" +
                        first_failure_,
                    MessageKind::kError);
    Finish(&result);
    return result;
  }
  result.uploaded = true;
  result.chosen_folder = Done();
  Finish(&result);
  return result;
}

void FtpUpload::ShowProgress() {
  const Progress& p = progress_;
  ui_.ProgressDetail(p.files_done, p.files_total,
                     UploadProgressText(p.files_done, p.files_total, p.bytes_before + p.bytes_now,
                                        p.bytes_total));
}

void FtpUpload::ShowBytes(long long sent) {
  Progress& p = progress_;
  if (p.files_total == 0 || p.bytes_total <= 0) return;
  p.bytes_now = sent;
  // Every whole percent, not every packet.
  const int percent = static_cast<int>((p.bytes_before + sent) * 100 / p.bytes_total);
  if (percent == p.shown_percent) return;
  p.shown_percent = percent;
  ShowProgress();
}

void FtpUpload::NoteDirectStore() {
  if (said_direct_ || !engine_.stores_directly()) return;
  said_direct_ = true;
  Log(std::string(kDirectStoreMessage));
  ui_.ShowMessage(kDirectStoreMessage, MessageKind::kWarning);
}

void FtpUpload::SendFiles(const std::string& build_dir, FtpUploadResult* result) {
  const std::vector<std::string> names = BuildFiles(build_dir);
  const std::string here = engine_.CurrentDir();
  const FtpConnectOptions& c = settings_.connection;
  const bool keep_record = !options_.record_dir.empty();
  const std::string record_path =
      keep_record ? UploadRecordPath(options_.record_dir, c.protocol, host_, c.user, here) : "";
  Record last, now;
  now.place = PlaceKey(c.protocol, host_, c.user, here);
  if (keep_record) {
    last = ReadRecord(record_path);
    // Another place under the same hash: everything goes again.
    if (last.place != now.place) last.files.clear();
  }
  // What the server holds now: a file deleted or changed there goes again.
  std::map<std::string, long long> remote;
  if (!last.files.empty()) {
    std::optional<std::vector<std::string>> listing = engine_.List();
    if (!listing) {
      LogTo(tlog_, true, "FTP.List " + engine_.last_error());
      last.files.clear();
    } else {
      for (const std::string& line : *listing) {
        if (auto file = ListingFile(line)) remote[file->first] = file->second;
      }
    }
  }

  struct Planned {
    std::string name;
    RecordEntry entry;
    long long size = 0;
  };
  std::vector<Planned> to_send;
  for (const std::string& name : names) {
    Planned plan{name, {}, 0};
    std::error_code ec;
    plan.size = static_cast<long long>(fs::file_size(build_dir + name, ec));
    if (ec) plan.size = 0;
    if (keep_record) {
      Result<std::string> bytes = ReadFileBytes(build_dir + name);
      if (bytes.ok()) {
        plan.entry = {std::to_string(bytes.value().size()), ContentHash(bytes.value())};
      }
      auto old = last.files.find(name);
      auto there = remote.find(name);
      if (bytes.ok() && old != last.files.end() && old->second.size == plan.entry.size &&
          old->second.hash == plan.entry.hash && there != remote.end() &&
          std::to_string(there->second) == plan.entry.size) {
        Log("Unchanged, not sent :  " + name);
        ++result->unchanged;
        now.files[name] = plan.entry;
        continue;
      }
    }
    to_send.push_back(std::move(plan));
  }

  progress_ = Progress{};
  progress_.files_total = static_cast<int>(to_send.size());
  for (const Planned& plan : to_send) progress_.bytes_total += plan.size;
  status_text_ = "Sending";
  // Every file travels under its temporary name first; only when all have
  // arrived do they take the old ones' places, so a cancelled upload leaves
  // the live calendar as it was instead of half old and half new.
  std::vector<const Planned*> staged;
  for (const Planned& plan : to_send) {
    ui_.ProcessEvents();
    if (StopAsked()) break;
    const std::string& name = plan.name;
    progress_.bytes_now = 0;
    ShowProgress();
    status_text_ = "Sending " + name + " uploaded to: " +
                   ReplaceAll(working_path_ + "/" + name, "//", "/");
    Log("Sent file :  " + name);
    if (engine_.StageFile(build_dir + name, name)) {
      staged.push_back(&plan);
    } else if (!StopAsked()) {
      Log("Error Sending :  " + name);
      LogTo(tlog_, true, "FTP.PutFile " + name + " " + engine_.last_error());
      if (first_failure_.empty()) first_failure_ = name + ": " + engine_.last_error();
      ++result->failed;
    }
    NoteDirectStore();
    ++progress_.files_done;
    progress_.bytes_before += plan.size;
    progress_.bytes_now = 0;
  }
  if (StopAsked()) {
    for (const Planned* plan : staged) engine_.DropStaged(plan->name);
    if (!staged.empty()) Log("Cancelled: the files sent were removed, the old ones stay");
    staged.clear();
  }
  for (const Planned* plan : staged) {
    if (engine_.CommitStaged(plan->name)) {
      ++result->sent;
      if (!plan->entry.hash.empty()) now.files[plan->name] = plan->entry;
    } else {
      Log("Error Sending :  " + plan->name);
      LogTo(tlog_, true, "FTP.PutFile " + plan->name + " " + engine_.last_error());
      if (first_failure_.empty()) first_failure_ = plan->name + ": " + engine_.last_error();
      ++result->failed;
    }
    NoteDirectStore();
  }
  if (!to_send.empty()) ShowProgress();
  ui_.Progress(0, 0);
  progress_ = Progress{};
  if (keep_record) {
    // Files not reached (a cancel) are simply sent next time.
    if (Status s = TDir::EnsureDir(options_.record_dir); !s.ok()) {
      LogTo(tlog_, true, "FTP.Record " + s.message());
    } else if (Status w = WriteFileAtomically(record_path, RecordText(now)); !w.ok()) {
      LogTo(tlog_, true, "FTP.Record " + w.message());
    }
  }
}

std::optional<std::string> FtpUpload::Done() {
  if (!engine_.IsConnected()) return std::nullopt;
  std::string chosen = working_path_;
  Log("Disconnecting ...");
  engine_.Disconnect();
  return chosen;
}

FtpFolderNode FtpUpload::LoadTree() {
  Log("Loading Directory Tree");
  status_text_ = "Status: Loading Directory Tree";
  FtpFolderNode root;
  root.name = engine_.CurrentDir();
  // Level 1 is the current folder's listing, level 2 its folders' listings.
  std::function<void(FtpFolderNode&, int)> fill = [&](FtpFolderNode& node, int level) {
    std::optional<std::vector<std::string>> listing = engine_.List();
    if (!listing) {
      Log("could not change or list directory");
      return;
    }
    for (const std::string& line : *listing) {
      if (!IsDirectoryLine(line)) continue;
      std::string name = Trim(ReplaceAll(ListingName(line), "/", ""));
      if (name.empty() || name == "." || name == ".." || name == node.name) continue;
      FtpFolderNode child;
      child.name = name;
      child.path = NormaliseRemotePath(node.path.empty() ? name : node.path + "/" + name);
      node.children.push_back(std::move(child));
    }
    std::sort(node.children.begin(), node.children.end(),
              [](const FtpFolderNode& a, const FtpFolderNode& b) { return a.name < b.name; });
    if (level >= 2) return;
    const std::string here = engine_.CurrentDir();
    for (FtpFolderNode& child : node.children) {
      ui_.ProcessEvents();
      if (cancelled_) return;
      if (!ChangeDir(child.name)) {
        Log("could not change or list directory");
        continue;
      }
      fill(child, level + 1);
      IgnoreResult(ChangeDir(here), "only the way back; the next step checks where it is");
    }
  };
  fill(root, 1);
  status_text_.clear();
  return root;
}

void FtpUpload::SelectNode(const FtpFolderNode& node) {
  working_path_ = NormaliseRemotePath(node.path);
}

FtpUploadResult FtpUpload::PublishHere(const std::string& build_dir) {
  FtpUploadResult result;
  result.connected = engine_.IsConnected();
  if (!result.connected) return result;
  IgnoreResult(ChangeDir("~"), "the login folder is where a failed change leaves us anyway");
  if (!working_path_.empty() && !ChangeDir(working_path_)) {
    ui_.ShowMessage("Could not change directories to " + SingleQuoted(working_path_) +
                        " Try a different directory",
                    MessageKind::kError);
    return result;
  }
  if (ui_.Ask("Upload Files to " + working_path_, Buttons::kOkCancel, Answer::kOk) !=
      Answer::kOk) {
    return result;
  }
  SendFiles(build_dir, &result);
  if (cancelled_) {
    Finish(&result);
    return result;
  }
  result.uploaded = result.failed == 0;
  result.chosen_folder = Done();
  Finish(&result);
  return result;
}

std::optional<std::string> FtpUpload::AddFolder() {
  const std::string here = engine_.CurrentDir();
  std::optional<std::string> typed =
      ui_.AskText("Enter name of Calendar dir", "New Dir Name:\n" + here + "/", "CalendarDir");
  if (!typed) return std::nullopt;
  const std::string name = Trim(*typed);
  if (name.empty()) return std::nullopt;
  if (!engine_.MakeDir(name)) {
    Log(name + " not created");
    IgnoreResult(ChangeDir("~"), "the second try says whether the folder could be made");
    if (!engine_.MakeDir(name)) {
      ui_.ShowMessage("Could not create directory " + name, MessageKind::kError);
      return std::nullopt;
    }
  }
  return name + "/";
}

std::string FtpUpload::Cd() {
  IgnoreResult(ChangeDir(working_path_), "the folder reached is what is returned");
  return engine_.CurrentDir();
}

bool FtpUpload::SuggestFolders(std::vector<std::string>* offered) {
  if (!Connect()) return false;
  Log("Looking for directories on your server ");
  std::optional<std::vector<std::string>> listing = engine_.List();
  if (listing) {
    for (const std::string& s : FolderSuggestions(*listing)) {
      if (std::find(offered->begin(), offered->end(), s) == offered->end()) {
        offered->push_back(s);
      }
    }
  }
  ui_.ShowMessage(kSuggestedMessage);
  engine_.Disconnect();
  return true;
}

}  // namespace almanix::publish
