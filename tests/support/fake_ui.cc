#include "support/fake_ui.h"

namespace almanix::testing {

void FakeUi::ShowMessage(std::string_view text, MessageKind) {
  messages.emplace_back(text);
}

Answer FakeUi::Ask(std::string_view text, Buttons, Answer default_answer) {
  questions.emplace_back(text);
  if (answers.empty()) return default_answer;
  Answer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<int> FakeUi::Choose(std::string_view prompt,
                                  const std::vector<std::string>& offered,
                                  int default_index) {
  questions.emplace_back(prompt);
  offered_choices.push_back(offered);
  if (choices.empty()) return default_index;
  int c = choices.front();
  choices.pop_front();
  if (c < 0) return std::nullopt;
  return c;
}

void FakeUi::Progress(int done, int total) { progress.emplace_back(done, total); }

std::optional<std::string> FakeUi::PickPath(PickKind, std::string_view caption,
                                            std::string_view) {
  questions.emplace_back(caption);
  if (picks.empty()) return std::nullopt;
  std::string p = picks.front();
  picks.pop_front();
  return p;
}

std::optional<std::string> FakeUi::AskText(std::string_view, std::string_view prompt,
                                           std::string_view) {
  questions.emplace_back(prompt);
  if (texts.empty()) return std::nullopt;
  std::string t = texts.front();
  texts.pop_front();
  return t;
}

}  // namespace almanix::testing
