#include "desktop/style_editor.h"

#include <filesystem>

#include "app/dir.h"
#include "app/file_util.h"
#include "settings/publish_editor.h"

namespace almanix::desktop {

std::vector<std::string> StyleBlockNames() {
  return {"Canvas", "Table", "Month caption", "Weekdays", "Date", "Holidays", "Events", "Photo"};
}

publish::CssBlock* StyleBlock(publish::StyleCss& css, std::string_view name) {
  if (name == "Photo") return &css.photo;
  if (name == "Canvas") return &css.canvas;
  if (name == "Table") return &css.table;
  if (name == "Month caption") return &css.caption;
  if (name == "Weekdays") return &css.weekdays;
  if (name == "Date") return &css.date;
  if (name == "Holidays") return &css.holidays;
  if (name == "Events") return &css.events;
  return nullptr;
}

std::vector<std::string> PictureParts() {
  return {"Page", "Canvas", "Table", "Month caption", "Weekdays", "Date", "Holidays", "Events"};
}

std::string* PictureOf(publish::StyleInfo& info, std::string_view part) {
  if (part == "Page") return &info.bg_page;
  if (part == "Canvas") return &info.bg_canvas;
  if (part == "Table") return &info.bg_table;
  if (part == "Month caption") return &info.bg_caption;
  if (part == "Weekdays") return &info.bg_weekday;
  if (part == "Date") return &info.bg_date;
  if (part == "Holidays") return &info.bg_holiday;
  if (part == "Events") return &info.bg_event;
  return nullptr;
}

StyleEditorSession::StyleEditorSession(publish::PublishEditor& editor,
                                       publish::StyleLibrary::Draft draft)
    : editor_(editor),
      draft_(std::move(draft)),
      folder_name_(draft_.name),
      saved_settings_(editor.settings),
      saved_window_(editor.window) {
  publish::PublishSettings& s = editor_.settings;
  s.SetText("Page.Title", "");
  s.set_text_file(publish::TextFile::kTitle, "");
  s.set_text_file(publish::TextFile::kHeader, "");
  s.SetInt("Publish.EndYear", s.Int("Publish.StartYear"));
  s.SetInt("Publish.EndMonth", s.Int("Publish.StartMonth"));
  s.SetBool("Contents.ShowNavMenu", false);
  s.SetBool("Contents.ShowActionBar", false);
}

StyleEditorSession::~StyleEditorSession() {
  editor_.settings = saved_settings_;
  editor_.window = saved_window_;
}

std::string StyleEditorSession::Folder() const {
  return WithTrailingSlash(editor_.environment().dir->StylesDir) + folder_name_ + "/";
}

std::string StyleEditorSession::SheetText() const {
  return publish::StyleSheetText(draft_.info, draft_.css);
}

Result<std::string> StyleEditorSession::TakePicture(const std::string& source) const {
  if (source.empty()) return std::string();
  const std::string name = BaseName(source);
  if (!FileExists(source) || !publish::IsPlainName(name)) {
    return Status::Invalid("Not a picture file: " + source);
  }
  const std::string target = Folder() + name;
  std::error_code ec;
  // The style's own picture chosen again needs no copy.
  if (!std::filesystem::equivalent(source, target, ec)) {
    // A link in the picture's place is replaced, never written through.
    if (std::filesystem::is_symlink(target, ec)) std::filesystem::remove(target, ec);
    std::filesystem::copy_file(source, target,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return Status::IoError("Cannot copy " + source + " to " + target + ": " + ec.message());
  }
  return name;
}

Status StyleEditorSession::SetPicture(std::string_view part, const std::string& source) {
  std::string* field = PictureOf(draft_.info, part);
  if (field == nullptr) return Status::Invalid("No picture for " + std::string(part));
  Result<std::string> name = TakePicture(source);
  if (!name.ok()) return name.status();
  *field = name.value();
  return Status::Ok();
}

Status StyleEditorSession::SetMonthPhoto(int month, const std::string& source) {
  if (month < 1 || month > 12) return Status::Invalid("No such month");
  Result<std::string> name = TakePicture(source);
  if (!name.ok()) return name.status();
  draft_.info.month_photos[static_cast<size_t>(month - 1)] = name.value();
  return Status::Ok();
}

Result<std::string> StyleEditorSession::Preview(generator::GeneratorEnv env) {
  if (Status s = publish::WriteStyleSheet(Folder() + "Style.css", draft_.info, draft_.css);
      !s.ok()) {
    return s;
  }
  generator::Generator generator(editor_, std::move(env));
  generator.state().style_editor_open = true;
  generator.state().preview_run = true;
  const std::string main_page = generator.MainPagePath();
  const RunResult run = generator.GenerateCalendar(editor_.environment().dir->BuildDir,
                                                   main_page, folder_name_);
  if (!run.ok()) return run.ToStatus();
  return main_page;
}

}  // namespace almanix::desktop
