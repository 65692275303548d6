#pragma once

#include <string>
#include <string_view>

// What a page says about itself and its calendar: the language code for
// <html lang>, the title that names the calendar and the page, and the
// published calendar's absolute address where it is known.
namespace almanix::generator {

struct RunContext;

// The language code of the calendar: the code after the ":" of
// RSS.Language ("English (United States): en-us" gives "en-US"), "en" when
// there is none. Only letters, digits and "-" are kept.
std::string PageLanguage(const RunContext& run);

// "<html lang=\"en-US\">", the opening of every page.
std::string HtmlOpening(const RunContext& run);

// The calendar's name: RSS.Title, else Page.Title, else the title text.
std::string CalendarName(const RunContext& run);

// A page title that names the calendar and the page: "Riverside Community
// Club – April 2025". A title text of the person's own (not the shipped
// "Calendar") stands in front instead of the calendar's name. HTML-ready.
std::string PageTitle(const RunContext& run, std::string_view page);

// Whether the text is an absolute web address with a host ("http://" alone
// is not).
bool IsAbsoluteAddress(std::string_view address);

// The published folder's absolute address, ending in "/": from Publish.URL
// (its last path part dropped), else from RSS.FileURL (rss.xml dropped);
// empty when neither is an absolute address.
std::string SiteBase(const RunContext& run);

}  // namespace almanix::generator
