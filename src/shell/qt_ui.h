#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ui_seam.h"

class QWidget;

namespace almanix::shell {

class ProgressWindow;

// The seam on the screen: message boxes, questions, pickers and a progress
// dialog with Cancel, all parented to the main window.
class QtUi : public UiSeam {
 public:
  QtUi();
  ~QtUi() override;

  void set_parent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(std::string_view text, MessageKind kind) override;
  Answer Ask(std::string_view text, Buttons buttons, Answer default_answer) override;
  std::optional<int> Choose(std::string_view prompt, const std::vector<std::string>& choices,
                            int default_index) override;
  void Progress(int done, int total) override;
  void ProgressDetail(int done, int total, std::string_view detail) override;
  void ProcessEvents() override;
  bool Cancelled() override { return cancelled(); }
  std::optional<std::string> PickPath(PickKind kind, std::string_view caption,
                                      std::string_view start) override;
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view initial) override;

  // A file dialog with its filter ("Name (*.ext)|*.ext|...") and the
  // extension added to a name without one; nullopt when cancelled.
  std::optional<std::string> PickFile(PickKind kind, std::string_view title,
                                      std::string_view filter, std::string_view default_suffix,
                                      std::string_view start);

  // In a batch run nobody is at the screen: messages go to stderr and
  // questions take their default answer, so the run ends by itself.
  void set_batch(bool batch) { batch_ = batch; }
  bool batch() const { return batch_; }

  // True once the person pressed Cancel on the progress dialog.
  bool cancelled() const;

 private:
  QWidget* parent_ = nullptr;
  std::unique_ptr<ProgressWindow> progress_;
  bool batch_ = false;
};

}  // namespace almanix::shell
