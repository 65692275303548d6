#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

namespace almanix::publish {
class PublishSettings;
}

// The RSS 2.0 feed of the calendar's coming days, and the walk over those
// days that the feed and the event scroller share.
namespace almanix::generator {

struct RunContext;
struct DayRecord;
struct EventRecord;

// One day of the coming-days walk.
struct ComingDay {
  DayNumber date = 0;
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  // The day's row of the year table; null when the table has no row for it.
  const DayRecord* row = nullptr;
};

// Visits, in date order, the days of Publish.StartYear and of the year after
// it; a year is walked only when its year table exists. The start year
// begins at the run's today when that falls in it, every other year on 1
// January. The walk ends when `visit` returns false or after 31 December of
// the year after the start year.
void WalkComingDays(const RunContext& run, const std::function<bool(const ComingDay&)>& visit);

// The month file name (file-name word, with the category pass's index in
// front when categories are written one by one) of the pages that show
// `category`; 0 stands for "no category" and gives the first pass's pages.
std::string MonthFileFor(const RunContext& run, int category, int month);

// The address of a day on the month pages, relative to the published folder:
// month file name + year + page extension + "#M" + month + "D" + day.
std::string DayAnchor(const RunContext& run, int category, const ComingDay& day);

// A local date-time as RFC 822 text in GMT ("Tue, 5 Jan 2010 15:00:00 GMT"):
// moved by gmt_offset hours and rounded to the second. When it lies after
// local_now and future_dates is off, local_now is written instead. Names are
// English whatever the calendar's language.
std::string Rfc822Date(DateTimeValue local, double gmt_offset, DateTimeValue local_now,
                       bool future_dates);

// Text fit for an XML file: bytes that are not UTF-8 read as Windows-1252,
// characters XML 1.0 does not allow (C0 controls other than tab, line feed
// and carriage return; U+FFFE, U+FFFF) dropped.
std::string XmlChars(std::string_view text);

// The channel's title, link and description, never empty: the settings'
// values, else what the publish settings' auto fill would give (the
// calendar's name, its name + " RSS feed.", the main page at the calendar's
// address or the toolbar's home address).
struct FeedChannel {
  std::string title, link, description;
};
FeedChannel ChannelOf(const RunContext& run);

// Whether RSS.GMTOffset holds an offset the person chose: the shipped
// default, which every saved conf.ini holds, means the system's zone.
bool GmtOffsetChosen(const publish::PublishSettings& s);
// Hours east of GMT of the process's zone (TZ) at a local date-time, by the
// zone's rules for that date (summer time included).
double SystemGmtOffset(DateTimeValue local);

class TRss {
 public:
  explicit TRss(const RunContext& run) : run_(run) {}
  // Writes the feed to feed_path and copies its picture and pages
  // (rss.gif, popup.html, fullscreen.html) into the output folder; a missing
  // source is skipped. Returns the failure to write the feed.
  Status Generate(const std::string& output, const std::string& feed_path);

  // The moment the feed is written at (local time); the run's clock
  // (RunContext::now) when unset.
  void set_now(DateTimeValue local_now) {
    now_ = local_now;
    now_set_ = true;
  }

 private:
  void CopyAssets(const std::string& output) const;
  // The items of one day, in feed order.
  std::vector<std::string> DayBlock(const ComingDay& day);
  std::vector<std::string> EventItem(const EventRecord& e, int category, const ComingDay& day);
  std::string DayLink(int category, const ComingDay& day) const;
  std::string Title(const std::string& name, const std::string& date) const;
  // The whole description element around a body already in its final form.
  std::string Description(const std::string& date_text, const std::string& time_text,
                          const std::string& body) const;
  // A body text escaped for the description element's form.
  std::string BodyText(std::string_view text) const;
  std::string PubDate(DateTimeValue local) const;
  // The link line of a holiday or note item; empty (no line) when the
  // calendar's address is not known.
  std::string DayLinkLine(const std::string& day_link) const;
  std::string Guid(const std::string& day_link);

  const RunContext& run_;
  std::string base_;
  int item_number_ = 0;
  DateTimeValue now_ = 0;
  bool now_set_ = false;
  bool html_ = true;
  // Whether the calendar's address is absolute, so the day links are too.
  bool links_known_ = true;
};

}  // namespace almanix::generator
