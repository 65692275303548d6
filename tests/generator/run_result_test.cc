#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "app/dates.h"
#include "app/dir.h"
#include "app/log.h"
#include "app/run_result.h"
#include "generator/run_fixture.h"
#include "support/small_disk.h"
#include "support/temp_root.h"

namespace almanix::generator::testing {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

// ---- The result type ----

TEST(RunResultSummaryTest, NamesTheFirstFilesTheCountAndTheFirstCause) {
  RunResult result;
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.Summary(), "");
  result.Succeeded(72);
  const Status full = Status::IoError("Cannot write /b/x: No space left on device")
                          .WithCause("No space left on device");
  for (const char* name : {"a.css", "b.html", "c.html", "d.html", "e.html", "f.html"}) {
    result.Step(name, full);
  }
  result.Step("g.html", Status::IoError("Cannot write /b/g.html: Permission denied"));
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.steps(), 79);
  EXPECT_EQ(result.failed(), 7);
  EXPECT_EQ(result.Summary(),
            "7 of 79 files could not be written: a.css, b.html, c.html, d.html, e.html and 2 "
            "more (No space left on device)");
  const Status status = result.ToStatus();
  EXPECT_EQ(status.code(), Status::Code::kIoError);
  EXPECT_EQ(status.message(), result.Summary());
  EXPECT_EQ(status.cause(), "No space left on device");

  // A stop comes first; a result added to another keeps its steps.
  RunResult publish;
  publish.Stop(Status::Invalid("no tables"));
  publish.Add(result);
  EXPECT_THAT(publish.Summary(), StartsWith("no tables; 7 of 79 files could not be written"));
  EXPECT_EQ(publish.ToStatus().code(), Status::Code::kInvalid);

  RunResult lines("lines", "could not be imported");
  lines.Step("line 12", Status::Invalid("no such date: 2/30/2008"));
  lines.Succeeded();
  EXPECT_EQ(lines.Summary(), "1 of 2 lines could not be imported: line 12 (no such date: 2/30/2008)");
}

// ---- Runs that could not write ----

class RunResultTest : public RunFixture {
 protected:
  RunResult RunInto(const std::string& build_dir) {
    session_->app.dir->BuildDir = build_dir;
    return generator_->GenerateCalendar(Build(), generator_->MainPagePath(), "");
  }
  std::string LogText() const {
    return almanix::testing::ReadAll(session_->app.log->CurrentFile());
  }
};

TEST_F(RunResultTest, FullDiskFailsTheRunButEveryStepStillRuns) {
  almanix::testing::SmallDisk disk(root_ / "small", 32);
  if (!disk.mounted()) GTEST_SKIP() << disk.skip_reason();
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  settings().SetBool("iCal.Share", true);
  settings().SetBool("RSS.Share", true);

  const RunResult run = RunInto(root_ / "small/");
  ASSERT_FALSE(run.ok());
  EXPECT_TRUE(run.stop().ok());
  // Some files fitted; the rest failed, and the last ones of the run were
  // still tried after the disk was full.
  EXPECT_GT(run.failed(), 0);
  EXPECT_LT(run.failed(), run.steps());
  EXPECT_THAT(run.failures(), Contains(Field(&StepFailure::item, "list.css")));
  EXPECT_THAT(run.failures(), Contains(Field(&StepFailure::item, "ical.ics")));
  EXPECT_THAT(run.Summary(),
              MatchesRegex("[0-9]+ of [0-9]+ files could not be written: .*"
                           "\\(No space left on device\\)"));
  EXPECT_THAT(LogText(), AllOf(HasSubstr("could not save " + Build() + "list.css"),
                               HasSubstr("Generate.Failed ")));
}

TEST_F(RunResultTest, BuildFolderThatCannotBeMadeStopsTheRun) {
  almanix::testing::WriteAll(root_ / "plain file", "x");
  const RunResult run = RunInto(root_ / "plain file/Build/");
  ASSERT_FALSE(run.ok());
  EXPECT_EQ(run.steps(), 0);
  EXPECT_THAT(run.stop().message(), HasSubstr("plain file/Build/"));
  EXPECT_EQ(run.stop().cause(), "Not a directory");
  EXPECT_EQ(run.Summary(), run.stop().message());
}

TEST_F(RunResultTest, MissingStyleSheetIsAFailedStep) {
  editor_->window.Style.push_back("Gone");
  editor_->window.style_index = static_cast<int>(editor_->window.Style.size() - 1);
  const RunResult run = RunInto(Build());
  ASSERT_FALSE(run.ok());
  ASSERT_EQ(run.failed(), 1);
  EXPECT_THAT(run.failures()[0].status.message(), StartsWith("Style  "));
  EXPECT_THAT(run.failures()[0].item, HasSubstr("Gone/Style.css"));
}

// The caller's clock dates what the run writes, so a test is never at the
// mercy of midnight.
TEST_F(RunResultTest, TheCallersClockStampsTheRun) {
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  settings().SetBool("iCal.Share", true);
  generator_->set_now(1741168800);  // 2025-03-05 10:00:00 UTC
  const RunResult run = RunInto(Build());
  ASSERT_TRUE(run.ok()) << run.Summary();
  EXPECT_THAT(Page("ical.ics"), HasSubstr("DTSTAMP\r\n :20250305T100000Z"));
}

}  // namespace
}  // namespace almanix::generator::testing
