#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "generator/day_cell.h"
#include "settings/style_library.h"

// The month pages of a run, with the small calendar page of each and the
// year page that grows over the whole run. Every fragment of a month grid
// that the small or the year page shows is written to their streams at the
// same time, so the three views always agree.
namespace almanix::generator {

struct RunContext;

class TCal {
 public:
  // The streams a line goes to.
  enum Target : unsigned {
    kMonthBody = 1,
    kSmallBody = 2,
    kYearBody = 4,
    kMonthHead = 8,
    kSmallHead = 16,
    kYearHead = 32,
    kAllBodies = kMonthBody | kSmallBody | kYearBody,
    kSmallYearBodies = kSmallBody | kYearBody,
    kAllHeads = kMonthHead | kSmallHead | kYearHead,
  };

  explicit TCal(RunContext& run);

  // One month page (all months of the page in single-page mode) and its
  // small page, saved into the output folder; the year streams grow.
  // small_menu and month_menu are the navigation HTML of the page; month is
  // the last month of the page. Both files are steps of the run; the first
  // failure is returned.
  Status WriteMonthPage(const std::string& output, int year, const std::vector<int>& months,
                        const std::string& small_menu, const std::string& month_menu,
                        const std::string& output_file, std::string_view style_name, int month);
  // Closes and saves the year page (a step of the run).
  Status FinishYearPage(const std::string& path);

  int pages_written() const { return pages_written_; }
  const Legends& legends() const { return legends_; }
  DayCellRenderer& cells() { return cells_; }

 private:
  void Add(unsigned targets, std::string_view line);
  // A template text (header.txt, ...) as lines of its own.
  void AddText(unsigned targets, std::string_view text);
  void WriteHead(bool standalone, int year, const std::vector<int>& months);
  void WriteBodyStart(int year, int month, const std::string& small_menu,
                      const std::string& month_menu);
  void WriteMonthGrid(int year, int month);
  void WriteDayCell(int year, int month, const DayRecord& row,
                    const std::vector<const EventRecord*>& events, int cells);
  void WriteSmallLegend();
  // The month page inside the favorite's embed.html.
  std::string EmbeddedPage(const std::string& embed_template) const;
  std::string WeekdayHeader(int weekday, bool small) const;

  RunContext& run_;
  Legends legends_;
  DayCellRenderer cells_;
  bool small_on_ = false;
  bool year_on_ = false;
  int week_start_ = 1;
  std::string short_form_ = "Short";
  publish::StyleInfo style_;
  std::string style_path_;  // the sheet style_ was read from
  // A month or small page: its head, then its body (from month_head_size_).
  std::string month_page_, small_page_;
  size_t month_head_size_ = 0;
  std::string year_body_, year_head_;
  int pages_written_ = 0;
};

// The caption picture rules of a month grid, for the month's photo.
struct CaptionParts {
  std::string picture_html;
  std::string tile_style;
};
CaptionParts MonthCaptionParts(const publish::StyleInfo& style, int month,
                               const std::string& build_dir);

}  // namespace almanix::generator
