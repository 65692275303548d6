#pragma once

#include <memory>
#include <string>

#include <QDialog>

#include "publish/republish_schedule.h"

class QComboBox;
class QLabel;

namespace almanix {
class App;
class UiSeam;
}  // namespace almanix

namespace almanix::shell {

// The schedule a favorite's republish runs on: almanix-cli next to this
// program, the same root, the account's systemd user folder and the log.
publish::ScheduleEnv ScheduleEnvOf(const App& app, publish::CommandRunner* runner);

// "Republish ...": a favorite, how often it is republished without the
// program open (off, daily, weekly), whether that is set and when it last
// ran. "Apply" sets or removes the schedule.
class RepublishWindow : public QDialog {
 public:
  // runner: the seam to systemctl and crontab (a real ProcessRunner in the
  // program). favorite: the one chosen first; the most recent when empty.
  RepublishWindow(const App& app, UiSeam& ui, publish::CommandRunner& runner,
                  const std::string& favorite, QWidget* parent);

  // Applies the choice; false when it could not be set (the reason shown).
  bool Apply();

 private:
  void ShowState();

  UiSeam& ui_;
  publish::RepublishSchedule schedule_;
  QComboBox* favorite_ = nullptr;
  QComboBox* every_ = nullptr;
  QLabel* state_ = nullptr;
};

// At start: the failures of scheduled publishes since the program last ran,
// shown once as a message.
void ShowScheduledRunFailures(const App& app, UiSeam& ui);

}  // namespace almanix::shell
