#include "settings/publish_settings.h"

#include <charconv>
#include <cstdio>
#include <system_error>

#include "app/comma_text.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/log.h"
#include "app/scramble.h"
#include "app/text.h"
#include "app/ui_seam.h"

namespace almanix::publish {
namespace {

constexpr char kConfFile[] = "conf.ini";
constexpr std::string_view kPictureExtensions[] = {".jpg", ".gif", ".png"};

const SettingDef& Def(int index) { return kSettingDefs[index]; }

std::string RealText(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

// What conf.ini would give back for a typed text.
std::string AsStored(std::string_view text) {
  return Trim(ReplaceAll(ReplaceAll(text, "\r", " "), "\n", " "));
}

std::optional<int> ItemIndex(const SettingDef& def, std::string_view value) {
  for (size_t i = 0; i < def.items.size(); ++i) {
    if (EqualsIgnoreCase(def.items[i], value)) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string ItemList(const SettingDef& def) {
  std::string out;
  for (std::string_view item : def.items) {
    if (!out.empty()) out += ", ";
    out += "\"" + std::string(item) + "\"";
  }
  return out;
}

// "0,2,5" from the parts that are whole numbers >= 0; the others are
// reported through `bad`.
std::vector<int> ParsePositions(std::string_view text, std::vector<std::string>* bad) {
  std::vector<int> positions;
  for (const std::string& part : SplitCommaText(text)) {
    std::optional<int> n = ParseInt(part);
    if (n && *n >= 0) {
      positions.push_back(*n);
    } else if (bad != nullptr && !Trim(part).empty()) {
      bad->push_back(part);
    }
  }
  return positions;
}

std::string PositionsText(const std::vector<int>& positions) {
  std::string out;
  for (int p : positions) {
    if (!out.empty()) out += ",";
    out += std::to_string(p);
  }
  return out;
}

void Log(const PublishEnvironment& env, bool error, const std::string& message) {
  if (env.log == nullptr) return;
  if (error) {
    env.log->Error(message);
  } else {
    env.log->Info(message);
  }
}

void Show(const PublishEnvironment& env, const std::string& message) {
  if (env.ui != nullptr) env.ui->ShowMessage(message, MessageKind::kError);
}

// Puts the password into the store: an empty one removes what is stored,
// unless the load could not read it.
Status KeepPassword(const PublishEnvironment& env, const PublishSettings& settings, int index,
                    const std::string& favorite) {
  const platform::SecretKey key = PasswordKeyOf(index, settings, favorite);
  const std::string password = settings.ValueText(index);
  if (!password.empty()) return env.secrets->Store(key, password);
  if (settings.password_unread(index)) return Status::Ok();
  return env.secrets->Remove(key);
}

// The window list a position key ticks.
TickList* TicksOf(const SettingDef& def, PublishWindowState* window) {
  if (def.Named("Contents.Calendars")) return &window->chkCalendars;
  if (def.Named("Publish.Months")) return &window->chkMonths;
  if (def.Named("Publish.Years")) return &window->chkYears;
  return nullptr;
}

// One load: conf.ini in memory and what it is applied to.
class Loader {
 public:
  Loader(const std::string& folder, const PublishEnvironment& env,
         PublishSettings* settings, PublishWindowState* window)
      : folder_(folder), env_(env), settings_(settings), window_(window) {
    context_ = env.context;
    context_.favorite_name = BaseName(folder);
    std::string path = FindNoCase(folder, kConfFile);
    if (!path.empty()) {
      ini_.set_path(path);
      // A missing or unreadable file leaves every key at its default.
      if (Status s = ini_.Load(); !s.ok()) Log(env_, true, "Publish.LoadSettings " + s.message());
    }
  }

  void Section(std::string_view section, std::string_view except = {}) {
    for (int i = 0; i < kSettingCount; ++i) {
      if (Def(i).section == section && Def(i).key != except) Key(i);
    }
  }

  void Key(std::string_view name) { Key(*SettingIndex(name)); }

  // False when a required file is missing: the load stops there.
  bool File(TextFile file) {
    const TextFileDef& def = TextFileDefOf(file);
    std::string path = FindNoCase(folder_, def.name);
    if (path.empty() || !FileExists(path)) {
      if (!def.required) return true;
      Log(env_, true, "Publish.LoadSettings missing " + folder_ + std::string(def.name));
      return false;
    }
    Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes.ok()) {
      Log(env_, true, "Publish.LoadSettings " + bytes.status().message());
      return !def.required;
    }
    settings_->set_text_file(file, DecodeText(bytes.value()));
    return true;
  }

  void Finish() {
    if (!bad_.empty()) Log(env_, true, "Publish.LoadSettings not a number: " + bad_);
  }

 private:
  void Key(int index) {
    const SettingDef& def = Def(index);
    const std::string default_text = DefaultText(def, context_);
    const bool present = ini_.ValueExists(def.section, def.key);
    const std::string stored = ini_.ReadString(def.section, def.key, default_text);
    switch (def.kind) {
      case SettingKind::kPassword: {
        std::string plain = stored;
        if (settings_->Bool("FTP.EncyptPassword")) {
          plain = DecodeScrambled(stored, kPublishPasswordKey);
        }
        settings_->set_password_unread(index, false);
        // A password still in conf.ini (an older file) wins; it moves to
        // the store on the next save.
        if (plain.empty() && env_.secrets != nullptr) {
          Result<std::optional<std::string>> found = env_.secrets->Lookup(
              PasswordKeyOf(index, *settings_, context_.favorite_name));
          if (!found.ok()) {
            settings_->set_password_unread(index, true);
            Log(env_, true, "Publish.LoadSettings " + def.Name() + ": " +
                                found.status().message());
          } else if (found.value()) {
            plain = *found.value();
          }
        }
        settings_->ApplyStoredText(index, plain, "");
        return;
      }
      case SettingKind::kGallery:
        GalleryPosition(index, stored);
        return;
      case SettingKind::kTicks:
      case SettingKind::kReadOnly:
        Positions(index, stored);
        return;
      default:
        break;
    }
    if (!settings_->ApplyStoredText(index, stored, default_text) && present) {
      if (!bad_.empty()) bad_ += ", ";
      bad_ += def.Name();
    }
    // Controls the window derives from a key.
    if (def.Named("Publish.LinkBack")) window_->Bar_Home2 = settings_->Text("Publish.LinkBack");
    if (def.Named("Page.Title")) window_->edCalendarTitle2 = settings_->Text("Page.Title");
    if (def.Named("Contents.CategoryMerge")) {
      window_->Category_WriteIndividual = !settings_->Bool("Contents.CategoryMerge");
    }
    if (def.Named("Publish.StyleName")) {
      window_->style_index = SelectByName(window_->Style, settings_->Text("Publish.StyleName"),
                                          window_->style_index);
    }
  }

  // A position beyond the gallery (entries removed since the save) leaves
  // the selection as it was rather than pointing at nothing.
  void GalleryPosition(int index, const std::string& stored) {
    const SettingDef& def = Def(index);
    std::optional<int> position = ParseInt(stored);
    if (!position) {
      if (!bad_.empty()) bad_ += ", ";
      bad_ += def.Name();
      position = ParseInt(def.default_text);
    }
    const std::vector<std::string>* listing = GalleryListing(*window_, def.gallery);
    const int current = ParseInt(settings_->ValueText(index)).value_or(0);
    if (*position >= 0 && listing != nullptr &&
        *position < static_cast<int>(listing->size())) {
      IgnoreResult(settings_->SetValueText(index, std::to_string(*position)),
                   "the position was checked against the listing");
    } else if (*position != current) {
      Log(env_, true, "Publish.LoadSettings " + def.Name() + "=" + std::to_string(*position) +
                          " is beyond the gallery; skipped");
    }
  }

  // Categories removed since the save leave positions beyond the list; they
  // are skipped so that the rest of the favorite still loads.
  void Positions(int index, const std::string& stored) {
    const SettingDef& def = Def(index);
    TickList* list = TicksOf(def, window_);
    std::vector<std::string> bad;
    std::vector<int> positions = ParsePositions(stored, &bad);
    const bool report = def.kind == SettingKind::kTicks;
    if (report && !bad.empty()) {
      Log(env_, true, "Publish.LoadSettings " + def.Name() + " not a position: " +
                          JoinCommaText(bad));
    }
    if (list != nullptr) {
      list->UntickAll();
      for (int p : positions) {
        if (!list->Tick(p) && report) {
          Log(env_, true, "Publish.LoadSettings " + def.Name() + " position " +
                              std::to_string(p) + " is beyond the category list; skipped");
        }
      }
    }
    if (def.kind == SettingKind::kTicks && list != nullptr) {
      IgnoreResult(settings_->SetValueText(index, PositionsText(list->TickedPositions())),
                   "positions of the window's own list are always valid");
    } else {
      // Read only: the record keeps what the file says.
      settings_->ApplyStoredText(index, stored, stored);
    }
  }

  std::string folder_;
  const PublishEnvironment& env_;
  SettingsContext context_;
  PublishSettings* settings_;
  PublishWindowState* window_;
  IniFile ini_;
  std::string bad_;
};

}  // namespace

// ---- Table ----

std::string SettingDef::Name() const {
  return std::string(section) + "." + std::string(key);
}

std::optional<int> FindSetting(std::string_view name) {
  const std::string wanted = Trim(name);
  for (int i = 0; i < kSettingCount; ++i) {
    if (EqualsIgnoreCase(Def(i).Name(), wanted)) return i;
  }
  return std::nullopt;
}

std::string DefaultText(const SettingDef& def, const SettingsContext& context) {
  switch (def.context) {
    case ContextDefault::kNone:
      break;
    case ContextDefault::kBuildDir:
      return context.build_dir;
    case ContextDefault::kOpenedYear:
      return std::to_string(context.year);
    case ContextDefault::kHolidaySet:
      return context.country.find("Other") != std::string::npos ? "Other" : context.country;
    case ContextDefault::kFavoriteName:
      return context.favorite_name;
  }
  return std::string(def.default_text);
}

// ---- Record ----

PublishSettings::PublishSettings(const SettingsContext& context) {
  values_.resize(kSettingCount);
  for (int i = 0; i < kSettingCount; ++i) ResetToDefault(i, context);
}

void PublishSettings::ResetToDefault(int index, const SettingsContext& context) {
  const SettingDef& def = Def(index);
  const std::string text = DefaultText(def, context);
  switch (ValueTypeOf(def.kind)) {
    case ValueType::kBool:
      values_[index] = ParseInt(text).value_or(0) != 0;
      break;
    case ValueType::kInt:
      values_[index] = ParseInt(text).value_or(0);
      break;
    case ValueType::kReal:
      values_[index] = ParseDouble(text).value_or(0);
      break;
    case ValueType::kText:
      values_[index] = text;
      // A context default that is no item of its list shows the first one.
      if (def.kind == SettingKind::kChoice && !ItemIndex(def, text)) {
        values_[index] = std::string(def.items.front());
      }
      break;
  }
}

int PublishSettings::ChoiceIndex(TextSetting name) const {
  return ItemIndex(Def(name.index()), Text(name)).value_or(0);
}

std::string PublishSettings::ValueText(int index) const {
  const Value& value = values_[index];
  if (const bool* b = std::get_if<bool>(&value)) return *b ? "1" : "0";
  if (const int* n = std::get_if<int>(&value)) return std::to_string(*n);
  if (const double* d = std::get_if<double>(&value)) return RealText(*d);
  return std::get<std::string>(value);
}

Status PublishSettings::SetValueText(int index, std::string_view text) {
  const SettingDef& def = Def(index);
  const std::string name = def.Name();
  const std::string clean = AsStored(text);
  switch (def.kind) {
    case SettingKind::kBool: {
      std::optional<int> n = ParseInt(clean);
      if (!n) return Status::Invalid(name + " wants 1 or 0, not \"" + clean + "\"");
      values_[index] = *n != 0;
      return Status::Ok();
    }
    case SettingKind::kInt:
    case SettingKind::kGallery: {
      std::optional<int> n = ParseInt(clean);
      if (!n || (def.kind == SettingKind::kGallery && *n < 0)) {
        return Status::Invalid(name + " wants a whole number, not \"" + clean + "\"");
      }
      values_[index] = *n;
      return Status::Ok();
    }
    case SettingKind::kReal: {
      std::optional<double> d = ParseDouble(clean);
      if (!d) return Status::Invalid(name + " wants a decimal number, not \"" + clean + "\"");
      values_[index] = *d;
      return Status::Ok();
    }
    case SettingKind::kChoice:
    case SettingKind::kRadio: {
      std::optional<int> item = ItemIndex(def, clean);
      if (item) {
        values_[index] = std::string(def.items[*item]);
      } else if (def.kind == SettingKind::kRadio && clean.empty()) {
        values_[index] = std::string();
      } else {
        return Status::Invalid(name + " wants one of " + ItemList(def) + ", not \"" +
                               clean + "\"");
      }
      return Status::Ok();
    }
    case SettingKind::kTicks: {
      std::vector<std::string> bad;
      std::vector<int> positions = ParsePositions(clean, &bad);
      if (!bad.empty()) {
        return Status::Invalid(name + " wants positions from 0 separated by commas, not \"" +
                               clean + "\"");
      }
      values_[index] = PositionsText(positions);
      return Status::Ok();
    }
    case SettingKind::kReadOnly:
      return Status::Invalid(name + " is read only: it is never saved");
    case SettingKind::kPassword:
      // Kept exactly: the secret store holds any text.
      values_[index] = std::string(text);
      return Status::Ok();
    case SettingKind::kText:
    case SettingKind::kFreeChoice:
      values_[index] = clean;
      return Status::Ok();
  }
  return Status::Ok();
}

bool PublishSettings::ApplyStoredText(int index, std::string_view text,
                                      std::string_view default_text) {
  const SettingDef& def = Def(index);
  switch (def.kind) {
    case SettingKind::kBool: {
      std::optional<int> n = ParseInt(text);
      values_[index] = (n ? *n : ParseInt(default_text).value_or(0)) != 0;
      return n.has_value();
    }
    case SettingKind::kInt:
    case SettingKind::kGallery: {
      std::optional<int> n = ParseInt(text);
      values_[index] = n ? *n : ParseInt(default_text).value_or(0);
      return n.has_value();
    }
    case SettingKind::kReal: {
      std::optional<double> d = ParseDouble(Trim(text));
      values_[index] = d ? *d : ParseDouble(default_text).value_or(0);
      return d.has_value();
    }
    case SettingKind::kChoice: {
      std::optional<int> item = ItemIndex(def, text);
      values_[index] = std::string(def.items[item.value_or(0)]);
      return true;
    }
    case SettingKind::kRadio: {
      std::optional<int> item = ItemIndex(def, text);
      values_[index] = item ? std::string(def.items[*item]) : std::string();
      return true;
    }
    default:
      values_[index] = std::string(text);
      return true;
  }
}

bool PublishSettings::password_unread(int index) const {
  for (int i : unread_passwords_) {
    if (i == index) return true;
  }
  return false;
}

void PublishSettings::set_password_unread(int index, bool unread) {
  std::erase(unread_passwords_, index);
  if (unread) unread_passwords_.push_back(index);
}

// ---- Window lists ----

void TickList::SetItems(std::vector<std::string> names) {
  items = std::move(names);
  ticked.assign(items.size(), false);
}

void TickList::UntickAll() { ticked.assign(items.size(), false); }

void TickList::TickAll() { ticked.assign(items.size(), true); }

bool TickList::Tick(int position) {
  if (position < 0 || position >= size()) return false;
  ticked.resize(items.size(), false);
  ticked[position] = true;
  return true;
}

bool TickList::IsTicked(int position) const {
  return position >= 0 && position < static_cast<int>(ticked.size()) && ticked[position];
}

std::vector<int> TickList::TickedPositions() const {
  std::vector<int> out;
  for (int i = 0; i < size(); ++i) {
    if (IsTicked(i)) out.push_back(i);
  }
  return out;
}

std::string PublishWindowState::SelectedStyle() const {
  if (style_index && *style_index >= 0 && *style_index < static_cast<int>(Style.size())) {
    return Style[*style_index];
  }
  return Style.empty() ? std::string() : Style.front();
}

std::vector<int> PublishWindowState::TickedCategoryNumbers() const {
  std::vector<int> numbers;
  for (int p : chkCalendars.TickedPositions()) numbers.push_back(p + 1);
  return numbers;
}

const std::vector<std::string>* GalleryListing(const PublishWindowState& window,
                                               Gallery gallery) {
  switch (gallery) {
    case Gallery::kStyles:
      return &window.Style;
    case Gallery::kTabs:
      return &window.Menus;
    case Gallery::kActionBars:
      return &window.ActionBars;
    case Gallery::kLists:
      return &window.Lists;
    default:
      return nullptr;
  }
}

std::string SelectedEntry(const PublishSettings& settings,
                          const PublishWindowState& window, Gallery gallery) {
  int position = 0;
  switch (gallery) {
    case Gallery::kStyles:
      return window.SelectedStyle();
    case Gallery::kTabs:
      position = settings.Int("Publish.ShowMenu");
      break;
    case Gallery::kActionBars:
      position = settings.Int("Publish.ActionBarIndex");
      break;
    case Gallery::kLists:
      position = settings.Int("Publish.List");
      break;
    default:
      return {};
  }
  const std::vector<std::string>* listing = GalleryListing(window, gallery);
  if (position < 0 || position >= static_cast<int>(listing->size())) return {};
  return (*listing)[position];
}

// ---- Favorites and page names ----

std::vector<std::string> ListFavorites(const std::string& favorites_dir) {
  if (favorites_dir.empty()) return {};
  return SplitCommaText(TDir::ListSubfolders(WithTrailingSlash(favorites_dir), "*"));
}

std::vector<std::string> PageNames(const std::vector<std::string>& favorites) {
  std::vector<std::string> names;
  for (const std::string& f : favorites) names.push_back(f + ".html");
  return names;
}

std::string CompletePageName(std::string_view page_name) {
  if (page_name.empty() || ContainsText(".htm", page_name)) return std::string(page_name);
  return std::string(page_name) + ".html";
}

std::string FavoriteName(std::string_view page_name) {
  const size_t dot = page_name.rfind('.');
  if (dot == std::string_view::npos) return std::string(page_name);
  return ReplaceAll(page_name, page_name.substr(dot), "");
}

// ---- Pictures ----

std::string_view PictureBaseName(FavoritePicture picture) {
  return picture == FavoritePicture::kLogo ? "logo" : "Page";
}

std::string FindFavoritePicture(const std::string& folder, FavoritePicture picture) {
  for (std::string_view ext : kPictureExtensions) {
    std::string path =
        WithTrailingSlash(folder) + std::string(PictureBaseName(picture)) + std::string(ext);
    if (FileExists(path)) return path;
  }
  return {};
}

Status PickFavoritePicture(const std::string& source, FavoritePicture picture,
                           const std::string& build_dir,
                           const std::string& favorite_folder,
                           PublishSettings* settings) {
  Result<std::string> bytes = ReadFileBytes(source);
  if (!bytes.ok()) return bytes.status();
  const std::string name_part = BaseName(source);
  const size_t dot = name_part.rfind('.');
  // Lower case, so that the lookup by ".jpg", ".gif", ".png" finds it.
  const std::string ext = dot == std::string::npos ? "" : ToLower(name_part.substr(dot));
  const std::string name = std::string(PictureBaseName(picture)) + ext;
  if (Status s = TDir::EnsureDir(build_dir); !s.ok()) return s;
  if (Status s = WriteFileAtomically(WithTrailingSlash(build_dir) + name, bytes.value());
      !s.ok()) {
    return s;
  }
  const std::string folder = WithTrailingSlash(favorite_folder);
  if (Status s = TDir::EnsureDir(folder); !s.ok()) return s;
  ClearFavoritePicture(picture, folder, nullptr);
  if (Status s = WriteFileAtomically(folder + name, bytes.value()); !s.ok()) return s;
  if (picture == FavoritePicture::kLogo && settings != nullptr) {
    settings->SetText("Page.Logo", name);
  }
  return Status::Ok();
}

void ClearFavoritePicture(FavoritePicture picture, const std::string& favorite_folder,
                          PublishSettings* settings) {
  const std::string folder = WithTrailingSlash(favorite_folder);
  for (std::string_view ext : kPictureExtensions) {
    std::remove((folder + std::string(PictureBaseName(picture)) + std::string(ext)).c_str());
  }
  if (picture == FavoritePicture::kLogo && settings != nullptr) {
    const std::string& logo = settings->Text("Page.Logo");
    if (!logo.empty() && logo.find('/') == std::string::npos) {
      std::remove((folder + logo).c_str());
    }
    settings->SetText("Page.Logo", "");
  }
}

// ---- Loading and saving ----

Status LoadPublishSettings(const std::string& folder, const PublishEnvironment& env,
                           PublishSettings* settings, PublishWindowState* window) {
  const std::string path = WithTrailingSlash(folder);
  if (!DirectoryExists(path)) return Status::NotFound(path);
  if (env.dir != nullptr) {
    window->AutoList = ListFavorites(env.dir->FavoritesDir);
    env.dir->FavoriteDir = path;
  }
  Loader load(path, env, settings, window);
  auto stop = [&] {
    load.Finish();
    return Status::NotFound(std::string(kLoadFormError));
  };
  load.Section("Publish");
  load.Section("FTP", "Password");
  load.Key("Print.BreakPage");
  load.Key("FTP.Password");
  for (const char* section : {"Proxy", "File", "Contents", "Formatting"}) load.Section(section);
  for (TextFile f : {TextFile::kTitle, TextFile::kHeader, TextFile::kYearHeader,
                     TextFile::kBelowTitle, TextFile::kFooter, TextFile::kCaption,
                     TextFile::kHead}) {
    if (!load.File(f)) return stop();
  }
  for (const char* section : {"Page", "Calendar", "List", "Small", "Year", "Scroll"}) {
    load.Section(section);
  }
  if (!load.File(TextFile::kIndexPage)) return stop();
  load.Section("IndexPage");
  for (TextFile f : {TextFile::kMacros, TextFile::kMonths, TextFile::kFileNames,
                     TextFile::kWeekdays, TextFile::kTranslate}) {
    if (!load.File(f)) return stop();
  }
  for (const char* section : {"RSS", "ActionBar", "Menu", "iCal"}) load.Section(section);
  load.Finish();
  return Status::Ok();
}

Status SavePublishSettings(const std::string& folder, const PublishEnvironment& env,
                           PublishSettings* settings, PublishWindowState* window) {
  const std::string path = WithTrailingSlash(folder);
  if (Status s = TDir::EnsureDir(path); !s.ok() || !DirectoryExists(path)) {
    const std::string message = std::string(kCreateFolderError) + path;
    Log(env, true, "Publish.SaveSettings " + message);
    Show(env, MessageWithCause(message, s));
    return Status::IoError(MessageWithCause(message, s)).WithCause(s.cause());
  }
  // The ticked categories are the window's; the record follows them.
  IgnoreResult(settings->SetValueText(*SettingIndex("Contents.Calendars"),
                                      PositionsText(window->chkCalendars.TickedPositions())),
               "positions of the window's own list are always valid");

  std::string conf = FindNoCase(path, kConfFile);
  IniFile ini(conf.empty() ? path + kConfFile : conf);
  // Keys and sections of other programs in an existing file are kept.
  IgnoreResult(ini.Load(), "a missing or unreadable file is written anew");
  const bool scramble = settings->Bool("FTP.EncyptPassword");
  const std::string favorite = BaseName(path);
  Status kept;
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingDef& def = Def(i);
    if (def.kind == SettingKind::kReadOnly) continue;
    std::string value = settings->ValueText(i);
    if (def.kind == SettingKind::kPassword) {
      Status s = env.secrets != nullptr ? KeepPassword(env, *settings, i, favorite)
                                        : Status::Invalid("no secret store");
      if (s.ok()) {
        value.clear();
      } else {
        // Without a store, or refused by it: in conf.ini as older versions
        // kept it, rather than lost.
        if (env.secrets != nullptr && kept.ok()) kept = s;
        if (scramble) value = EncodeScrambled(value, kPublishPasswordKey);
      }
    }
    ini.WriteString(def.section, def.key, value);
  }
  // It holds the account names (and, in older files, passwords). The fixed
  // message blames the name; the reason the system gave follows it, since a
  // full disk or a read-only folder fails the same way.
  if (Status s = WritePrivateFileAtomically(ini.path(), ini.ToText()); !s.ok()) {
    Log(env, true, "Publish.SaveSettings " + s.message());
    const std::string message = MessageWithCause(kWriteSettingsError, s);
    Show(env, message);
    return Status::IoError(message).WithCause(s.cause());
  }

  Status result;
  for (const TextFileDef& def : kTextFiles) {
    std::string file = FindNoCase(path, def.name);
    if (file.empty()) file = path + std::string(def.name);
    if (Status s = WriteFileAtomically(file, settings->text_file(def.file)); !s.ok()) {
      Log(env, true, "Publish.SaveSettings " + s.message());
      if (result.ok()) result = s;
    }
  }
  if (!result.ok()) {
    const std::string message = MessageWithCause(kWriteSettingsError, result);
    Show(env, message);
    result = Status::IoError(message).WithCause(result.cause());
  }
  if (env.dir != nullptr) window->AutoList = ListFavorites(env.dir->FavoritesDir);
  if (!kept.ok()) {
    const std::string message = "The password could not be stored: " + kept.message();
    Log(env, true, "Publish.SaveSettings " + message);
    Show(env, message);
    return Status::IoError(message);
  }
  return result;
}

platform::SecretKey PasswordKeyOf(int index, const PublishSettings& settings,
                                  const std::string& favorite) {
  if (Def(index).Named("Proxy.Password")) {
    return {"proxy", favorite, Trim(settings.Text("Proxy.Host"))};
  }
  return {"ftp", favorite, Trim(settings.Text("FTP.Host"))};
}

}  // namespace almanix::publish
