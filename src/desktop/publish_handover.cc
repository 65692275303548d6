#include "desktop/publish_handover.h"

#include <algorithm>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "desktop/main_pages.h"
#include "generator/generator.h"
#include "settings/publish_editor.h"
#include "store/db.h"

namespace almanix::desktop {

bool ProgressBarShown(int percent) { return percent >= 1 && percent <= 99; }

// The person's seam with the runs' progress passed on to the preview page's
// bar as well.
class PublishHandOver::Relay : public UiSeam {
 public:
  explicit Relay(UiSeam& inner) : inner_(inner) {}

  void ShowMessage(std::string_view text, MessageKind kind) override {
    inner_.ShowMessage(text, kind);
  }
  Answer Ask(std::string_view text, Buttons buttons, Answer default_answer) override {
    return inner_.Ask(text, buttons, default_answer);
  }
  std::optional<int> Choose(std::string_view prompt, const std::vector<std::string>& choices,
                            int default_index) override {
    return inner_.Choose(prompt, choices, default_index);
  }
  // The bar of the page replaces the program's progress window here: the
  // run happens in front of the page that shows it.
  void Progress(int done, int total) override {
    const int percent = total <= 0 ? 0 : std::clamp(done * 100 / total, 0, 100);
    if (on_window_progress) on_window_progress(percent);
    if (!on_progress) {
      // An open Format & Publish window shows the run on its own bar.
      if (on_window_progress) {
        inner_.ProcessEvents();
      } else {
        inner_.Progress(done, total);
      }
      return;
    }
    on_progress(percent);
    inner_.ProcessEvents();
  }
  void ProcessEvents() override { inner_.ProcessEvents(); }
  // The open Format & Publish window's Cancel, or the progress window's.
  bool Cancelled() override {
    return (window_cancelled && window_cancelled()) || inner_.Cancelled();
  }
  std::optional<std::string> PickPath(PickKind kind, std::string_view caption,
                                      std::string_view start) override {
    return inner_.PickPath(kind, caption, start);
  }
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view initial) override {
    return inner_.AskText(caption, prompt, initial);
  }

  std::function<void(int)> on_progress;
  std::function<void(int)> on_window_progress;
  std::function<bool()> window_cancelled;

 private:
  UiSeam& inner_;
};

PublishHandOver::PublishHandOver(App& app, store::TDB1& data, UiSeam& ui)
    : app_(app),
      data_(data),
      ui_(ui),
      relay_(std::make_unique<Relay>(ui)),
      now_(std::time(nullptr)) {}

PublishHandOver::~PublishHandOver() = default;

void PublishHandOver::set_on_window_progress(std::function<void(int percent)> on_progress) {
  relay_->on_window_progress = std::move(on_progress);
}

void PublishHandOver::set_window_cancelled(std::function<bool()> cancelled) {
  relay_->window_cancelled = std::move(cancelled);
}

generator::GeneratorEnv PublishHandOver::RunEnv() const {
  generator::GeneratorEnv env;
  env.db = &data_.db();
  env.brand_short_url = app_.brand.APP_URL_SHORT;
  env.program_version = ProgramVersion();
  env.now = now_;
  return env;
}

void PublishHandOver::set_on_progress(std::function<void(int percent)> on_progress) {
  relay_->on_progress = std::move(on_progress);
}

std::unique_ptr<publish::PublishEditor> PublishHandOver::NewEditor(int year,
                                                                   std::string_view page_name,
                                                                   int current_category) {
  auto editor = std::make_unique<publish::PublishEditor>(*app_.dir, app_.config->Country,
                                                         app_.log.get(), relay_.get());
  if (Status s = editor->SetUp(data_.db(), year, page_name, current_category); !s.ok()) {
    // The command goes on with the window as far as it was set up.
    ui_.ShowMessage(kLoadPublishFormError, MessageKind::kError);
  }
  return editor;
}

Status PublishHandOver::PublishNow(publish::PublishEditor& editor,
                                   publish::PublishOptions options) {
  publish::DesktopServices& desktop = options.desktop;
  if (!desktop.printer) desktop.printer = desktop_services_.printer;
  if (!desktop.start_page) desktop.start_page = desktop_services_.start_page;
  if (!desktop.capturer) desktop.capturer = desktop_services_.capturer;
  if (!desktop.wallpaper) desktop.wallpaper = desktop_services_.wallpaper;
  generator::Generator generator(editor, RunEnv());
  Status status = publish::PublishNow(editor, generator, options);
  if (relay_->on_progress) relay_->on_progress(0);
  return status;
}

void PublishHandOver::Show(publish::PublishEditor& editor, bool publish_step) {
  if (show_window_) show_window_(editor, publish_step);
}

PreviewOutcome PublishHandOver::RunPreview(publish::PublishEditor& editor, bool use_main_page) {
  generator::Generator generator(editor, RunEnv());
  PreviewOutcome outcome;
  outcome.status = generator.PreviewRun(false);
  if (relay_->on_progress) relay_->on_progress(0);
  if (!outcome.status.ok()) {
    // A refused second run has said so already.
    if (outcome.status.message() != generator::kRunActiveMessage) {
      ui_.ShowMessage(outcome.status.message(), MessageKind::kError);
    }
    return outcome;
  }
  outcome.page = use_main_page ? generator.MainPagePath() : CalendarPage();
  return outcome;
}

PreviewOutcome PublishHandOver::Preview(std::string_view format_name, int year) {
  if (Trim(format_name).empty()) return {};
  const std::string name(format_name);
  // No category is ticked for a name without a favorite until the one of
  // that name is found below.
  auto editor = NewEditor(year, name + ".html", 0);
  if (!DirectoryExists(FavoriteFolder(*app_.dir, name))) {
    const auto& items = editor->window.chkCalendars.items;
    auto it = std::find(items.begin(), items.end(), name);
    if (it != items.end()) editor->window.chkCalendars.Tick(static_cast<int>(it - items.begin()));
  }
  return RunPreview(*editor, false);
}

PreviewOutcome PublishHandOver::FormatAndPublish(std::string_view format_name, int year,
                                                 int current_category, bool publish_step) {
  auto editor = NewEditor(year, std::string(format_name) + ".html", current_category);
  publish::TickList& categories = editor->window.chkCalendars;
  // A category number beyond the list is taken as its last entry.
  const int position = std::clamp(current_category - 1, 0, std::max(0, categories.size() - 1));
  if (!categories.Tick(position)) ui_.ShowMessage(kTickPublishError, MessageKind::kError);
  Show(*editor, publish_step);
  return RunPreview(*editor, true);
}

Status PublishHandOver::PublishFavorite(std::string_view favorite, int year,
                                        std::string_view category_name, int current_category) {
  const std::string folder = FavoriteFolder(*app_.dir, favorite);
  auto editor = NewEditor(year, std::string(category_name) + ".html", current_category);
  // A folder removed since the menu was made leaves the defaults.
  if (DirectoryExists(folder)) {
    if (Status s = editor->Load(folder); !s.ok()) {
      ui_.ShowMessage(kLoadPublishFormError, MessageKind::kError);
    }
  }
  Show(*editor, true);
  return Status::Ok();
}

Status PublishHandOver::FormatCategory(int year, std::string_view category_name,
                                       int current_category, bool new_calendar) {
  auto editor = NewEditor(year, std::string(category_name) + ".html", current_category);
  if (new_calendar) {
    editor->window.chkMonths.TickAll();
    publish::TickList& categories = editor->window.chkCalendars;
    const int position =
        std::clamp(current_category - 1, 0, std::max(0, categories.size() - 1));
    if (!categories.Tick(position)) ui_.ShowMessage(kTickPublishError, MessageKind::kError);
  }
  Show(*editor, false);
  return Status::Ok();
}

std::string PublishHandOver::FormatPage(std::string_view format_name) const {
  const std::string page = app_.dir->BuildDir + std::string(format_name) + ".html";
  if (!Trim(format_name).empty() && FileExists(page)) return page;
  return CalendarPage();
}

std::string PublishHandOver::CalendarPage() const { return app_.dir->BuildDir + "Calendar.html"; }

std::string PublishHandOver::WaitPage() const { return app_.dir->WaitDir + "wait.html"; }

std::string PublishHandOver::NotPublishedPage() const {
  return app_.dir->WaitDir + "notpublished.html";
}

}  // namespace almanix::desktop
