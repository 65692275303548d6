#include "generator/page_meta.h"

#include <cctype>

#include "app/text.h"
#include "generator/run_context.h"

namespace almanix::generator {
namespace {

// What the favorite's title.txt holds when nobody changed it.
constexpr std::string_view kShippedTitle = "Calendar";
// U+2013, the dash between the calendar's name and the page.
constexpr std::string_view kDash = " \xE2\x80\x93 ";

}  // namespace

std::string PageLanguage(const RunContext& run) {
  const std::string& setting = run.s().Text("RSS.Language");
  const size_t colon = setting.find(':');
  const std::string code = Trim(colon == std::string::npos ? setting : setting.substr(colon + 1));
  std::string out;
  bool after_dash = false;
  for (char c : code) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '-' || c == '_') {
      if (out.empty() || after_dash) break;
      out.push_back('-');
      after_dash = true;
      continue;
    }
    if (!std::isalnum(u)) break;
    // BCP 47 writes the language in lower case and the region in upper.
    const bool region = out.find('-') != std::string::npos;
    out.push_back(static_cast<char>(region ? std::toupper(u) : std::tolower(u)));
    after_dash = false;
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? "en" : out;
}

std::string HtmlOpening(const RunContext& run) {
  return "<html lang=\"" + PageLanguage(run) + "\">";
}

std::string CalendarName(const RunContext& run) {
  for (const std::string& name :
       {Trim(run.s().Text("RSS.Title")), Trim(run.s().Text("Page.Title")), Trim(run.texts.title)}) {
    if (!name.empty()) return name;
  }
  return std::string(kShippedTitle);
}

std::string PageTitle(const RunContext& run, std::string_view page) {
  const std::string own = Trim(run.texts.title);
  const std::string name = own.empty() || own == kShippedTitle ? CalendarName(run) : own;
  if (page.empty()) return name;
  return name + std::string(kDash) + std::string(page);
}

bool IsAbsoluteAddress(std::string_view address) {
  const std::string lower = ToLower(Trim(address));
  for (std::string_view scheme : {"http://", "https://"}) {
    if (lower.rfind(scheme, 0) == 0) {
      const std::string rest = lower.substr(scheme.size());
      return !rest.empty() && rest[0] != '/' && rest.find(' ') == std::string::npos;
    }
  }
  return false;
}

std::string SiteBase(const RunContext& run) {
  const std::string page = Trim(run.s().Text("Publish.URL"));
  if (IsAbsoluteAddress(page)) {
    const size_t scheme = page.find("://") + 3;
    const size_t slash = page.rfind('/');
    if (slash == std::string::npos || slash < scheme) return page + "/";
    return page.substr(0, slash + 1);
  }
  const std::string feed = ReplaceAll(Trim(run.s().Text("RSS.FileURL")), "rss.xml", "");
  if (IsAbsoluteAddress(feed)) return feed.back() == '/' ? feed : feed + "/";
  return "";
}

}  // namespace almanix::generator
