#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "app/status.h"

class QWidget;

namespace almanix {
class Program;
class UiSeam;
}  // namespace almanix

namespace almanix::desktop {
class ExchangeCommands;
class MainGrid;
}  // namespace almanix::desktop

namespace almanix::shell {

// The small window of "Export Events" and "Import Events": two choices and
// the button that runs the command. It closes when the command is done.
class EventTableWindow : public QDialog {
 public:
  // run gets whether the first choice is ticked. The window closes when
  // run succeeds, and when it was cancelled unless stay_on_cancel.
  EventTableWindow(const std::string& caption, const std::string& first_choice,
                   const std::string& second_choice, const std::string& button,
                   std::function<Status(bool first)> run, bool stay_on_cancel, QWidget* parent);
};

// The File menu's Import and Export commands on the screen.
class ExchangeWindows {
 public:
  ExchangeWindows(Program& program, UiSeam& ui, desktop::MainGrid& grid, QWidget* parent);
  ~ExchangeWindows();

  // Called with each window before it is shown modally: tests drive it.
  void set_on_window_open(std::function<void(QDialog&)> hook) { on_open_ = std::move(hook); }

  void ImportCsv();
  void ImportIcal();
  void ExportIcal();
  void ImportEvents();
  void ExportEvents();

 private:
  void Show(QDialog& window);

  Program& program_;
  UiSeam& ui_;
  desktop::MainGrid& grid_;
  QWidget* parent_;
  std::unique_ptr<desktop::ExchangeCommands> commands_;
  std::function<void(QDialog&)> on_open_;
};

}  // namespace almanix::shell
