#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "program/program.h"
#include "app/ui_seam.h"
#include "store/db.h"
#include "store/store_startup.h"

// What the fuzz targets share: a private folder for the whole process, a
// program started in it the way the command line starts, and an interface
// that answers every question with its default.
namespace almanix::fuzz {

// Answers with the defaults, keeps nothing: a long run must not grow.
class QuietUi : public UiSeam {
 public:
  void ShowMessage(std::string_view, MessageKind) override {}
  Answer Ask(std::string_view, Buttons, Answer default_answer) override {
    return default_answer;
  }
  std::optional<int> Choose(std::string_view, const std::vector<std::string>&,
                            int default_index) override {
    return default_index;
  }
  void Progress(int, int) override {}
  void ProcessEvents() override {}
  std::optional<std::string> PickPath(PickKind, std::string_view, std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> AskText(std::string_view, std::string_view,
                                     std::string_view) override {
    return std::nullopt;
  }
};

// A folder of its own (under TMPDIR) for one fuzzing process, removed when
// the process ends normally. Crashing runs leave it for a look.
class FuzzRoot {
 public:
  FuzzRoot();
  ~FuzzRoot();
  FuzzRoot(const FuzzRoot&) = delete;
  FuzzRoot& operator=(const FuzzRoot&) = delete;

  // With a trailing "/".
  const std::string& path() const { return path_; }
  // Replaces path() + name with bytes; returns the full path.
  std::string Write(const std::string& name, const uint8_t* data, size_t size) const;

 private:
  std::string path_;
};

// The program started once per process on the installed data of the build
// tree, as the command line starts it.
struct FuzzParts {
  FuzzRoot root;
  QuietUi quiet_ui;
};
struct Program : FuzzParts, almanix::Program {
  Program();
};

// The process's program, started on first use.
Program& TheProgram();

}  // namespace almanix::fuzz
