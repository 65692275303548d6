#include "desktop/style_editor.h"

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
