#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "app/ui_seam.h"

namespace almanix::cli {

// The seam without a screen: messages go to stderr prefixed "almanix: ",
// questions take the answer the command line gave or the safe default,
// and each question is printed with the answer taken.
class CliUi : public UiSeam {
 public:
  explicit CliUi(std::ostream& err) : err_(err) {}

  void ShowMessage(std::string_view text, MessageKind kind) override;
  Answer Ask(std::string_view text, Buttons buttons,
             Answer default_answer) override;
  std::optional<int> Choose(std::string_view prompt,
                            const std::vector<std::string>& choices,
                            int default_index) override;
  void Progress(int, int) override {}
  // Printed only when progress is on: rewritten in place on a terminal, a
  // line each otherwise.
  void ProgressDetail(int done, int total, std::string_view detail) override;
  void ProcessEvents() override {}
  std::optional<std::string> PickPath(PickKind, std::string_view,
                                      std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> AskText(std::string_view, std::string_view,
                                     std::string_view) override {
    return std::nullopt;
  }

  // Whether long transfers show their progress, and whether stderr is a
  // terminal (the line is then rewritten in place).
  void set_progress(bool show, bool terminal) {
    show_progress_ = show;
    terminal_ = terminal;
  }
  // The answer the next choice gets instead of its default.
  void set_choice(std::optional<int> choice) { choice_ = choice; }
  // Messages of the error kind shown so far: a command that showed one
  // failed.
  int errors_shown() const { return errors_shown_; }
  // The text of the last message of the error kind, as it was given.
  const std::string& last_error() const { return last_error_; }

 private:
  std::ostream& err_;
  std::optional<int> choice_;
  int errors_shown_ = 0;
  bool show_progress_ = false;
  bool terminal_ = false;
  bool progress_open_ = false;  // a progress line waits for its end
  std::string last_error_;
};

}  // namespace almanix::cli
