#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "settings/galleries.h"
#include "settings/publish_settings.h"
#include "settings/size_presets.h"

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
inline constexpr std::string_view kAutoSizeMessage = "AutoSizing ic checked, uncheck first";
inline constexpr std::string_view kResetFormattingQuestion =
    "Are you sure you want to reset all formatting to the default?";
inline constexpr std::string_view kResetFormattingError = "Formatting could not be reset";

// "Data for " + year + " has not yet been created. ..." shown when an end
// year without data is chosen.
std::string NoYearDataMessage(int year);

// At the start of every generation run: Page.Insert on when the frame or the
// object method (chkIframe, chkObject) is ticked, off otherwise; Page.Embed
// follows chkPaste.
void ApplyEmbedSwitches(const PublishWindowState& window, PublishSettings* settings);

class PublishEditor {
 public:
  // country is Application.Country (for the holiday set default). dir, log
  // and ui must outlive the editor; log and ui may be null. current_year is
  // the caller's clock's year: the defaults and the year checks use it.
  PublishEditor(TDir& dir, std::string country, TLog* log, UiSeam* ui, int current_year);
  // The same, with the year read from the clock now: for a window opened
  // by the person, where now is the moment.
  PublishEditor(TDir& dir, std::string country, TLog* log, UiSeam* ui);
  // apply_size_preset refers to this editor.
  PublishEditor(const PublishEditor&) = delete;
  PublishEditor& operator=(const PublishEditor&) = delete;

  // Sets the window up for a year and a page name: every key at its
  // default, the category list from the year's category table, the gallery
  // listings and their selections, the favorites list, and the text files
  // from ConfigDir (built-in word lists where ConfigDir has none). Then
  // loads the favorite when its folder exists; otherwise ticks every month
  // and only the current category (a 1-based position in the category
  // list). The size slider follows the calendar width either way. Returns
  // the load's status (Ok when there was nothing to load).
  Status SetUp(store::Database& db, int year, std::string_view page_name,
               int current_category);

  // The favorite named by Publish.FileName, and its folder in FavoritesDir.
  std::string Favorite() const;
  std::string FavoriteFolder() const;

  // Also sets the size slider from the loaded calendar width.
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
  // "Reset Formatting": asks kResetFormattingQuestion (OK/Cancel); on OK
  // deletes the favorite folder with everything in it (pictures and
  // embed.html too) and saves the favorite anew, which makes the folder
  // again. What is formatting, and so goes back to its default: every key
  // outside the Publish, FTP, Proxy and File sections, and every text file
  // (templates and word lists) as a new favorite gets it from ConfigDir, the
  // built-in lists where ConfigDir has none. The four sections kept say
  // what is published and where it goes (page name, range, galleries chosen,
  // destination, upload and proxy accounts, folder), which a person resetting
  // the look does not expect to type again. The embed methods are unticked
  // with Page.Insert and Page.Embed, and the size slider follows the default
  // width. Any failure shows kResetFormattingError; nothing is deleted when
  // the defaults cannot be read or no favorite is named. Cancelled when the
  // question was not answered OK.
  Status ResetFormatting();

  // ---- Calendar size (the slider `Calendar_Sizebar`) ----

  // Moving the slider to a position (0..10, ends taken for beyond): first
  // the event-list box size from the width before the change
  // (ListBoxSizeFor), then the preset's width and units, weekday names
  // (written into the weekday-names editor), row height, month-tab style
  // ("Month Name", or the remembered tab style of the last style applied;
  // nothing when that is empty or not listed) and title size.
  void ApplySizePreset(int position);
  // The slider moved to the position of a width's band; a width in no band
  // leaves it. Nothing else changes.
  void SetSliderFromWidth(int width);
  // The size preset of the current calendar width: the slider set from
  // Page.CalendarWidth, then its preset applied. What apply_size_preset does
  // unless replaced.
  void ApplyCurrentSizePreset();
  // "Standard (960)": 960 px.
  void SetStandardSize();
  int size_position() const { return size_position_; }
  // The label beside the slider: the calendar width and its unit.
  std::string size_label() const;
  // Whether "Show Icon Captions" (Bar_Captions) is shown.
  bool icon_captions_shown() const { return IconCaptionsShownAt(size_position_); }
  // ".." at the smallest size, the name otherwise.
  std::string FitName(std::string_view name) const;

  // ---- Styles ----

  // Clicking a style in the Templates gallery: selects the style of that
  // name (the first when there is none; Publish.StyleName follows). When the
  // style is coupled (CouplingOf), selects its month tabs, toolbar and
  // event list by name (a name not listed leaves that selection), remembers
  // its tab style for the size presets, sets the tab font size, calendar
  // width and units, the event-list box size from that width, the slider
  // from the width, the day row height 3, and puts the style name into
  // edListName. Returns whether the style was coupled.
  bool ApplyStyle(std::string_view name);
  // The month-tab style of the last coupled style applied; empty before.
  const std::string& style_tab_style() const { return style_tab_style_; }

  // ---- Embed methods (the Embed tab) ----

  // Ticking chkIframe unticks chkPaste, ticks List.Box and sets
  // Formatting.Target to "_blank"; unticking it clears the target.
  void SetIframe(bool ticked);
  // Ticking chkObject unticks chkIframe and chkPaste, ticks List.Box and
  // sets the target to "_blank"; unticking it clears the target. Either way
  // Page.Insert becomes whether chkIframe or chkObject is ticked.
  void SetObject(bool ticked);
  // Ticking chkPaste clears the target, unticks chkIframe and chkObject and
  // hides the Page.Insert option; unticking it shows the option again.
  // Either way Page.Insert becomes whether chkIframe or chkObject is ticked
  // and Page.Embed follows chkPaste.
  void SetPaste(bool ticked);
  // "clear": unticks the three methods, Page.Insert, Page.Embed and
  // List.Box, clears the target and runs apply_size_preset.
  void ClearEmbed();
  // Whether the Page.Insert option (page_noborder) is shown.
  bool insert_option_shown() const { return insert_option_shown_; }

  // ---- Tab font (Menu.FontSize) ----

  // With Formatting.CalendarAutoSize on, the tab font follows the span of
  // months d = |Publish.EndMonth - Publish.StartMonth|: 7 when d is 11;
  // then 7 when d < 10, 9 when d < 9, 10 when d < 6 (later rules win, so
  // d = 10 leaves it); finally 6 when the start and end years differ.
  // Nothing with autosize off.
  void AutoSizeTabFont();
  // A click on the tab font size field: with autosize on, shows
  // kAutoSizeMessage and returns false (the field stays as it is); true
  // when the field may be edited.
  bool ClickTabFontSize();

  // ---- RSS ----

  // "auto fill from publish settings": RSS.FileURL from Publish.URL with
  // every "Calendar.html" replaced by "rss.xml"; an empty RSS.Title becomes
  // Page.Title, an empty RSS.Description Page.Title + " RSS feed."; RSS.URL
  // becomes the toolbar home address of the window (Bar_Home2).
  void AutoFillRss();

  // The clock's year, for the end-year rule; tests set their own.
  void set_current_year(int year) { current_year_ = year; }
  // Applies the size preset of the current calendar width; run by the embed
  // "clear" (and so by ResetSettings) when set. ApplyCurrentSizePreset
  // unless the window replaces it.
  std::function<void()> apply_size_preset;

  const PublishEnvironment& environment() const { return env_; }

  PublishSettings settings;
  PublishWindowState window;
  // The event-list style name field (the "Save" of the event lists).
  std::string edListName;

 private:
  void ShowMessage(const std::string& text);
  void FixMonths();
  void LoadDefaultTexts();
  void ListGalleries();
  // Selects the entry of that name in a gallery held in the settings by
  // position; an empty or unlisted name leaves the selection.
  void SelectGalleryEntry(Gallery gallery, std::string_view name);
  void SetWeekdayNames(const std::vector<std::string>& names);
  Status FailReset(const std::string& why);

  TDir& dir_;
  PublishEnvironment env_;
  int current_year_;
  int size_position_ = 0;
  std::string style_tab_style_;
  bool insert_option_shown_ = true;
};

}  // namespace almanix::publish
