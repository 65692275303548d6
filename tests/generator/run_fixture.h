#pragma once

#include <ctime>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_program.h"
#include "generator/generator.h"
#include "settings/publish_editor.h"
#include "store/event_draft.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::generator::testing {

// A started program in a fresh root (the installed data of the build tree,
// real table files), the Format & Publish logic set up for 2025 with the
// favorite "Club", and a generator on top. Tests change the settings, add
// events and run.
class RunFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  // Adds an event in the category (1-based) and returns its ID.
  std::string Add(store::EventDraft draft, int category = 1);
  // A one-day event at the hours given.
  static store::EventDraft Timed(const std::string& summary, int year, int month, int day,
                                 int from_hour, int to_hour);
  // A style of our own (no pictures, no cell colours) selected in the window.
  void UsePlainStyle();
  // That style, with entries as bare as the settings make them: no bullets,
  // separators, bold names, pop-ups or boxes, times inline as "h:mm ampm",
  // and the event list linked.
  void UsePlainCells();
  // Ticks exactly these category numbers.
  void Tick(std::vector<int> categories);
  // One run into the build folder; fails the test when it fails.
  void Generate();

  std::string Build() const;  // the build folder, ends in "/"
  std::string Page(const std::string& name) const;
  bool Has(const std::string& name) const;
  publish::PublishSettings& settings() { return editor_->settings; }

  // The runs' wall clock, read once here so a test sees the same day as the
  // run whatever the time.
  std::time_t now_ = 0;
  almanix::testing::TempRoot root_;
  std::ostringstream err_;
  std::unique_ptr<almanix::testing::TestProgram> session_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<publish::PublishEditor> editor_;
  std::unique_ptr<Generator> generator_;
};

// The lines of a page (CR LF ends removed); fails when a line ends in a
// bare LF.
std::vector<std::string> Lines(const std::string& page);
// Whether `want` appears in `lines` as consecutive lines.
bool HasRun(const std::vector<std::string>& lines, const std::vector<std::string>& want);

}  // namespace almanix::generator::testing
