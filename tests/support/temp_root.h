#pragma once

#include <string>

namespace almanix::testing {

// A fresh folder for one test, removed again in the destructor even when the
// test fails. Sets ALMANIX_ROOT to it (and XDG_CONFIG_HOME, XDG_DATA_HOME
// beneath it) so that nothing reaches the real home folder; restores the
// previous values afterwards.
class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  // The folder, with a trailing "/".
  const std::string& path() const { return path_; }
  // path() + relative.
  std::string operator/(const std::string& relative) const {
    return path_ + relative;
  }

 private:
  std::string path_;
  std::string saved_root_, saved_config_, saved_data_;
  bool had_root_ = false, had_config_ = false, had_data_ = false;
};

// Whole-file helpers for tests.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// The folder of the installed data laid out in the build tree.
std::string BuildDataDir();

}  // namespace almanix::testing
