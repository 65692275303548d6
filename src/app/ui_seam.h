#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace almanix {

// The buttons a question offers and the answer it got.
enum class Buttons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class Answer { kOk, kCancel, kYes, kNo };
enum class MessageKind { kInformation, kWarning, kError };
enum class PickKind { kOpenFile, kSaveFile, kFolder };

// The one way core code reaches the person at the screen. Core code never
// opens a window: where the program shows a message, asks a question, lets
// pending interface work run or moves a progress bar, it calls this. The
// desktop answers with dialogs, the CLI from its flags (or with the safe
// default), tests from a script.
class UiSeam {
 public:
  virtual ~UiSeam() = default;

  virtual void ShowMessage(std::string_view text,
                           MessageKind kind = MessageKind::kInformation) = 0;
  virtual Answer Ask(std::string_view text, Buttons buttons,
                     Answer default_answer) = 0;
  // One choice among texts; returns its index, or nullopt when cancelled.
  virtual std::optional<int> Choose(std::string_view prompt,
                                    const std::vector<std::string>& choices,
                                    int default_index) = 0;
  // done of total; total 0 hides the bar.
  virtual void Progress(int done, int total) = 0;
  // The bar with a line saying what is done of what ("12 of 79 files, 340
  // KB of 2.1 MB"), for a long transfer. Interfaces without such a line
  // show the bar alone.
  virtual void ProgressDetail(int done, int total, std::string_view detail) {
    static_cast<void>(detail);
    Progress(done, total);
  }
  // Lets the interface repaint and take a Cancel between steps.
  virtual void ProcessEvents() = 0;
  // Whether the person has asked the long work under way to stop (a
  // progress window's Cancel). Asked between steps, after ProcessEvents;
  // interfaces that cannot cancel never say so.
  virtual bool Cancelled() { return false; }
  // A file or folder picked by the person; nullopt when they cancel.
  virtual std::optional<std::string> PickPath(PickKind kind,
                                              std::string_view caption,
                                              std::string_view start) = 0;
  // A line of text typed by the person; nullopt when they cancel.
  virtual std::optional<std::string> AskText(std::string_view caption,
                                             std::string_view prompt,
                                             std::string_view initial) = 0;
};

}  // namespace almanix
