#include "desktop/desktop_fixture.h"

#include "app/config.h"
#include "app/dir.h"
#include "platform/opener.h"
#include "store/event_draft.h"

namespace almanix::desktop::testing {

void DesktopFixture::SetUp() {
  app_.opener = std::make_unique<platform::XdgOpener>("true");
  hooks_ = std::make_unique<store::StoreStartup>(data_, ui_);
  StartupOptions options;
  options.root = root_.path();
  options.hooks = hooks_.get();
  Startup(app_, ui_, options);
  ASSERT_TRUE(app_.dir && app_.config);
  ui_.messages.clear();
  grid_ = std::make_unique<MainGrid>(app_, data_, ui_, D(2010, 3, 5) + 0.5);
}

std::string DesktopFixture::Add(const std::string& summary, DayNumber day, int category,
                                double hour) {
  store::EventDraft draft;
  draft.summary = summary;
  draft.start = day + hour / 24;
  draft.end = day + (hour + 1) / 24;
  draft.categories = {category};
  store::Query q(data_.db());
  Result<std::string> id = store::AddEvent(q, draft, category);
  EXPECT_TRUE(id.ok()) << id.status().message();
  return id.ok() ? id.value() : "";
}

int DesktopFixture::CellOf(DayNumber day) const {
  const auto& cells = grid_->cells();
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].date == day) return static_cast<int>(i);
  }
  return -1;
}

void DesktopFixture::Select(DayNumber day) {
  ASSERT_TRUE(grid_->LoadGrid(day).ok());
  ASSERT_TRUE(grid_->ShowDay(CellOf(day)).ok());
}

}  // namespace almanix::desktop::testing
