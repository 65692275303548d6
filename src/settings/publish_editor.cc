#include "settings/publish_editor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>

#include "app/dates.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "platform/secret_store.h"
#include "settings/galleries.h"
#include "settings/language_texts.h"
#include "settings/style_library.h"
#include "store/db_engine.h"

namespace almanix::publish {
namespace {

int ClockYear() {
  return DecodeDateTime(FromTimeT(std::time(nullptr))).year;
}

// The built-in text of a file ConfigDir does not hold.
std::string BuiltInText(TextFile file) {
  switch (file) {
    case TextFile::kMonths:
    case TextFile::kFileNames:
      return DefaultMonthNames().ToText();
    case TextFile::kWeekdays:
      return DefaultWeekdayNames().ToText();
    case TextFile::kTranslate:
      return DefaultPhrases().ToText();
    case TextFile::kMacros:
      return DefaultMacros().ToText();
    default:
      return {};
  }
}

// Every text file as a new favorite starts: ConfigDir's file where it has
// one, the built-in text otherwise. Stops at a file that is there but cannot
// be read (files before it are set) with kDefaultTextsError, a blank and
// the error.
Status ReadDefaultTexts(const TDir& dir, PublishSettings* settings) {
  const std::string config = WithTrailingSlash(dir.ConfigDir);
  for (const TextFileDef& def : kTextFiles) {
    const std::string path = config.empty() ? "" : FindNoCase(config, def.name);
    if (path.empty() || !FileExists(path)) {
      settings->set_text_file(def.file, BuiltInText(def.file));
      continue;
    }
    Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes.ok()) {
      return Status::IoError(std::string(kDefaultTextsError) + " " + bytes.status().message());
    }
    settings->set_text_file(def.file, DecodeText(bytes.value()));
  }
  return Status::Ok();
}

// The sections that say what is published and where; Reset Formatting
// keeps them.
bool KeptByFormattingReset(std::string_view section) {
  return section == "Publish" || section == "FTP" || section == "Proxy" || section == "File";
}

}  // namespace

void ApplyEmbedSwitches(const PublishWindowState& window, PublishSettings* settings) {
  settings->SetBool("Page.Insert", window.chkIframe || window.chkObject);
  settings->SetBool("Page.Embed", window.chkPaste);
}

std::string NoYearDataMessage(int year) {
  const std::string y = std::to_string(year);
  return "Data for " + y +
         " has not yet been created. To create this year, close this page, and select " + y +
         " in the calendar on the main screen ";
}

PublishEditor::PublishEditor(TDir& dir, std::string country, TLog* log, UiSeam* ui)
    : PublishEditor(dir, std::move(country), log, ui, ClockYear()) {}

PublishEditor::PublishEditor(TDir& dir, std::string country, TLog* log, UiSeam* ui,
                             int current_year)
    : dir_(dir), current_year_(current_year) {
  env_.dir = &dir;
  env_.log = log;
  env_.ui = ui;
  env_.secrets = platform::ProgramSecretStore();
  env_.context.country = std::move(country);
  env_.context.build_dir = dir.BuildDir;
  env_.context.year = current_year_;
  settings = PublishSettings(env_.context);
  SetSliderFromWidth(settings.Int("Page.CalendarWidth"));
  apply_size_preset = [this] { ApplyCurrentSizePreset(); };
}

Status PublishEditor::SetUp(store::Database& db, int year, std::string_view page_name,
                            int current_category) {
  const std::string page = CompletePageName(page_name);
  env_.context.build_dir = dir_.BuildDir;
  env_.context.year = year;
  env_.context.favorite_name = FavoriteName(page);
  settings = PublishSettings(env_.context);
  settings.SetText("Publish.FileName", page);
  window = PublishWindowState{};

  std::vector<std::string> months;
  for (int m = 1; m <= 12; ++m) months.emplace_back(LongMonthName(m));
  window.chkMonths.SetItems(std::move(months));
  window.chkYears.SetItems({std::to_string(year)});

  std::vector<std::string> categories;
  store::Query q(db);
  if (Status s = q.Open("Select * from calendar" + std::to_string(year)); s.ok()) {
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
      categories.push_back(q.AsString("Name"));
    }
  } else if (env_.log != nullptr) {
    env_.log->Error("Publish.SetUp " + s.message());
  }
  window.chkCalendars.SetItems(std::move(categories));

  ListGalleries();
  try {
    window.AutoList = ListFavorites(dir_.FavoritesDir);
  } catch (const std::exception&) {
    ShowMessage("Favorites could not be loaded");
  }
  LoadDefaultTexts();

  if (!env_.context.favorite_name.empty() && DirectoryExists(FavoriteFolder())) {
    return Load(FavoriteFolder());
  }
  window.chkMonths.TickAll();
  window.chkCalendars.Tick(current_category - 1);
  SetSliderFromWidth(settings.Int("Page.CalendarWidth"));
  return Status::Ok();
}

void PublishEditor::ListGalleries() {
  try {
    window.Style = ListGallery(dir_, Gallery::kStyles);
    window.style_index = SelectAfterListing(Gallery::kStyles, window.Style, std::nullopt,
                                            settings.Text("Publish.StyleName"));
    window.Menus = ListGallery(dir_, Gallery::kTabs);
    settings.SetInt("Publish.ShowMenu",
                    SelectAfterListing(Gallery::kTabs, window.Menus, std::nullopt).value_or(0));
    window.ActionBars = ListGallery(dir_, Gallery::kActionBars);
    settings.SetInt(
        "Publish.ActionBarIndex",
        SelectAfterListing(Gallery::kActionBars, window.ActionBars, std::nullopt).value_or(0));
    window.Lists = ListGallery(dir_, Gallery::kLists);
    settings.SetInt("Publish.List",
                    SelectAfterListing(Gallery::kLists, window.Lists, std::nullopt).value_or(0));
  } catch (const std::exception&) {
    ShowMessage("Styles could not be loaded");
  }
}

void PublishEditor::LoadDefaultTexts() {
  if (Status s = ReadDefaultTexts(dir_, &settings); !s.ok()) ShowMessage(s.message());
}

std::string PublishEditor::Favorite() const {
  return FavoriteName(settings.Text("Publish.FileName"));
}

std::string PublishEditor::FavoriteFolder() const {
  return WithTrailingSlash(dir_.FavoritesDir) + Favorite() + "/";
}

Status PublishEditor::Load(const std::string& folder) {
  Status status = LoadPublishSettings(folder, env_, &settings, &window);
  SetSliderFromWidth(settings.Int("Page.CalendarWidth"));
  return status;
}

Status PublishEditor::Save(const std::string& folder) {
  return SavePublishSettings(folder, env_, &settings, &window);
}

void PublishEditor::SetStartYear(int year) {
  settings.SetInt("Publish.StartYear", year);
  if (year > settings.Int("Publish.EndYear")) settings.SetInt("Publish.EndYear", year);
}

void PublishEditor::SetEndYear(int year) {
  if (FindNoCase(dir_.DbDir, "year" + std::to_string(year) + ".db").empty()) {
    ShowMessage(NoYearDataMessage(year));
    year = current_year_;
  }
  settings.SetInt("Publish.EndYear", year);
  if (year < settings.Int("Publish.StartYear")) settings.SetInt("Publish.StartYear", year);
}

void PublishEditor::SetStartMonth(int month) {
  settings.SetInt("Publish.StartMonth", month);
  FixMonths();
}

void PublishEditor::SetEndMonth(int month) {
  settings.SetInt("Publish.EndMonth", month);
  FixMonths();
}

void PublishEditor::FixMonths() {
  if (settings.Int("Publish.StartYear") == settings.Int("Publish.EndYear") &&
      settings.Int("Publish.EndMonth") < settings.Int("Publish.StartMonth")) {
    settings.SetInt("Publish.EndMonth", settings.Int("Publish.StartMonth"));
  }
}

void PublishEditor::LeavePageName() {
  settings.SetText("Publish.FileName", CompletePageName(settings.Text("Publish.FileName")));
  settings.SetText("iCal.Link", std::string(kDefaultICalLink) + "ical.ics");
}

void PublishEditor::LeaveICalLink() {
  if (settings.Text("iCal.Link").find("webcal://") != std::string::npos) return;
  ShowMessage(std::string(kICalLinkMessage));
  settings.SetText("iCal.Link", std::string(kDefaultICalLink) + "ical.ics");
}

bool PublishEditor::ResetSettings() {
  if (env_.ui == nullptr ||
      env_.ui->Ask(kResetQuestion, Buttons::kOkCancel, Answer::kCancel) != Answer::kOk) {
    return false;
  }
  PublishSettings& s = settings;
  // 1.
  s.SetBool("Publish.StartSunday", true);
  s.SetBool("Formatting.ShowSingleHTMLPage", false);
  s.SetBool("Calendar.CustomColor", false);
  s.set_text_file(TextFile::kCaption, "");
  s.SetText("Page.Title", "");
  window.edCalendarTitle2.clear();
  // 2. The "Full Screen" size.
  s.SetInt("Page.CalendarWidth", 97);
  s.SetText("Page.CalendarWidthUnits", "%");
  // 3.
  const std::string folder = FavoriteFolder();
  ClearFavoritePicture(FavoritePicture::kLogo, folder, &s);
  ClearFavoritePicture(FavoritePicture::kPage, folder, &s);
  // 4.
  s.SetBool("Print.BreakPage", true);
  s.SetText("Page.PageColor", "#FFFFFF");
  s.SetText("Page.FontColor", "#000000");
  for (TextFile f : {TextFile::kHeader, TextFile::kFooter, TextFile::kHead, TextFile::kTitle}) {
    s.set_text_file(f, "");
  }
  // 5. Embedding off, then the embed and page "clear" buttons.
  s.SetBool("Formatting.ShowSingleHTMLPage", false);
  ClearEmbed();
  s.SetText("Page.EmbedLink", "");
  std::remove((folder + "embed.html").c_str());
  s.SetBool("Page.Embed", false);
  // 6.
  s.SetBool("Contents.ShowNavMenu", true);
  s.SetBool("Contents.ShowNavYear", false);
  s.SetBool("List.CanCreate", true);
  s.SetBool("ActionBar.LinkCalendar", false);
  s.SetBool("Contents.ShowList", false);
  s.SetBool("List.Box", false);
  s.SetBool("List.NewWindow", false);
  s.SetInt("List.Width", 500);
  s.SetInt("List.Height", 500);
  // 7.
  s.SetBool("Formatting.EventUnderline", false);
  s.SetBool("Formatting.EventLocation", false);
  s.SetText("Formatting.EventSeperator", "none");
  s.SetInt("Formatting.EventFontSzie", 8);
  s.SetText("Formatting.TimeFormat", "h:mm ampm");
  s.SetText("Formatting.DateFormat", "mmmm d");
  s.SetBool("Formatting.DateTimeBelow", true);
  s.SetBool("Formatting.EventDateShow", false);
  s.SetText("Formatting.TimeSeperator", "none");
  s.SetInt("Formatting.DateFontSzie", 7);
  s.SetBool("Formatting.PopUpDesc", true);
  s.SetBool("Formatting.PopUp", false);
  s.SetText("Formatting.Target", "");
  s.SetBool("Formatting.UnderlineLinks", true);
  // 8.
  s.SetBool("Contents.ShowActionBar", true);
  s.SetBool("ActionBar.Center", true);
  s.SetBool("ActionBar.Captions", true);
  s.SetBool("ActionBar.Bottom", true);
  s.SetBool("ActionBar.Home", true);
  s.SetBool("Contents.ShowDateUpdated", true);
  s.SetBool("ActionBar.LinkFile", false);
  s.SetBool("Contents.ShowEmail", false);
  s.SetBool("ActionBar.Icons", true);
  // 9.
  s.SetBool("Contents.ShowHolidayIcons", true);
  s.SetBool("Contents.CategoryMerge", true);
  window.Category_WriteIndividual = false;
  s.SetBool("iCal.Share", false);
  s.SetBool("Publish.Attachments", true);
  s.SetBool("FTP.CalendarFile", false);
  return true;
}

Status PublishEditor::ResetFormatting() {
  if (env_.ui == nullptr || env_.ui->Ask(kResetFormattingQuestion, Buttons::kOkCancel,
                                         Answer::kCancel) != Answer::kOk) {
    return Status::Cancelled("Reset Formatting cancelled");
  }
  // Without a favorite name the folder would be FavoritesDir itself.
  if (Favorite().empty()) return FailReset("no favorite named");

  // The new record first, so a failure leaves the folder alone.
  SettingsContext context = env_.context;
  context.favorite_name = Favorite();
  PublishSettings fresh = settings;
  for (int i = 0; i < kSettingCount; ++i) {
    if (!KeptByFormattingReset(kSettingDefs[i].section)) fresh.ResetToDefault(i, context);
  }
  if (Status s = ReadDefaultTexts(dir_, &fresh); !s.ok()) return FailReset(s.message());

  const std::string folder = FavoriteFolder();
  if (DirectoryExists(folder) && !dir_.Zapdir1(folder)) {
    return FailReset("could not delete " + folder);
  }
  settings = std::move(fresh);
  window.chkIframe = window.chkObject = window.chkPaste = false;
  insert_option_shown_ = true;
  window.edCalendarTitle2 = settings.Text("Page.Title");
  window.Category_WriteIndividual = !settings.Bool("Contents.CategoryMerge");
  SetSliderFromWidth(settings.Int("Page.CalendarWidth"));
  if (Status s = Save(folder); !s.ok()) return FailReset(s.message());
  return Status::Ok();
}

Status PublishEditor::FailReset(const std::string& why) {
  if (env_.log != nullptr) env_.log->Error("Publish.ResetFormatting " + why);
  ShowMessage(std::string(kResetFormattingError));
  return Status::IoError(std::string(kResetFormattingError));
}

// ---- Calendar size ----

void PublishEditor::ApplySizePreset(int position) {
  position = std::clamp(position, kSmallestSizePosition, kLargestSizePosition);
  const SizePreset& preset = kSizePresets[position];
  const ListBoxSize box = ListBoxSizeFor(settings.Int("Page.CalendarWidth"),
                                         settings.Text("Page.CalendarWidthUnits"));
  settings.SetInt("List.Width", box.width);
  settings.SetInt("List.Height", box.height);
  settings.SetInt("Page.CalendarWidth", preset.width);
  settings.SetText("Page.CalendarWidthUnits", std::string(preset.units));
  SetWeekdayNames(PresetWeekdayNames(preset));
  settings.SetInt("Page.Row_Height", preset.row_height);
  SelectGalleryEntry(Gallery::kTabs,
                     preset.month_name_tabs ? kMonthNameTabStyle : style_tab_style_);
  settings.SetText("Page.TitleSize", std::to_string(preset.title_size));
  size_position_ = position;
}

void PublishEditor::SetSliderFromWidth(int width) {
  if (std::optional<int> position = SliderPositionForWidth(width)) size_position_ = *position;
}

void PublishEditor::ApplyCurrentSizePreset() {
  SetSliderFromWidth(settings.Int("Page.CalendarWidth"));
  ApplySizePreset(size_position_);
}

void PublishEditor::SetStandardSize() {
  settings.SetInt("Page.CalendarWidth", kStandardWidth);
  settings.SetText("Page.CalendarWidthUnits", std::string(kStandardUnits));
}

std::string PublishEditor::size_label() const {
  return SizeLabel(settings.Int("Page.CalendarWidth"), settings.Text("Page.CalendarWidthUnits"));
}

std::string PublishEditor::FitName(std::string_view name) const {
  return publish::FitName(name, size_position_);
}

void PublishEditor::SetWeekdayNames(const std::vector<std::string>& names) {
  LanguageTexts texts;
  texts.mutable_weekdays().LoadFromText(settings.text_file(TextFile::kWeekdays));
  texts.SetWeekdayNames(names);
  settings.set_text_file(TextFile::kWeekdays, texts.weekdays().ToText());
}

void PublishEditor::SelectGalleryEntry(Gallery gallery, std::string_view name) {
  if (name.empty()) return;
  const std::vector<std::string>* listing = GalleryListing(window, gallery);
  if (listing == nullptr) return;
  const std::optional<int> position = FindEntry(*listing, name);
  if (!position) return;
  switch (gallery) {
    case Gallery::kTabs:
      settings.SetInt("Publish.ShowMenu", *position);
      break;
    case Gallery::kActionBars:
      settings.SetInt("Publish.ActionBarIndex", *position);
      break;
    case Gallery::kLists:
      settings.SetInt("Publish.List", *position);
      break;
    default:
      break;
  }
}

// ---- Styles ----

bool PublishEditor::ApplyStyle(std::string_view name) {
  // 1. The style of that name, or the first.
  std::optional<int> index = FindEntry(window.Style, name);
  if (!index && !window.Style.empty()) index = 0;
  window.style_index = index;
  const std::string style = window.SelectedStyle();
  if (style.empty()) return false;
  settings.SetText("Publish.StyleName", style);

  // 2. Its coupling; none when CalendarWidth is absent or "0".
  const StyleCoupling coupling =
      CouplingOf(style, ReadStyleInfo(EntrySheetPath(dir_, Gallery::kStyles, style)));
  if (!coupling.coupled) return false;

  // 3. The coupled galleries and sizes. Values that are not of the key's
  // kind (a width "960px") leave the key.
  SelectGalleryEntry(Gallery::kTabs, coupling.menu_style);
  style_tab_style_ = coupling.menu_style;
  SelectGalleryEntry(Gallery::kActionBars, coupling.action_bar_style);
  SelectGalleryEntry(Gallery::kLists, coupling.list_style);
  constexpr const char* kPresetValues = "the size presets hold valid values";
  IgnoreResult(settings.SetValueText(*SettingIndex("Menu.FontSize"), coupling.menu_font_size),
               kPresetValues);
  IgnoreResult(
      settings.SetValueText(*SettingIndex("Page.CalendarWidth"), coupling.calendar_width),
      kPresetValues);
  IgnoreResult(settings.SetValueText(*SettingIndex("Page.CalendarWidthUnits"),
                                     coupling.calendar_width_units),
               kPresetValues);

  // 4. The box, the slider and the row height follow the new width.
  const int width = settings.Int("Page.CalendarWidth");
  const ListBoxSize box = ListBoxSizeFor(width, settings.Text("Page.CalendarWidthUnits"));
  settings.SetInt("List.Width", box.width);
  settings.SetInt("List.Height", box.height);
  SetSliderFromWidth(width);
  settings.SetInt("Page.Row_Height", coupling.day_row_height);

  // 5.
  edListName = coupling.list_style_name;
  return true;
}

// ---- Embed methods ----

void PublishEditor::SetIframe(bool ticked) {
  window.chkIframe = ticked;
  if (ticked) {
    window.chkPaste = false;
    settings.SetBool("List.Box", true);
    settings.SetText("Formatting.Target", "_blank");
  } else {
    settings.SetText("Formatting.Target", "");
  }
}

void PublishEditor::SetObject(bool ticked) {
  window.chkObject = ticked;
  if (ticked) {
    window.chkIframe = window.chkPaste = false;
    settings.SetBool("List.Box", true);
    settings.SetText("Formatting.Target", "_blank");
  } else {
    settings.SetText("Formatting.Target", "");
  }
  settings.SetBool("Page.Insert", window.chkIframe || window.chkObject);
}

void PublishEditor::SetPaste(bool ticked) {
  window.chkPaste = ticked;
  if (ticked) {
    settings.SetText("Formatting.Target", "");
    window.chkIframe = window.chkObject = false;
  }
  settings.SetBool("Page.Insert", window.chkIframe || window.chkObject);
  settings.SetBool("Page.Embed", window.chkPaste);
  insert_option_shown_ = !ticked;
}

void PublishEditor::ClearEmbed() {
  window.chkIframe = window.chkObject = window.chkPaste = false;
  settings.SetBool("Page.Insert", false);
  settings.SetBool("Page.Embed", false);
  settings.SetBool("List.Box", false);
  settings.SetText("Formatting.Target", "");
  if (apply_size_preset) apply_size_preset();
}

// ---- Tab font ----

void PublishEditor::AutoSizeTabFont() {
  if (!settings.Bool("Formatting.CalendarAutoSize")) return;
  const int d = std::abs(settings.Int("Publish.EndMonth") - settings.Int("Publish.StartMonth"));
  if (d == 11) settings.SetInt("Menu.FontSize", 7);
  if (d < 10) settings.SetInt("Menu.FontSize", 7);
  if (d < 9) settings.SetInt("Menu.FontSize", 9);
  if (d < 6) settings.SetInt("Menu.FontSize", 10);
  if (settings.Int("Publish.StartYear") != settings.Int("Publish.EndYear")) {
    settings.SetInt("Menu.FontSize", 6);
  }
}

bool PublishEditor::ClickTabFontSize() {
  if (!settings.Bool("Formatting.CalendarAutoSize")) return true;
  ShowMessage(std::string(kAutoSizeMessage));
  return false;
}

// ---- RSS ----

void PublishEditor::AutoFillRss() {
  settings.SetText("RSS.FileURL",
                   ReplaceAll(settings.Text("Publish.URL"), "Calendar.html", "rss.xml"));
  if (settings.Text("RSS.Title").empty()) {
    settings.SetText("RSS.Title", settings.Text("Page.Title"));
  }
  if (settings.Text("RSS.Description").empty()) {
    settings.SetText("RSS.Description", settings.Text("Page.Title") + " RSS feed.");
  }
  settings.SetText("RSS.URL", window.Bar_Home2);
}

void PublishEditor::ShowMessage(const std::string& text) {
  if (env_.log != nullptr) env_.log->Info("Publish " + text);
  if (env_.ui != nullptr) env_.ui->ShowMessage(text);
}

}  // namespace almanix::publish
