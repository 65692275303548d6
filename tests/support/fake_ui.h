#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/ui_seam.h"

namespace almanix::testing {

// Records every text the core shows or asks and answers from a script.
// Without a scripted answer a question gets its default answer, a choice its
// default index, a pick or text prompt nothing (as if cancelled).
class FakeUi : public UiSeam {
 public:
  void ShowMessage(std::string_view text, MessageKind kind) override;
  Answer Ask(std::string_view text, Buttons buttons,
             Answer default_answer) override;
  std::optional<int> Choose(std::string_view prompt,
                            const std::vector<std::string>& choices,
                            int default_index) override;
  void Progress(int done, int total) override;
  void ProgressDetail(int done, int total, std::string_view detail) override {
    Progress(done, total);
    progress_details.emplace_back(detail);
  }
  void ProcessEvents() override {
    ++process_events_calls;
    if (on_process_events) on_process_events();
  }
  bool Cancelled() override { return cancel_when && cancel_when(); }
  std::optional<std::string> PickPath(PickKind kind, std::string_view caption,
                                      std::string_view start) override;
  std::optional<std::string> AskText(std::string_view caption,
                                     std::string_view prompt,
                                     std::string_view initial) override;

  // Script.
  std::deque<Answer> answers;
  std::deque<int> choices;
  std::deque<std::string> picks;
  std::deque<std::string> texts;
  // Runs whenever the core lets pending interface work run.
  std::function<void()> on_process_events;
  // The person's Cancel: Cancelled() is true whenever this says so.
  std::function<bool()> cancel_when;

  // Record.
  std::vector<std::string> messages;   // ShowMessage texts
  std::vector<std::string> questions;  // Ask and Choose prompts
  std::vector<std::vector<std::string>> offered_choices;
  std::vector<std::pair<int, int>> progress;
  std::vector<std::string> progress_details;
  int process_events_calls = 0;
};

}  // namespace almanix::testing
