#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

namespace almanix {
namespace generator {
class Generator;
struct RunState;
}  // namespace generator
namespace platform {
class PageCapturer;
class PagePrinter;
class StartPageSetter;
class WallpaperSetter;
}  // namespace platform
}  // namespace almanix

// The destinations that hand the generated calendar to the desktop: the
// printer, the browser's start page and the wallpaper. Each runs the
// generator into the build folder first; the platform work goes through the
// seams in src/platform/, which the desktop implements and the command line
// answers with "needs the desktop program".
namespace almanix::publish {

class PublishEditor;

inline constexpr std::string_view kPrintFileNotFound = "can not print, file not found ";
inline constexpr std::string_view kWallpaperPicture = "WindowsDesktop.bmp";

// The services the three destinations use. Null members stand for the
// command line's (platform/headless_services.h).
struct DesktopServices {
  platform::PagePrinter* printer = nullptr;
  platform::StartPageSetter* start_page = nullptr;
  platform::PageCapturer* capturer = nullptr;
  platform::WallpaperSetter* wallpaper = nullptr;
};

// The pages "Printer" prints after the run, in order: with chkPrint1File
// only BuildDir + "FirstMonth.html" (the run writes that name whatever the
// page extension); otherwise BuildDir + month file name + year + page
// extension for every month from Publish.StartMonth of Publish.StartYear to
// Publish.EndMonth of Publish.EndYear, with the category prefix the run's
// last pass left in run_state.
std::vector<std::string> PrintFiles(const PublishEditor& editor,
                                    const generator::RunState& run_state);

// "Printer": blanks the page-setup header and footer; switches off, for the
// time of printing, the navigation menu, the toolbar, the title template,
// the updated-date line, the iCalendar and the RSS files, and sets "all
// months on one page" from chkPrint1File; generates; prints PrintFiles in
// order with the progress bar at each page's position (chkSelectPrinter asks
// for the printer). A missing page shows kPrintFileNotFound + the file and
// ends the printing (NotFound); a page that cannot be printed shows the
// printer's message and ends it too. Whatever happened, the switched-off
// settings come back, "all months on one page" goes off, the progress bar
// hides and the page setup read at the start is written back.
Status PublishToPrinter(PublishEditor& editor, generator::Generator& generator,
                        platform::PagePrinter& printer);

// "HomePage": generates (main page BuildDir + page name), empties
// HomepageDir and copies the files of BuildDir into it (failures ignored),
// then sets the start page to "file:" + HomepageDir + page name. A refused
// start page shows its message and is returned.
Status PublishToHomePage(PublishEditor& editor, generator::Generator& generator,
                         platform::StartPageSetter& start_page);

// "Desktop": generates; empties DesktopDir and copies BuildDir's files into
// it (failures ignored); hides the task bar and tray icon; captures
// "file://" + DesktopDir + page name at the screen's size into BuildDir +
// kWallpaperPicture and makes that the wallpaper. The first failing step
// shows its message and ends the sequence; the bars are shown again in any
// case.
Status PublishToDesktop(PublishEditor& editor, generator::Generator& generator,
                        platform::PageCapturer& capturer, platform::WallpaperSetter& wallpaper);

// The same, with the services given (null ones: the command line's).
Status PublishToPrinter(PublishEditor& editor, generator::Generator& generator,
                        const DesktopServices& services = {});
Status PublishToHomePage(PublishEditor& editor, generator::Generator& generator,
                         const DesktopServices& services = {});
Status PublishToDesktop(PublishEditor& editor, generator::Generator& generator,
                        const DesktopServices& services = {});

}  // namespace almanix::publish
