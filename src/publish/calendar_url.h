#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

// The calendar's public address (Publish.URL): the candidate addresses the
// program proposes from the FTP host, the FTP folder and the toolbar home
// address, the test that a candidate serves a generated calendar page, and the
// checks the "validate" link runs over the settings.
namespace almanix::publish {

class PublishEditor;
class PublishSettings;
struct PublishWindowState;

inline constexpr std::string_view kCalendarPage = "Calendar.html";
// Every generated month page holds this script function; a page without it
// is not one of ours.
inline constexpr std::string_view kPageTestMark = "find(a, val)";
inline constexpr std::string_view kSuggestMessage =
    "I added all possible calendar URL locations to the dropdown list...select a URL and "
    "click try";
// Shown by "Try" when the address is empty and no candidate passes the test.
inline constexpr std::string_view kNoCalendarFoundMessage =
    "No calendar page was found at the suggested addresses. Enter the address of your "
    "Calendar.html page.";
inline constexpr std::string_view kProblemsFoundLine = "The following problems were found: ";
inline constexpr std::string_view kNoProblemsFound = "No Problems Found";

// Fetches one page over HTTP.
class PageFetcher {
 public:
  virtual ~PageFetcher() = default;
  // The body of the page, or why it could not be had: no connection, a
  // timeout, or a reply other than success (after redirects).
  virtual Result<std::string> Fetch(const std::string& url) = 0;
};

// PageFetcher over libcurl: HTTP and HTTPS only, redirects followed (at most
// five), pages up to 8 MB.
class CurlPageFetcher : public PageFetcher {
 public:
  struct Timeouts {
    long connect_seconds = 10;
    long total_seconds = 20;  // the whole fetch, connecting included
  };
  CurlPageFetcher() = default;
  explicit CurlPageFetcher(Timeouts timeouts) : timeouts_(timeouts) {}
  Result<std::string> Fetch(const std::string& url) override;

 private:
  Timeouts timeouts_;
};

// The page test: the address serves a page that holds kPageTestMark. A
// failed fetch does not pass.
bool PassesPageTest(PageFetcher& fetcher, const std::string& url);

// ---- Candidate addresses ----

// The host a source text (the FTP host or a home address) stands for: the
// page name dropped, the schemes and the "ftp." prefix removed, "www." put in
// front of a name without a dot. Empty when nothing is left.
std::string CandidateHost(std::string_view source);

// The candidates of one source and the FTP folder, in order, duplicates
// included: host/A/Calendar.html, host/B/Calendar.html,
// host/folder/Calendar.html and host/Calendar.html, where A is the folder
// without its "public_html", "www" and "html" parts and B is A without the
// first two parts of the folder; each with doubled "/" reduced and "http://"
// in front. None when the source gives no host.
std::vector<std::string> CandidatesFrom(std::string_view source, std::string_view ftp_directory);

// The host part of an address: what lies between the scheme and the first
// "/" after it.
std::string HostPart(std::string_view address);

// Every candidate, first occurrence kept: from FTP.Host, then from the
// toolbar home address (Bar_Home2) and its host part, both only when the
// home address is not the maker's default (kDefaultLinkBack).
std::vector<std::string> CandidateAddresses(const PublishSettings& settings,
                                            const PublishWindowState& window);

// Whether the address box holds no address: empty, or just "http://" or
// "https://".
bool AddressBoxEmpty(const PublishSettings& settings);

// Adds each candidate not yet listed to window.calendar_url; then, when the
// list is not empty and the address box is, its first entry becomes
// Publish.URL. What the Website destination does after an upload.
void AddCandidateAddresses(PublishSettings& settings, PublishWindowState& window);

// "suggest": AddCandidateAddresses, then kSuggestMessage shown through the
// editor's seam. Returns the message.
std::string SuggestCalendarUrls(PublishEditor& editor);

// With an empty address box: the candidates in order are put to the page
// test and the first that passes is added to the list (when not listed yet)
// and becomes Publish.URL; the rest are not fetched. True when the box holds
// an address afterwards. Nothing is fetched when the box is not empty.
bool FillCalendarUrl(PublishSettings& settings, const PublishWindowState& window,
                     std::vector<std::string>& calendar_url, PageFetcher& fetcher);

// "Try": FillCalendarUrl, then Publish.URL opened in the web browser. When
// the box stays empty, shows kNoCalendarFoundMessage and opens nothing
// (NotFound). A browser that cannot be started is the opener's IoError,
// shown too.
Status TryCalendarUrl(PublishEditor& editor, PageFetcher& fetcher);

// "Explain?": what the address box wants, for the quick-help window.
std::string ExplainCalendarUrl();

// ---- Checks ----

// "validate": the warnings, in order; the two RSS warnings run the RSS auto
// fill (PublishEditor::AutoFillRss) as they are found, so the later checks
// see its result.
std::vector<std::string> CheckForProblems(PublishEditor& editor);
// The text for the quick-help window: kProblemsFoundLine and one warning a
// line, or kNoProblemsFound.
std::string ProblemsText(const std::vector<std::string>& warnings);

// Leaving the FTP host field: every "http://", "ftp://" (in any letter case)
// and "/" removed from FTP.Host.
void LeaveFtpHost(PublishSettings& settings);

}  // namespace almanix::publish
