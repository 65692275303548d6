#include "publish/publish_editor.h"

#include <cstdio>
#include <ctime>
#include <exception>

#include "app/dates.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/ui_seam.h"
#include "publish/galleries.h"
#include "publish/language_texts.h"
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

}  // namespace

std::string NoYearDataMessage(int year) {
  const std::string y = std::to_string(year);
  return "Data for " + y +
         " has not yet been created. To create this year, close this page, and select " + y +
         " in the calendar on the main screen ";
}

PublishEditor::PublishEditor(TDir& dir, std::string country, TLog* log, UiSeam* ui)
    : dir_(dir), current_year_(ClockYear()) {
  env_.dir = &dir;
  env_.log = log;
  env_.ui = ui;
  env_.context.country = std::move(country);
  env_.context.build_dir = dir.BuildDir;
  env_.context.year = current_year_;
  settings = PublishSettings(env_.context);
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
    for (q.First(); !q.Eof(); q.Next()) categories.push_back(q.AsString("Name"));
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
  const std::string config = WithTrailingSlash(dir_.ConfigDir);
  for (const TextFileDef& def : kTextFiles) {
    const std::string path = config.empty() ? "" : FindNoCase(config, def.name);
    if (path.empty() || !FileExists(path)) {
      settings.set_text_file(def.file, BuiltInText(def.file));
      continue;
    }
    Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes.ok()) {
      ShowMessage(std::string(kDefaultTextsError) + " " + bytes.status().message());
      return;
    }
    settings.set_text_file(def.file, DecodeText(bytes.value()));
  }
}

std::string PublishEditor::Favorite() const {
  return FavoriteName(settings.Text("Publish.FileName"));
}

std::string PublishEditor::FavoriteFolder() const {
  return WithTrailingSlash(dir_.FavoritesDir) + Favorite() + "/";
}

Status PublishEditor::Load(const std::string& folder) {
  return LoadPublishSettings(folder, env_, &settings, &window);
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
  window.chkIframe = window.chkObject = window.chkPaste = false;
  s.SetBool("Page.Embed", false);
  s.SetBool("Page.Insert", false);
  s.SetBool("List.Box", false);
  s.SetBool("Formatting.ShowSingleHTMLPage", false);
  s.SetText("Formatting.Target", "");
  if (apply_size_preset) apply_size_preset();
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

void PublishEditor::ShowMessage(const std::string& text) {
  if (env_.log != nullptr) env_.log->Info("Publish " + text);
  if (env_.ui != nullptr) env_.ui->ShowMessage(text);
}

}  // namespace almanix::publish
