#include "generator/event_ics_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "generator/calendar_data.h"
#include "generator/event_pages.h"
#include "generator/ical.h"
#include "generator/page_meta.h"
#include "generator/run_context.h"

namespace almanix::generator {

EventIcsFiles::EventIcsFiles(const RunContext& run) : run_(run) {
  if (run.dir) brand_ = LoadBrand(run.dir->BrandDir + "brand.ini");
  std::error_code ignored;
  for (std::filesystem::directory_iterator it(run.build_dir + "events", ignored), end;
       !ignored && it != end; it.increment(ignored)) {
    std::error_code kind_error;
    if (!it->is_regular_file(kind_error) || it->is_symlink(kind_error)) {
      std::error_code gone;
      std::filesystem::remove_all(it->path(), gone);
    }
  }
}

EventIcsFiles::~EventIcsFiles() {
  if (folder_fd_ >= 0) ::close(folder_fd_);
}

void EventIcsFiles::RemoveUnlinked() {
  // Names without their folder, so the match does not hang on how the
  // build folder's path is spelled.
  std::unordered_set<std::string> kept;
  for (const auto& [id, name] : names_) {
    kept.insert(std::filesystem::path(name).filename().string());
  }
  const std::string folder = run_.build_dir + "events";
  std::vector<std::filesystem::path> stale;
  std::error_code ignored;
  for (std::filesystem::directory_iterator it(folder, ignored), end; !ignored && it != end;
       it.increment(ignored)) {
    if (kept.count(it->path().filename().string()) == 0) stale.push_back(it->path());
  }
  for (const std::filesystem::path& path : stale) {
    std::error_code gone;
    std::filesystem::remove_all(path, gone);
  }
  if (names_.empty()) std::filesystem::remove(folder, ignored);
}

const std::string& EventIcsFiles::Linked(const EventRecord& e) {
  auto [known, new_slot] = by_record_.Get(e);
  if (!new_slot) return *known;
  auto [it, first] = names_.try_emplace(e.id);
  if (first) {
    it->second = EventFileName(e);
    Write(e, it->second);
    ++written_;
  }
  *known = it->second;
  return *known;
}

// One event in its own calendar file, with its own repetition rule; the
// folder is made and the calendar object set up once per run.
void EventIcsFiles::Write(const EventRecord& e, const std::string& name) {
  const std::string path = run_.build_dir + name;
  if (!folder_made_) {
    if (Status s = TDir::EnsureDir(run_.build_dir + "events/"); !s.ok()) {
      IgnoreResult(run_.Record(path, s), "counted in the run's result; the link stays");
      return;
    }
    folder_made_ = true;
    // Thousands of files go into it: each is opened relative to the folder.
    folder_fd_ = ::open((run_.build_dir + "events").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (!ical_) {
    // The same identifiers as the event's item in ical.ics, so a reader who
    // adds the event and subscribes as well gets it once.
    ical_ = std::make_unique<TICal>(
        run_.brand_short_url, run_.page_name, CalendarName(run_),
        TICal::Product{brand_.APP_MAKER, brand_.APP_NAME, brand_.APP_VERSION}, run_.now,
        run_.today + 5 * 366);
  }
  ical_->ClearItems();
  ical_->AddEventIf(e, "," + Trim(e.calendar_id) + ",");
  const size_t slash = name.rfind('/');
  const Status saved =
      folder_fd_ >= 0 && slash != std::string::npos
          ? WriteFileDirectAt(folder_fd_, name.substr(slash + 1), ical_->Text(), path)
          : ical_->Save(path, /*atomically=*/false);
  IgnoreResult(run_.Record(path, saved), "counted in the run's result; the link stays");
}

}  // namespace almanix::generator
