#include "generator/run_context.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/file_util.h"
#include "app/log.h"
#include "app/run_result.h"
#include "generator/build_folder.h"

namespace almanix::generator {

bool RunContext::merged() const { return settings->Bool("Contents.CategoryMerge"); }

std::string RunContext::MonthFileWord(int month) const {
  return language.FileNameWord(month, "Long");
}

std::string RunContext::MonthFileName(int month) const {
  std::string word = MonthFileWord(month);
  if (!merged() && categories.size() > 1 && state.current_index >= 0) {
    return std::to_string(state.current_index) + word;
  }
  return word;
}

std::string RunContext::CategoryName(int number) const {
  if (!window || number < 1 || number > window->chkCalendars.size()) return "";
  return window->chkCalendars.items[number - 1];
}

std::vector<int> RunContext::CellCategories() const {
  if (merged()) return categories;
  int current = 0;
  for (char ch : state.current_category) {
    if (ch < '0' || ch > '9') return {};
    current = current * 10 + (ch - '0');
  }
  if (state.current_category.empty()) return {};
  return {current};
}

std::vector<int> RunContext::MonthsOf(int year) const {
  // The settings count months from 0 (January).
  const int start_year = settings->Int("Publish.StartYear");
  const int end_year = settings->Int("Publish.EndYear");
  const int start_month = std::clamp(settings->Int("Publish.StartMonth"), 0, 11) + 1;
  const int end_month = std::clamp(settings->Int("Publish.EndMonth"), 0, 11) + 1;
  int first = 1, last = 12;
  if (start_year == end_year) {
    first = start_month;
    last = end_month;
  } else if (year == start_year) {
    first = start_month;
  } else if (year == end_year) {
    last = end_month;
  }
  std::vector<int> months;
  for (int m = first; m <= last; ++m) months.push_back(m);
  return months;
}

Status RunContext::Record(const std::string& path, const Status& status) const {
  if (!status.ok()) LogTo(log, true, "could not save " + path);
  if (build_folder) build_folder->Forget(path);
  if (result) {
    // Named as the site names it: the path inside the output folder.
    const bool inside = !build_dir.empty() && path.rfind(build_dir, 0) == 0;
    result->Step(inside ? path.substr(build_dir.size()) : path, status);
  }
  return status;
}

Status RunContext::SaveFile(const std::string& path, std::string_view text) const {
  return Record(path, WriteFileDirect(path, text));
}

Status RunContext::CopyFile(const std::string& from, const std::string& to) const {
  if (!FileExists(from)) return Status::Ok();
  std::error_code ec;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  Status status;
  if (ec) {
    status = Status::IoError("Cannot copy " + from + " to " + to + ": " + ec.message())
                 .WithCause(ec.message());
  }
  return Record(to, status);
}

bool RunContext::BuildFileExists(const std::string& name) const {
  return build_folder ? build_folder->HasFile(name) : FileExists(build_dir + name);
}

Status RunContext::CopyNoCase(const std::string& folder, std::string_view name,
                              const std::string& to) const {
  const std::string found = FindNoCase(folder, name);
  return found.empty() ? Status::Ok() : CopyFile(found, to);
}

Status RunContext::CopyFolderFiles(const std::string& source, const std::string& target) const {
  if (!DirectoryExists(source)) return Status::Ok();
  Status first;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(source, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    const std::string name = it->path().filename().string();
    Status s = CopyFile(it->path().string(), WithTrailingSlash(target) + name);
    if (first.ok()) first = s;
  }
  return first;
}

}  // namespace almanix::generator
