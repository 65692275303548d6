#pragma once

#include <array>
#include <functional>

#include "app/status.h"

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace almanix {
class UiSeam;
}

namespace almanix::desktop {
class FileMenu;
}

namespace almanix::shell {

// The File menu's calendar-file and working-directory entries bound to
// desktop::FileMenu: each entry runs its command, then the window redraws
// and the recent lists, the working-directory entries and the status text
// show what the command left.
class FileMenuBinding {
 public:
  // redraw is the window's Refresh; status is the text at the right of the
  // tab bar.
  FileMenuBinding(desktop::FileMenu& logic, UiSeam& ui, QLabel* status,
                  std::function<void()> redraw);

  // Adds New, Open, Reopen, Save, Save As.., the working-directory entries
  // and Backup to the menu.
  void AddTo(QMenu* file, QWidget* owner);
  // The entries and the status text as the logic says now.
  void Refresh();

 private:
  void Run(const std::function<Status()>& command);

  desktop::FileMenu& logic_;
  UiSeam& ui_;
  QLabel* status_;
  std::function<void()> redraw_;
  std::array<QAction*, 5> reopen_{};
  std::array<QAction*, 5> work_in_{};
  QAction* set_workdir_ = nullptr;
  QAction* default_workdir_ = nullptr;
};

}  // namespace almanix::shell
