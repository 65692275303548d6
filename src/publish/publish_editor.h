#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/status.h"
#include "publish/publish_settings.h"

namespace almanix {
class TDir;
class TLog;
class UiSeam;
namespace store {
class Database;
}  // namespace store
}  // namespace almanix

// The Format & Publish window without its widgets: the record of the
// favorite being edited, the window's own state, and the rules its controls
// follow. The desktop binds widgets to it; the CLI and the generator use it
// as it is.
namespace almanix::publish {

inline constexpr std::string_view kResetQuestion =
    "You are about to reset some settings to their defaults. \r\nOnly the settings the "
    "most likely to cause problems will be reset. \nTo  reset all settings, delete this "
    "category template from the application settings screen ";
inline constexpr std::string_view kICalLinkMessage = "Link needs to begin with \"webcal://\"";
inline constexpr std::string_view kDefaultTextsError =
    "Error when loadding either title,header,footer,caption,head,months,weehdays,phrases "
    "text file";

// "Data for " + year + " has not yet been created. ..." shown when an end
// year without data is chosen.
std::string NoYearDataMessage(int year);

class PublishEditor {
 public:
  // country is Application.Country (for the holiday set default). dir, log
  // and ui must outlive the editor; log and ui may be null.
  PublishEditor(TDir& dir, std::string country, TLog* log, UiSeam* ui);

  // Sets the window up for a year and a page name: every key at its
  // default, the category list from the year's category table, the gallery
  // listings and their selections, the favorites list, and the text files
  // from ConfigDir (built-in word lists where ConfigDir has none). Then
  // loads the favorite when its folder exists; otherwise ticks every month
  // and only the current category (a 1-based position in the category
  // list). Returns the load's status (Ok when there was nothing to load).
  Status SetUp(store::Database& db, int year, std::string_view page_name,
               int current_category);

  // The favorite named by Publish.FileName, and its folder in FavoritesDir.
  std::string Favorite() const;
  std::string FavoriteFolder() const;

  Status Load(const std::string& folder);
  Status Save(const std::string& folder);
  // Save into FavoriteFolder().
  Status Save() { return Save(FavoriteFolder()); }

  // ---- Control rules ----

  // The range stays in order: a start year above the end year moves the end
  // year up; an end year below the start year moves the start year down.
  // An end year without a year table in DbDir shows NoYearDataMessage and
  // goes back to the current year.
  void SetStartYear(int year);
  void SetEndYear(int year);
  // Within one year the end month never lies before the start month.
  void SetStartMonth(int month);
  void SetEndMonth(int month);
  // Leaving the page-name field: ".html" added when missing, and the iCal
  // link set to the placeholder address + "ical.ics".
  void LeavePageName();
  // Leaving the iCal link field: a link without "webcal://" shows
  // kICalLinkMessage and becomes the placeholder address + "ical.ics".
  void LeaveICalLink();
  // "reset settings?": asks kResetQuestion (OK/Cancel); on OK resets the
  // settings most likely to cause trouble, in the window only. False when
  // cancelled.
  bool ResetSettings();

  // The clock's year, for the end-year rule; tests set their own.
  void set_current_year(int year) { current_year_ = year; }
  // Applies the size preset of the current calendar width (the style
  // library's); called by the reset's embed "clear" when set.
  std::function<void()> apply_size_preset;

  const PublishEnvironment& environment() const { return env_; }

  PublishSettings settings;
  PublishWindowState window;

 private:
  void ShowMessage(const std::string& text);
  void FixMonths();
  void LoadDefaultTexts();
  void ListGalleries();

  TDir& dir_;
  PublishEnvironment env_;
  int current_year_;
};

}  // namespace almanix::publish
