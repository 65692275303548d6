#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/status.h"
#include "publish/destinations.h"
#include "publish/other_destinations.h"
#include "generator/generator.h"

namespace almanix {
class App;
class UiSeam;
namespace publish {
class PublishEditor;
}
namespace store {
class TDB1;
}
}  // namespace almanix

// How the main window hands a category or a favorite to the Format &
// Publish logic: the preview page's runs, its "Format" and "Publish"
// buttons and the Publish menu's entries, without a window.
namespace almanix::desktop {

inline constexpr std::string_view kLoadPublishFormError =
    "Error loading \"Publish Calendar\" Form ";
inline constexpr std::string_view kTickPublishError =
    "Error checking off selected months and calendars";

// What the preview browser shows after a command: the file to load, or
// nothing when the run failed (so no page of an earlier run is taken for
// this one's).
struct PreviewOutcome {
  Status status;
  std::string page;
};

// Whether the preview page's progress bar shows a position: only while a
// run is under way, so a finished or idle run hides it.
bool ProgressBarShown(int percent);

class PublishHandOver {
 public:
  // Shows the Format & Publish window modally on the editor, moved to its
  // publish step when asked; returns when it has closed.
  using ShowWindow = std::function<void(publish::PublishEditor& editor, bool publish_step)>;

  // app, data and ui must outlive this.
  PublishHandOver(App& app, store::TDB1& data, UiSeam& ui);
  ~PublishHandOver();

  // The window the commands show; without one they set up, run and release
  // as if it had been closed at once.
  void set_show_window(ShowWindow show) { show_window_ = std::move(show); }
  // Every position of a generation run (0..100; 0 of total 0 at the end).
  void set_on_progress(std::function<void(int percent)> on_progress);
  // The desktop's printer, start page, capture and wallpaper: "Publish Now"
  // passes them on (PublishOptions::desktop) for "Printer", "HomePage" and
  // "Desktop".
  void set_desktop_services(const publish::DesktopServices& services) {
    desktop_services_ = services;
  }
  const publish::DesktopServices& desktop_services() const { return desktop_services_; }
  // "Publish Now" of the Format & Publish window: the chosen destination,
  // generated with this hand-over's clock and progress, with the desktop
  // services filled into the options where they name none. A run with a
  // failed step publishes nothing (publish::GenerateForPublishing).
  Status PublishNow(publish::PublishEditor& editor, publish::PublishOptions options = {});
  // The same positions for the open Format & Publish window's own bar;
  // empty when it closes.
  void set_on_window_progress(std::function<void(int percent)> on_progress);
  // The open Format & Publish window's Cancel, asked by the runs and the
  // upload between files (the seam's Cancelled); empty when it closes.
  void set_window_cancelled(std::function<bool()> cancelled);
  // What a run needs of the program: the tables, the product texts, the
  // clock.
  generator::GeneratorEnv RunEnv() const;
  // The clock of the runs: the pages' today and the feed's now.
  void set_now(std::time_t now) { now_ = now; }

  // Preview (a format box change, the page chosen): the favorite of the
  // format name, or all months of the category of that name, generated into
  // the build folder. A blank name runs nothing and shows nothing.
  PreviewOutcome Preview(std::string_view format_name, int year);
  // "Format" and "Publish": the window on the format name's favorite (or on
  // all months and the current category), then its preview run; the page
  // is the run's main page.
  PreviewOutcome FormatAndPublish(std::string_view format_name, int year, int current_category,
                                  bool publish_step);
  // A favorite entry of the Publish menu: the window on that favorite (on
  // the defaults when its folder is gone), moved to its publish step.
  Status PublishFavorite(std::string_view favorite, int year, std::string_view category_name,
                         int current_category);
  // "New Calendar..." / "Format Calendar" (new_calendar false) and "New
  // Calendar" (true: the months and the category ticked once more).
  Status FormatCategory(int year, std::string_view category_name, int current_category,
                        bool new_calendar);

  // The page the preview browser shows after the format box was refilled:
  // BuildDir + name + ".html" when it exists, the redirect page otherwise.
  std::string FormatPage(std::string_view format_name) const;
  // The build folder's redirect page to this month.
  std::string CalendarPage() const;
  std::string WaitPage() const;
  std::string NotPublishedPage() const;

 private:
  class Relay;
  std::unique_ptr<publish::PublishEditor> NewEditor(int year, std::string_view page_name,
                                                    int current_category);
  // The window, if any, then the preview run; Ok with the page it wrote.
  PreviewOutcome RunPreview(publish::PublishEditor& editor, bool use_main_page);
  void Show(publish::PublishEditor& editor, bool publish_step);

  App& app_;
  store::TDB1& data_;
  UiSeam& ui_;
  std::unique_ptr<Relay> relay_;
  ShowWindow show_window_;
  publish::DesktopServices desktop_services_;
  std::time_t now_;
};

}  // namespace almanix::desktop
