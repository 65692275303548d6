#include "publish/other_destinations.h"

#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/ui_seam.h"
#include "generator/generator.h"
#include "publish/destinations.h"
#include "platform/headless_services.h"
#include "settings/language_texts.h"
#include "settings/publish_editor.h"

namespace almanix::publish {
namespace {

void Show(UiSeam* ui, const std::string& text, MessageKind kind = MessageKind::kError) {
  if (ui) ui->ShowMessage(text, kind);
}

// The settings printing switches off, as they were before.
struct PrintSwitches {
  bool nav_menu = false;
  bool action_bar = false;
  std::string title;
  bool date_updated = false;
  bool ical = false;
  bool rss = false;

  static PrintSwitches Take(PublishSettings& s) {
    PrintSwitches was{s.Bool("Contents.ShowNavMenu"), s.Bool("Contents.ShowActionBar"),
                      s.text_file(TextFile::kTitle),  s.Bool("Contents.ShowDateUpdated"),
                      s.Bool("iCal.Share"),           s.Bool("RSS.Share")};
    s.SetBool("Contents.ShowNavMenu", false);
    s.SetBool("Contents.ShowActionBar", false);
    s.set_text_file(TextFile::kTitle, "");
    s.SetBool("Contents.ShowDateUpdated", false);
    s.SetBool("iCal.Share", false);
    s.SetBool("RSS.Share", false);
    return was;
  }
  void Restore(PublishSettings& s) const {
    s.SetBool("Contents.ShowNavMenu", nav_menu);
    s.SetBool("Contents.ShowActionBar", action_bar);
    s.set_text_file(TextFile::kTitle, title);
    s.SetBool("Contents.ShowDateUpdated", date_updated);
    s.SetBool("iCal.Share", ical);
    s.SetBool("RSS.Share", rss);
  }
};

// The page name of the main page: favorite name + page extension.
std::string PageName(const generator::Generator& generator) {
  return BaseName(generator.MainPagePath());
}

// A run with a failed step prints and copies nothing (the message is shown).
Status Generate(PublishEditor& editor, generator::Generator& generator) {
  return GenerateForPublishing(editor, generator);
}

// Empties the destination folder and fills it with the build folder's files.
// Failures leave what could be done: the capture or start page shows them.
void CopyToFolder(const TDir& dir, const std::string& folder) {
  TDir::EnsureDirQuiet(folder);
  TDir::DeleteFolderFiles(folder);
  TDir::CopyFolderFiles(dir.BuildDir, folder);
}

// Shows the task bar and tray icon again however the sequence ends.
class BarsHidden {
 public:
  explicit BarsHidden(platform::PageCapturer& capturer) : capturer_(capturer) {}
  ~BarsHidden() { capturer_.ShowDesktopBars(); }
  BarsHidden(const BarsHidden&) = delete;
  BarsHidden& operator=(const BarsHidden&) = delete;

 private:
  platform::PageCapturer& capturer_;
};

}  // namespace

std::vector<std::string> PrintFiles(const PublishEditor& editor,
                                    const generator::RunState& run_state) {
  const PublishSettings& s = editor.settings;
  const PublishWindowState& window = editor.window;
  const std::string build_dir = WithTrailingSlash(editor.environment().dir->BuildDir);
  // The run copies the first page to this fixed name, whatever the page
  // extension.
  if (window.chkPrint1File) return {build_dir + "FirstMonth.html"};

  LanguageTexts language;
  if (const std::string& words = s.text_file(TextFile::kFileNames); !words.empty()) {
    language.mutable_file_names().LoadFromText(words);
  }
  // The month file name as the run's last category pass wrote it.
  std::string prefix;
  const int last_pass = run_state.current_index;
  if (!s.Bool("Contents.CategoryMerge") && window.TickedCategoryNumbers().size() > 1 &&
      last_pass >= 0) {
    prefix = std::to_string(last_pass);
  }
  std::vector<std::string> files;
  // Months count from 0 (January) in the settings.
  const int first = s.Int("Publish.StartYear") * 12 + s.Int("Publish.StartMonth");
  const int last = s.Int("Publish.EndYear") * 12 + s.Int("Publish.EndMonth");
  for (int i = first; i <= last; ++i) {
    const int year = i / 12;
    const int month = i % 12 + 1;
    files.push_back(build_dir + prefix + language.FileNameWord(month, "Long") +
                    std::to_string(year) + window.PageExtension());
  }
  return files;
}

Status PublishToPrinter(PublishEditor& editor, generator::Generator& generator,
                        platform::PagePrinter& printer) {
  const PublishEnvironment& env = editor.environment();
  UiSeam* ui = env.ui;
  PublishSettings& s = editor.settings;

  Result<platform::PageSetup> page_setup = printer.ReadPageSetup();
  if (page_setup.ok()) {
    if (Status blanked = printer.WritePageSetup({}); !blanked.ok()) {
      LogTo(env.log, true, "Print.PageSetup " + blanked.message());
    }
  } else {
    LogTo(env.log, true, "Print.PageSetup " + page_setup.status().message());
  }

  const PrintSwitches was = PrintSwitches::Take(s);
  s.SetBool("Formatting.ShowSingleHTMLPage", editor.window.chkPrint1File);

  Status status = Generate(editor, generator);
  if (status.ok()) {
    const std::vector<std::string> files = PrintFiles(editor, generator.state());
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
      if (ui) ui->Progress(i + 1, count);
      const std::string& file = files[i];
      if (!FileExists(file)) {
        status = Status::NotFound(std::string(kPrintFileNotFound) + file);
        Show(ui, status.message());
        break;
      }
      status = printer.PrintPage(file, editor.window.chkSelectPrinter);
      if (!status.ok()) {
        // The next page would fail the same way; one message is enough.
        if (status.code() != Status::Code::kCancelled) Show(ui, status.message());
        break;
      }
      if (ui) ui->ProcessEvents();
    }
  }

  // Restored on every path: left switched off, the next save would keep a
  // calendar without its menu, toolbar, title and feeds.
  was.Restore(s);
  s.SetBool("Formatting.ShowSingleHTMLPage", false);
  if (ui) ui->Progress(0, 0);
  if (page_setup.ok()) {
    if (Status back = printer.WritePageSetup(page_setup.value()); !back.ok()) {
      LogTo(env.log, true, "Print.PageSetup " + back.message());
    }
  }
  return status;
}

Status PublishToHomePage(PublishEditor& editor, generator::Generator& generator,
                         platform::StartPageSetter& start_page) {
  const TDir& dir = *editor.environment().dir;
  if (Status s = Generate(editor, generator); !s.ok()) return s;
  const std::string folder = WithTrailingSlash(dir.HomepageDir);
  CopyToFolder(dir, folder);
  Status set = start_page.SetStartPage("file:" + folder + PageName(generator));
  if (!set.ok()) Show(editor.environment().ui, set.message());
  return set;
}

Status PublishToDesktop(PublishEditor& editor, generator::Generator& generator,
                        platform::PageCapturer& capturer, platform::WallpaperSetter& wallpaper) {
  const PublishEnvironment& env = editor.environment();
  const TDir& dir = *env.dir;
  if (Status s = Generate(editor, generator); !s.ok()) return s;
  const std::string folder = WithTrailingSlash(dir.DesktopDir);
  CopyToFolder(dir, folder);

  BarsHidden bars(capturer);
  // The capture goes on with the bars in view.
  if (Status hidden = capturer.HideDesktopBars(); !hidden.ok()) {
    LogTo(env.log, true, "Desktop.HideBars " + hidden.message());
  }
  Status status;
  Result<platform::PictureSize> size = capturer.ScreenSize();
  const std::string picture = WithTrailingSlash(dir.BuildDir) + std::string(kWallpaperPicture);
  if (!size.ok()) {
    status = size.status();
  } else {
    status = capturer.Capture("file://" + folder + PageName(generator), picture, size.value());
    if (status.ok()) status = wallpaper.SetWallpaper(picture);
  }
  if (!status.ok()) Show(env.ui, status.message());
  return status;
}

Status PublishToPrinter(PublishEditor& editor, generator::Generator& generator,
                        const DesktopServices& services) {
  platform::HeadlessPrinter headless;
  return PublishToPrinter(editor, generator, services.printer ? *services.printer : headless);
}

Status PublishToHomePage(PublishEditor& editor, generator::Generator& generator,
                         const DesktopServices& services) {
  platform::HeadlessStartPage headless;
  return PublishToHomePage(editor, generator,
                           services.start_page ? *services.start_page : headless);
}

Status PublishToDesktop(PublishEditor& editor, generator::Generator& generator,
                        const DesktopServices& services) {
  platform::HeadlessCapturer headless_capturer;
  platform::HeadlessWallpaper headless_wallpaper;
  return PublishToDesktop(editor, generator,
                          services.capturer ? *services.capturer : headless_capturer,
                          services.wallpaper ? *services.wallpaper : headless_wallpaper);
}

}  // namespace almanix::publish
