#include "desktop/publish_form.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <utility>

#include "app/dates.h"
#include "app/dir.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"
#include "settings/style_library.h"

namespace almanix::desktop {
namespace {

using publish::kSettingDefs;
using publish::SettingKind;

constexpr std::string_view kTextPrefix = "Text.";

bool IsColourDefault(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return false;
  return std::all_of(text.begin() + 1, text.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool IsRangeMonth(std::string_view name) {
  return name == "Publish.StartMonth" || name == "Publish.EndMonth";
}

// "CalendarWidthUnits" reads "Calendar Width Units".
std::string Spaced(std::string_view key) {
  std::string out;
  for (size_t i = 0; i < key.size(); ++i) {
    const char c = key[i];
    if (c == '_') {
      out += ' ';
      continue;
    }
    if (i > 0 && std::isupper(static_cast<unsigned char>(c)) &&
        std::islower(static_cast<unsigned char>(key[i - 1]))) {
      out += ' ';
    }
    out += c;
  }
  return out;
}

// The labels a person knows the galleries and a few keys by; the others are
// their section and key, spaced.
std::string LabelOf(const publish::SettingDef& def) {
  static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
      {"Publish.StyleName", "Style"},
      {"Publish.ShowMenu", "Month tabs"},
      {"Publish.ActionBarIndex", "Toolbar"},
      {"Publish.List", "Event list style"},
      {"Publish.FileName", "Page name"},
      {"Publish.DirName", "Folder"},
      {"Publish.URL", "Calendar address"},
      {"Menu.FontSize", "Tab font size"},
      {"Contents.Calendars", "Categories"},
  };
  const std::string name = def.Name();
  for (const auto& [key, label] : kLabels) {
    if (key == name) return std::string(label);
  }
  return std::string(def.section) + " " + Spaced(def.key);
}

std::vector<std::string> MonthNames() {
  std::vector<std::string> names;
  for (int m = 1; m <= 12; ++m) names.emplace_back(LongMonthName(m));
  return names;
}

std::optional<int> WholeNumber(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

const publish::TextFileDef* TextFileNamed(std::string_view name) {
  if (name.substr(0, kTextPrefix.size()) != kTextPrefix) return nullptr;
  name.remove_prefix(kTextPrefix.size());
  for (const auto& def : publish::kTextFiles) {
    if (def.name == name) return &def;
  }
  return nullptr;
}

}  // namespace

FormPageId PageOfSetting(std::string_view section, std::string_view key) {
  if (section == "Publish") {
    if (key == "Destination" || key == "DirName" || key == "URL" || key == "LinkBack") {
      return FormPageId::kDestination;
    }
    if (key == "StyleName" || key == "ShowMenu" || key == "List" || key == "ActionBarIndex") {
      return FormPageId::kLook;
    }
    return FormPageId::kContent;
  }
  if (section == "FTP" || section == "Proxy" || section == "File" || section == "Print" ||
      section == "IndexPage") {
    return FormPageId::kDestination;
  }
  if (section == "Contents") return FormPageId::kContent;
  if (section == "Formatting") {
    return key == "Target" ? FormPageId::kEmbed : FormPageId::kEvents;
  }
  if (section == "Page") {
    if (key == "Insert" || key == "Embed" || key == "EmbedLink" || key == "EmbedKeyword") {
      return FormPageId::kEmbed;
    }
    if (key.substr(0, 5) == "Title" || key.substr(0, 4) == "Logo") return FormPageId::kTexts;
    return FormPageId::kLook;
  }
  if (section == "List" || section == "Small" || section == "Year" || section == "Scroll") {
    return FormPageId::kEvents;
  }
  if (section == "RSS" || section == "iCal") return FormPageId::kFeeds;
  return FormPageId::kLook;  // Calendar, Menu, ActionBar
}

ControlKind ControlOfSetting(int index) {
  const publish::SettingDef& def = kSettingDefs[index];
  if (def.Named("Publish.StyleName")) return ControlKind::kGallery;
  if (IsRangeMonth(def.Name())) return ControlKind::kList;
  switch (def.kind) {
    case SettingKind::kBool:
      return ControlKind::kCheck;
    case SettingKind::kChoice:
    case SettingKind::kRadio:
      return ControlKind::kList;
    case SettingKind::kFreeChoice:
      return ControlKind::kOpenList;
    case SettingKind::kInt:
      return ControlKind::kSpin;
    case SettingKind::kReal:
      return ControlKind::kReal;
    case SettingKind::kPassword:
      return ControlKind::kPassword;
    case SettingKind::kGallery:
      return ControlKind::kGallery;
    default:
      return IsColourDefault(def.default_text) ? ControlKind::kColour : ControlKind::kText;
  }
}

PublishForm::PublishForm(publish::PublishEditor& editor) : editor_(editor) { Build(); }

std::vector<std::string> PublishForm::GalleryItems(publish::Gallery gallery) const {
  const std::vector<std::string>* listing = publish::GalleryListing(editor_.window, gallery);
  return listing ? *listing : std::vector<std::string>{};
}

void PublishForm::Build() {
  pages_ = {{FormPageId::kContent, "Content", {}},     {FormPageId::kLook, "Look", {}},
            {FormPageId::kEvents, "Events", {}},       {FormPageId::kTexts, "Page texts", {}},
            {FormPageId::kEmbed, "Embedding", {}},     {FormPageId::kFeeds, "RSS && iCalendar", {}},
            {FormPageId::kDestination, "Destination", {}}};
  auto page = [this](FormPageId id) -> std::vector<FormField>& {
    return pages_[static_cast<int>(id)].fields;
  };
  page(FormPageId::kLook).push_back({"Size.Slider", "Calendar size", ControlKind::kSlider, {}});
  page(FormPageId::kLook).push_back(
      {"Window.QuickPreview", "Quick Preview (no events)", ControlKind::kCheck, {}});
  page(FormPageId::kEmbed).push_back({"Embed.Iframe", "Frame (iframe)", ControlKind::kCheck, {}});
  page(FormPageId::kEmbed).push_back({"Embed.Object", "Object", ControlKind::kCheck, {}});
  page(FormPageId::kEmbed).push_back({"Embed.Paste", "Paste into page", ControlKind::kCheck, {}});
  page(FormPageId::kDestination).push_back(
      {"Window.AutoUpdate", "Save settings to Favorites", ControlKind::kCheck, {}});

  for (int i = 0; i < publish::kSettingCount; ++i) {
    const publish::SettingDef& def = kSettingDefs[i];
    if (def.kind == SettingKind::kReadOnly || def.kind == SettingKind::kTicks) continue;
    FormField field{def.Name(), LabelOf(def), ControlOfSetting(i), {}};
    if (field.kind == ControlKind::kGallery) {
      field.items = GalleryItems(def.Named("Publish.StyleName") ? publish::Gallery::kStyles : def.gallery);
    } else if (IsRangeMonth(field.name)) {
      field.items = MonthNames();
    } else {
      for (std::string_view item : def.items) field.items.emplace_back(item);
    }
    page(PageOfSetting(def.section, def.key)).push_back(std::move(field));
  }
  for (const auto& def : publish::kTextFiles) {
    page(FormPageId::kTexts).push_back({std::string(kTextPrefix) + std::string(def.name),
                                        std::string(def.name), ControlKind::kTemplate, {}});
  }
}

const FormField* PublishForm::Find(std::string_view name) const {
  for (const FormPage& page : pages_) {
    for (const FormField& field : page.fields) {
      if (field.name == name) return &field;
    }
  }
  return nullptr;
}

std::string PublishForm::Value(std::string_view name) const {
  const publish::PublishWindowState& w = editor_.window;
  auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  if (name == "Size.Slider") return std::to_string(editor_.size_position());
  if (name == "Window.QuickPreview") return flag(w.chkQuickPreview);
  if (name == "Window.AutoUpdate") return flag(w.chkAutoUpdate);
  if (name == "Embed.Iframe") return flag(w.chkIframe);
  if (name == "Embed.Object") return flag(w.chkObject);
  if (name == "Embed.Paste") return flag(w.chkPaste);
  if (const auto* text = TextFileNamed(name)) return editor_.settings.text_file(text->file);
  const std::optional<int> index = publish::SettingIndex(name);
  if (!index) return {};
  const std::string stored = editor_.settings.ValueText(*index);
  if (IsRangeMonth(name)) {
    const std::optional<int> month = WholeNumber(stored);
    return month && *month >= 0 && *month < 12 ? std::string(LongMonthName(*month + 1)) : "";
  }
  if (kSettingDefs[*index].kind == SettingKind::kGallery) {
    return publish::SelectedEntry(editor_.settings, w, kSettingDefs[*index].gallery);
  }
  if (name == "Publish.StyleName") return w.SelectedStyle();
  return stored;
}

Status PublishForm::Change(std::string_view name, std::string_view text) {
  ++revision_;
  publish::PublishEditor& e = editor_;
  publish::PublishWindowState& w = e.window;
  const bool on = text == "1";
  if (name == "Size.Slider") {
    const std::optional<int> position = WholeNumber(text);
    if (!position) return Status::Invalid("The size is a position from 0 to 10");
    e.ApplySizePreset(*position);
    return Status::Ok();
  }
  if (name == "Window.QuickPreview") {
    w.chkQuickPreview = on;
    return Status::Ok();
  }
  if (name == "Window.AutoUpdate") {
    w.chkAutoUpdate = on;
    return Status::Ok();
  }
  if (name == "Embed.Iframe") {
    e.SetIframe(on);
    return Status::Ok();
  }
  if (name == "Embed.Object") {
    e.SetObject(on);
    return Status::Ok();
  }
  if (name == "Embed.Paste") {
    e.SetPaste(on);
    return Status::Ok();
  }
  if (const auto* file = TextFileNamed(name)) {
    e.settings.set_text_file(file->file, std::string(text));
    return Status::Ok();
  }
  const std::optional<int> index = publish::SettingIndex(name);
  if (!index) return Status::NotFound("No such setting: " + std::string(name));
  const publish::SettingDef& def = kSettingDefs[*index];

  if (name == "Publish.StyleName") {
    e.ApplyStyle(text);
    e.AutoSizeTabFont();
    return Status::Ok();
  }
  if (def.kind == SettingKind::kGallery) {
    const std::vector<std::string> items = GalleryItems(def.gallery);
    auto it = std::find(items.begin(), items.end(), text);
    if (it == items.end()) return Status::Invalid("No such entry: " + std::string(text));
    return e.settings.SetValueText(*index, std::to_string(it - items.begin()));
  }
  if (IsRangeMonth(name)) {
    const std::vector<std::string> months = MonthNames();
    auto it = std::find(months.begin(), months.end(), text);
    if (it == months.end()) return Status::Invalid("No such month: " + std::string(text));
    const int month = static_cast<int>(it - months.begin());
    name == "Publish.StartMonth" ? e.SetStartMonth(month) : e.SetEndMonth(month);
    e.AutoSizeTabFont();
    return Status::Ok();
  }
  if (name == "Publish.StartYear" || name == "Publish.EndYear") {
    const std::optional<int> year = WholeNumber(text);
    if (!year) return Status::Invalid("A year is a whole number");
    name == "Publish.StartYear" ? e.SetStartYear(*year) : e.SetEndYear(*year);
    e.AutoSizeTabFont();
    return Status::Ok();
  }
  // The tab font follows the months while autosize is on: the editor says
  // so and the field keeps its value.
  if (name == "Menu.FontSize" && !e.ClickTabFontSize()) {
    return Status::Invalid(std::string(publish::kAutoSizeMessage));
  }
  if (Status s = e.settings.SetValueText(*index, text); !s.ok()) return s;
  if (name == "Publish.FileName") e.LeavePageName();
  if (name == "iCal.Link") e.LeaveICalLink();
  if (name == "Page.CalendarWidth") e.SetSliderFromWidth(e.settings.Int("Page.CalendarWidth"));
  if (name == "Formatting.CalendarAutoSize") e.AutoSizeTabFont();
  return Status::Ok();
}

bool PublishForm::Shown(std::string_view name) const {
  if (name == "Page.Insert") return editor_.insert_option_shown();
  if (name == "ActionBar.Captions") return editor_.icon_captions_shown();
  return Find(name) != nullptr;
}

std::string PublishForm::PreviewPicture(std::string_view name) const {
  const FormField* field = Find(name);
  if (field == nullptr || field->kind != ControlKind::kGallery) return {};
  const std::string entry = Value(name);
  if (entry.empty() || editor_.environment().dir == nullptr) return {};
  const publish::Gallery gallery = name == "Publish.StyleName"
                                       ? publish::Gallery::kStyles
                                       : kSettingDefs[*publish::SettingIndex(name)].gallery;
  return publish::EntryPreviewPath(*editor_.environment().dir, gallery, entry);
}

std::string PublishForm::SizeLabel() const { return editor_.size_label(); }

const publish::TickList& PublishForm::Ticks(TickListId list) const {
  switch (list) {
    case TickListId::kCategories:
      return editor_.window.chkCalendars;
    case TickListId::kMonths:
      return editor_.window.chkMonths;
    default:
      return editor_.window.chkYears;
  }
}

void PublishForm::SetTick(TickListId list, int position, bool ticked) {
  auto& ticks = const_cast<publish::TickList&>(Ticks(list));
  if (position < 0 || position >= ticks.size()) return;
  ++revision_;
  ticks.ticked[position] = ticked;
}

void PublishForm::AutoFillRss() {
  ++revision_;
  editor_.AutoFillRss();
}

void PublishForm::StandardSize() {
  ++revision_;
  editor_.SetStandardSize();
}

void PublishForm::ClearEmbed() {
  ++revision_;
  editor_.ClearEmbed();
}

bool PublishForm::ResetSettings() {
  ++revision_;
  return editor_.ResetSettings();
}

Status PublishForm::ResetFormatting() {
  ++revision_;
  return editor_.ResetFormatting();
}

Status PublishForm::PickPicture(bool logo, const std::string& source) {
  ++revision_;
  const publish::PublishEnvironment& env = editor_.environment();
  if (env.dir == nullptr) return Status::Invalid("no folders here");
  return publish::PickFavoritePicture(
      source, logo ? publish::FavoritePicture::kLogo : publish::FavoritePicture::kPage,
      env.dir->BuildDir, editor_.FavoriteFolder(), &editor_.settings);
}

void PublishForm::ClearPicture(bool logo) {
  ++revision_;
  publish::ClearFavoritePicture(
      logo ? publish::FavoritePicture::kLogo : publish::FavoritePicture::kPage,
      editor_.FavoriteFolder(), &editor_.settings);
}

void PublishForm::ListStyles(publish::StyleLibrary& library) {
  library.Reload();
  publish::PublishWindowState& w = editor_.window;
  w.Style = library.names();
  const std::string selected = library.selected_name();
  auto it = std::find(w.Style.begin(), w.Style.end(), selected);
  w.style_index = it == w.Style.end() ? std::optional<int>()
                                      : std::optional<int>(static_cast<int>(it - w.Style.begin()));
  editor_.settings.SetText("Publish.StyleName", w.SelectedStyle());
  for (FormPage& page : pages_) {
    for (FormField& field : page.fields) {
      if (field.name == "Publish.StyleName") field.items = w.Style;
    }
  }
}

Result<std::string> PublishForm::AddStyle(const publish::StyleLibrary::Editor& edit) {
  ++revision_;
  const publish::PublishEnvironment& env = editor_.environment();
  if (env.dir == nullptr || env.ui == nullptr) return Status::Invalid("no style library here");
  publish::StyleLibrary library(*env.dir, *env.ui);
  library.Reload();
  library.Select(editor_.window.SelectedStyle());
  Result<std::string> added = library.AddStyle(editor_.Favorite(), edit);
  ListStyles(library);
  if (added.ok()) {
    editor_.ApplyStyle(added.value());
    editor_.AutoSizeTabFont();
  }
  return added;
}

void PublishForm::OfferItems(std::string_view name, const std::vector<std::string>& items) {
  for (FormPage& page : pages_) {
    for (FormField& field : page.fields) {
      if (field.name != name || field.kind != ControlKind::kOpenList) continue;
      for (const std::string& item : items) {
        if (std::find(field.items.begin(), field.items.end(), item) == field.items.end()) {
          field.items.push_back(item);
        }
      }
    }
  }
}

Status PublishForm::RunStyleCommand(StyleCommand command) {
  ++revision_;
  const publish::PublishEnvironment& env = editor_.environment();
  if (env.dir == nullptr || env.ui == nullptr) return Status::Invalid("no style library here");
  publish::StyleLibrary library(*env.dir, *env.ui);
  library.Reload();
  library.Select(editor_.window.SelectedStyle());
  Status status;
  switch (command) {
    case StyleCommand::kRename:
      status = library.RenameSelected();
      break;
    case StyleCommand::kDelete:
      status = library.DeleteSelected();
      break;
    case StyleCommand::kExport:
      status = library.ExportSelected();
      break;
    case StyleCommand::kImport: {
      Result<std::string> imported = library.ImportFromPick();
      status = imported.status();
      break;
    }
  }
  ListStyles(library);
  return status;
}

}  // namespace almanix::desktop
