#include "cli/cli_ui.h"

#include <ostream>

#include "app/text.h"

namespace almanix::cli {
namespace {

std::string_view AnswerName(Answer a) {
  switch (a) {
    case Answer::kOk: return "OK";
    case Answer::kCancel: return "Cancel";
    case Answer::kYes: return "Yes";
    case Answer::kNo: return "No";
  }
  return "";
}

// Dialog texts use tab and CR as line breaks; a terminal wants one line.
std::string OneLine(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '\t') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  return Trim(out);
}

}  // namespace

void CliUi::ShowMessage(std::string_view text, MessageKind kind) {
  if (kind == MessageKind::kError) {
    ++errors_shown_;
    last_error_ = std::string(text);
  }
  if (progress_open_) {
    err_ << "\n";
    progress_open_ = false;
  }
  // A bare line feed starts the line with the reason behind a fixed message,
  // indented under it (the dialogs' own breaks come as pairs with CR or tab
  // and are joined).
  size_t from = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool bare_break = i < text.size() && text[i] == '\n' && i > 0 &&
                            text[i - 1] != '\r' && text[i - 1] != '\t' &&
                            (i + 1 == text.size() || text[i + 1] != '\r');
    if (i < text.size() && !bare_break) continue;
    const std::string line = OneLine(text.substr(from, i - from));
    if (from == 0) {
      err_ << "almanix: " << line << "\n";
    } else if (!Trim(line).empty()) {
      err_ << "almanix:   " << line << "\n";
    }
    from = i + 1;
  }
}

void CliUi::ProgressDetail(int done, int total, std::string_view detail) {
  if (!show_progress_) return;
  if (!terminal_) {
    err_ << "almanix: " << detail << "\n";
    return;
  }
  // Erase to the end of the line: the new text may be shorter.
  err_ << "\ralmanix: " << detail << "\x1b[K";
  progress_open_ = done < total;
  if (!progress_open_) err_ << "\n";
  err_.flush();
}

Answer CliUi::Ask(std::string_view text, Buttons, Answer default_answer) {
  if (progress_open_) {
    err_ << "\n";
    progress_open_ = false;
  }
  err_ << "almanix: " << OneLine(text) << " [" << AnswerName(default_answer)
       << "]\n";
  return default_answer;
}

std::optional<int> CliUi::Choose(std::string_view prompt,
                                 const std::vector<std::string>& choices,
                                 int default_index) {
  int index = choice_.value_or(default_index);
  choice_.reset();
  std::string picked =
      index >= 0 && index < static_cast<int>(choices.size()) ? choices[index] : "";
  err_ << "almanix: " << OneLine(prompt) << " [" << Trim(picked) << "]\n";
  return index;
}

}  // namespace almanix::cli
