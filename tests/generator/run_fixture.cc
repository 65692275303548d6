#include "generator/run_fixture.h"

#include <algorithm>
#include <filesystem>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "settings/style_library.h"
#include "store/db_engine.h"

namespace almanix::generator::testing {

void RunFixture::SetUp() {
  session_ = std::make_unique<almanix::testing::TestProgram>();
  ASSERT_TRUE(session_->StartIn(root_.path()).ok());
  ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(2025, 1, 1)).ok());
  TDir& dir = *session_->app.dir;
  editor_ = std::make_unique<publish::PublishEditor>(dir, "US", session_->app.log.get(), &ui_);
  editor_->set_current_year(2025);
  ASSERT_TRUE(editor_->SetUp(session_->data.db(), 2025, "Club.html", 1).ok());
  ASSERT_TRUE(editor_->Save().ok());
  // Loading the saved favorite makes its folder the favorite folder.
  ASSERT_TRUE(editor_->Load(editor_->FavoriteFolder()).ok());
  settings().SetInt("Publish.StartYear", 2025);
  settings().SetInt("Publish.EndYear", 2025);
  GeneratorEnv env;
  env.db = &session_->data.db();
  env.brand_short_url = "www.example.org/almanix";
  env.program_version = "1.0";
  now_ = std::time(nullptr);
  env.now = now_;
  generator_ = std::make_unique<Generator>(*editor_, env);
}

std::string RunFixture::Add(store::EventDraft draft, int category) {
  if (draft.categories.empty()) draft.categories = {category};
  store::Query q(session_->data.db());
  Result<std::string> id = store::AddEvent(q, draft, category);
  EXPECT_TRUE(id.ok()) << id.status().message();
  return id.ok() ? id.value() : "";
}

store::EventDraft RunFixture::Timed(const std::string& summary, int year, int month, int day,
                                    int from_hour, int to_hour) {
  store::EventDraft d;
  d.summary = summary;
  d.start = EncodeDate(year, month, day) + from_hour / 24.0;
  d.end = EncodeDate(year, month, day) + to_hour / 24.0;
  d.show_end_time = true;
  return d;
}

void RunFixture::UsePlainStyle() {
  TDir& dir = *session_->app.dir;
  const std::string folder = dir.StylesDir + "Plain/";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(publish::WriteStyleSheet(folder + "Style.css", publish::StyleInfo{},
                                       publish::StyleCss{})
                  .ok());
  auto& styles = editor_->window.Style;
  styles.push_back("Plain");
  editor_->window.style_index = static_cast<int>(styles.size() - 1);
}

void RunFixture::UsePlainCells() {
  UsePlainStyle();
  auto& s = settings();
  s.SetBool("Formatting.DateTimeBelow", false);
  s.SetBool("Formatting.TimeOnNewLine", false);
  s.SetBool("Formatting.ShowBullets", false);
  s.SetBool("Formatting.EventnameBold", false);
  s.SetBool("Formatting.PopUp", false);
  s.SetBool("List.Box", false);
  s.SetBool("List.NewWindow", false);
  s.SetBool("List.CanCreate", true);
  s.SetText("Formatting.EventSeperator", "none");
  s.SetText("Formatting.TimeSeperator", "none");
  s.SetText("Formatting.TimeFormat", "h:mm ampm");
}

void RunFixture::Tick(std::vector<int> categories) {
  publish::TickList& list = editor_->window.chkCalendars;
  list.UntickAll();
  for (int c : categories) ASSERT_TRUE(list.Tick(c - 1));
}

void RunFixture::Generate() {
  const RunResult run = generator_->GenerateCalendar(Build(), generator_->MainPagePath(), "");
  ASSERT_TRUE(run.ok()) << run.Summary();
}

std::string RunFixture::Build() const {
  return WithTrailingSlash(session_->app.dir->BuildDir);
}

std::string RunFixture::Page(const std::string& name) const {
  return almanix::testing::ReadAll(Build() + name);
}

bool RunFixture::Has(const std::string& name) const { return FileExists(Build() + name); }

std::vector<std::string> Lines(const std::string& page) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < page.size()) {
    size_t end = page.find("\r\n", start);
    if (end == std::string::npos) end = page.size();
    lines.push_back(page.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool HasRun(const std::vector<std::string>& lines, const std::vector<std::string>& want) {
  return std::search(lines.begin(), lines.end(), want.begin(), want.end()) != lines.end();
}

}  // namespace almanix::generator::testing
