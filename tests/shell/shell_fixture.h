#pragma once

#include <memory>
#include <string>

#include "app/status.h"

namespace almanix {
class Program;
class UiSeam;
}  // namespace almanix

namespace almanix::shell {
class TfrmMain;
}

// What the window tests share: a program started on a test's root, its main
// window shown, and the sample calendar as the pictures of docs/desktop/
// show it.
namespace almanix::shell::testing {

// The sample calendar that ships in resources/samples.
std::string SampleCalendar();

// Where tools/take_desktop_screenshots.sh wants the pictures; empty when
// they are not being taken (the picture tests then skip).
std::string ScreenshotDir();

// Starts the program on root, with the calendar file when one is given.
Status StartProgram(Program& program, const std::string& root, const std::string& calendar = "");

// The main window after its start-up, shown at width x height and exposed;
// null (with a test failure) when it did not show.
std::unique_ptr<TfrmMain> ShowMainWindow(Program& program, UiSeam& ui, int width, int height);

// April 2025 of "Announcements" with the 16th as today and in the day panel.
void ShowSampleApril(TfrmMain& window);

}  // namespace almanix::shell::testing
