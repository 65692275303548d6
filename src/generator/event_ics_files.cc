#include "generator/event_ics_files.h"

#include <filesystem>
#include <system_error>

#include "app/dir.h"
#include "generator/calendar_data.h"
#include "generator/event_pages.h"
#include "generator/run_context.h"

namespace almanix::generator {

EventIcsFiles::EventIcsFiles(const RunContext& run) : run_(run) {
  if (run.dir) brand_ = LoadBrand(run.dir->BrandDir + "brand.ini");
  std::error_code ignored;
  std::filesystem::remove_all(run.build_dir + "events", ignored);
}

const std::string& EventIcsFiles::Linked(const EventRecord& e) {
  auto [it, first] = names_.try_emplace(e.id);
  if (first) {
    it->second = EventFileName(e);
    IgnoreResult(WriteEventFile(run_, brand_, e), "counted in the run's result; the link stays");
    ++written_;
  }
  return it->second;
}

}  // namespace almanix::generator
