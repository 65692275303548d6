#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace almanix::generator {

// Whether a day's attachments folder (CATEGORY/yyyy-m-dd/) can be there,
// from one listing of its category folder per run rather than a look at
// the disk for every day of every page: most days have none.
class DayFolders {
 public:
  // False when the category's folder held no such entry when it was first
  // listed in this run; true when it did, and the caller then looks at the
  // disk itself. Nothing of the run makes day folders.
  bool MayExist(const std::string& day_folder);

 private:
  // Category folder -> its entries' names; none listed when it is missing.
  std::unordered_map<std::string, std::unordered_set<std::string>> listings_;
};

}  // namespace almanix::generator
