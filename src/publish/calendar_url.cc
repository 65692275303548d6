#include "publish/calendar_url.h"

#include <algorithm>
#include <memory>

#include "app/dir.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "publish/curl_library.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"

namespace almanix::publish {
namespace {

constexpr size_t kMaxPageBytes = 8 * 1024 * 1024;

size_t FindNoCase(std::string_view text, std::string_view needle) {
  return ToLower(text).find(ToLower(needle));
}

// One pass, as a replace-all does: what the removal joins stays.
std::string RemoveAllNoCase(const std::string& text, std::string_view needle) {
  const std::string lower = ToLower(text);
  const std::string lower_needle = ToLower(needle);
  std::string out;
  size_t from = 0;
  for (size_t at = lower.find(lower_needle); at != std::string::npos;
       at = lower.find(lower_needle, from)) {
    out.append(text, from, at - from);
    from = at + needle.size();
  }
  out.append(text, from);
  return out;
}

// Until none is left: one pass would turn "///" into "//".
std::string ReduceSlashes(std::string text) {
  for (size_t at = text.find("//"); at != std::string::npos; at = text.find("//", at)) {
    text.erase(at, 1);
  }
  return text;
}

bool IsDefaultHome(std::string_view home) { return EqualsIgnoreCase(Trim(home), kDefaultLinkBack); }

struct Body {
  std::string text;
  bool too_large = false;
};

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  Body* body = static_cast<Body*>(user);
  const size_t bytes = size * count;
  if (body->text.size() + bytes > kMaxPageBytes) {
    body->too_large = true;
    return 0;  // makes curl stop with a write error
  }
  body->text.append(data, bytes);
  return bytes;
}

}  // namespace

// ---- Page test ----

Result<std::string> CurlPageFetcher::Fetch(const std::string& url) {
  if (Status loaded = LoadCurl(); !loaded.ok()) {
    return Status::IoError("Could not fetch " + url + ": " + loaded.message());
  }
  std::unique_ptr<CURL, decltype(Curl().curl_easy_cleanup)> handle(Curl().curl_easy_init(),
                                                                   Curl().curl_easy_cleanup);
  if (!handle) return Status::IoError("Could not fetch " + url + ": no HTTP client");
  CURL* h = handle.get();
  char error[CURL_ERROR_SIZE] = "";
  Body body;
  Curl().curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  Curl().curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
  // A candidate is always a web address; a redirect must not lead elsewhere.
  Curl().curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  Curl().curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  Curl().curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  Curl().curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
  Curl().curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeouts_.connect_seconds);
  Curl().curl_easy_setopt(h, CURLOPT_TIMEOUT, timeouts_.total_seconds);
  // Timeouts by signal would reach the whole program.
  Curl().curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  Curl().curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
  Curl().curl_easy_setopt(h, CURLOPT_USERAGENT, "Web Almanix");
  // Otherwise a 404 page arrives as a success.
  Curl().curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  Curl().curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CollectBody);
  Curl().curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  const CURLcode rc = Curl().curl_easy_perform(h);
  if (body.too_large) return Status::IoError("Could not fetch " + url + ": the page is too large");
  if (rc != CURLE_OK) {
    return Status::IoError("Could not fetch " + url + ": " +
                           (error[0] != '\0' ? std::string(error) : Curl().curl_easy_strerror(rc)));
  }
  long code = 0;
  Curl().curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  if (code < 200 || code > 299) {
    return Status::IoError("Could not fetch " + url + ": HTTP status " + std::to_string(code));
  }
  return std::move(body.text);
}

bool PassesPageTest(PageFetcher& fetcher, const std::string& url) {
  Result<std::string> page = fetcher.Fetch(url);
  return page.ok() && page.value().find(kPageTestMark) != std::string::npos;
}

// ---- Candidate addresses ----

std::string CandidateHost(std::string_view source) {
  std::string host = Trim(source);
  if (FindNoCase(host, ".htm") != std::string::npos) {
    const size_t slash = host.rfind('/');
    host = slash == std::string::npos ? "" : host.substr(0, slash);
  }
  // "https://" too: left in, removing "//" would glue "https:" to the host.
  for (std::string_view prefix : {"ftp://", "ftp.", "https://", "http://", "//"}) {
    host = RemoveAllNoCase(host, prefix);
  }
  if (host.find('.') == std::string::npos) host = "www." + host;
  if (std::string_view("www.home.").find(host) != std::string_view::npos) {
    host = ReplaceAll(host, "www.", "");
  }
  return host;
}

std::vector<std::string> CandidatesFrom(std::string_view source, std::string_view ftp_directory) {
  const std::string host = CandidateHost(source);
  // An empty host would give "http:///Calendar.html".
  if (host.empty()) return {};
  const std::string folder = Trim(ftp_directory);
  const std::vector<std::string> parts = Split(folder, '/');
  std::string a, b;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part == "public_html" || part == "www" || part == "html") continue;
    a += part + "/";
    if (i >= 2) b += part + "/";
  }
  const std::string page = "/" + std::string(kCalendarPage);
  std::vector<std::string> candidates;
  for (const std::string& path :
       {host + "/" + a + page, host + "/" + b + page, host + "/" + folder + page, host + page}) {
    candidates.push_back("http://" + ReduceSlashes(path));
  }
  return candidates;
}

std::string HostPart(std::string_view address) {
  const std::string text = Trim(address);
  const size_t scheme = text.find("://");
  const size_t start = scheme == std::string::npos ? 0 : scheme + 3;
  const size_t end = text.find('/', start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::vector<std::string> CandidateAddresses(const PublishSettings& settings,
                                            const PublishWindowState& window) {
  std::vector<std::string> sources = {settings.Text("FTP.Host")};
  if (!IsDefaultHome(window.Bar_Home2)) {
    sources.push_back(window.Bar_Home2);
    sources.push_back(HostPart(window.Bar_Home2));
  }
  std::vector<std::string> all;
  for (const std::string& source : sources) {
    for (std::string& c : CandidatesFrom(source, settings.Text("FTP.Directory"))) {
      if (std::find(all.begin(), all.end(), c) == all.end()) all.push_back(std::move(c));
    }
  }
  return all;
}

bool AddressBoxEmpty(const PublishSettings& settings) {
  const std::string url = Trim(settings.Text("Publish.URL"));
  return url.empty() || EqualsIgnoreCase(url, "http://") || EqualsIgnoreCase(url, "https://");
}

void AddCandidateAddresses(PublishSettings& settings, PublishWindowState& window) {
  std::vector<std::string>& list = window.calendar_url;
  for (std::string& c : CandidateAddresses(settings, window)) {
    if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(std::move(c));
  }
  if (!list.empty() && AddressBoxEmpty(settings)) settings.SetText("Publish.URL", list.front());
}

std::string SuggestCalendarUrls(PublishEditor& editor) {
  AddCandidateAddresses(editor.settings, editor.window);
  if (UiSeam* ui = editor.environment().ui) ui->ShowMessage(kSuggestMessage);
  return std::string(kSuggestMessage);
}

bool FillCalendarUrl(PublishSettings& settings, const PublishWindowState& window,
                     std::vector<std::string>& calendar_url, PageFetcher& fetcher) {
  if (!AddressBoxEmpty(settings)) return true;
  for (const std::string& c : CandidateAddresses(settings, window)) {
    if (!PassesPageTest(fetcher, c)) continue;
    if (std::find(calendar_url.begin(), calendar_url.end(), c) == calendar_url.end()) {
      calendar_url.push_back(c);
    }
    settings.SetText("Publish.URL", c);
    return true;
  }
  return false;
}

Status TryCalendarUrl(PublishEditor& editor, PageFetcher& fetcher) {
  UiSeam* ui = editor.environment().ui;
  if (!FillCalendarUrl(editor.settings, editor.window, editor.window.calendar_url, fetcher)) {
    if (ui) ui->ShowMessage(kNoCalendarFoundMessage, MessageKind::kWarning);
    return Status::NotFound(std::string(kNoCalendarFoundMessage));
  }
  Status opened =
      editor.environment().dir->OpenInBrowser(Trim(editor.settings.Text("Publish.URL")));
  if (!opened.ok() && ui) ui->ShowMessage(opened.message(), MessageKind::kError);
  return opened;
}

std::string ExplainCalendarUrl() {
  return "Enter the web address of the Calendar.html page of your published calendar, for "
         "example http://www.example.org/calendar/Calendar.html. A correct address always "
         "ends in Calendar.html.\n"
         "The addresses in the list are the program's guesses and are not always right: pick "
         "one from the list, or correct it by hand.\n"
         "The embed code only works with a correct address.";
}

// ---- Checks ----

std::vector<std::string> CheckForProblems(PublishEditor& editor) {
  PublishSettings& s = editor.settings;
  std::vector<std::string> warnings;
  if (IsDefaultHome(editor.window.Bar_Home2)) {
    warnings.push_back("Warning: Change your web site URL, it is still set to the default: \"" +
                       editor.window.Bar_Home2 + "\"");
  }
  if (s.Bool("RSS.Share")) {
    const std::string rss_url = Trim(s.Text("RSS.URL"));
    if (rss_url.empty() || rss_url == "http://") {
      warnings.push_back("Warning: RSS information was blank. I auto filled it.");
      editor.AutoFillRss();
    }
    if (s.Text("RSS.FileURL") != ReplaceAll(s.Text("Publish.URL"), kCalendarPage, "rss.xml")) {
      warnings.push_back(
          "Warning: The URL of the rss file did not match up with the URL of the calendar. I "
          "reset it.");
      editor.AutoFillRss();
    }
  }
  if (s.Text("Page.Title").empty()) {
    warnings.push_back(
        "Warning: You may want to have a title above the calendar. You can do this on the "
        "format screen, under \"title and logo\" ");
  }
  if (!s.Bool("Contents.ShowNavMenu")) {
    warnings.push_back(
        "Warning: You are not showing a navigation/tab menu. Tabs allows a user to switch "
        "between months. Make sure that Show Navigation menu is checked on the format "
        "screen, under Toolbar, \"Tab Options\"");
  }
  if (s.Int("List.Width") < 400) {
    warnings.push_back(
        "Warning: The Event List width may be set to narrow. You can change this on the "
        "format screen under Event List, \"Options\"");
  }
  return warnings;
}

std::string ProblemsText(const std::vector<std::string>& warnings) {
  if (warnings.empty()) return std::string(kNoProblemsFound);
  std::string text(kProblemsFoundLine);
  for (const std::string& w : warnings) text += "\n" + w;
  return text;
}

void LeaveFtpHost(PublishSettings& settings) {
  std::string host = settings.Text("FTP.Host");
  // "https://" as well, or its "https:" would stay behind.
  for (std::string_view scheme : {"https://", "http://", "ftp://"}) {
    host = RemoveAllNoCase(host, scheme);
  }
  settings.SetText("FTP.Host", ReplaceAll(host, "/", ""));
}

}  // namespace almanix::publish
