#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QDialog>
#include <QPointer>
#include <QString>

#include "desktop/event_files.h"

class QProgressDialog;
class QSplashScreen;

namespace almanix {
class App;
}

namespace almanix::shell {

// "About Web Almanix": the program's name and version, the homepage and
// support links, and the folders the program works in (selectable, for a
// person asked where their data is).
class AboutWindow : public QDialog {
 public:
  AboutWindow(const App& app, QWidget* parent);
};

// A small modeless "Please wait ..." window with the busy cursor, for work
// of a few seconds that shows no progress; both go away with the object.
class WaitWindow {
 public:
  explicit WaitWindow(QWidget* parent, const QString& text = QStringLiteral("Please wait ..."));
  ~WaitWindow();
  WaitWindow(const WaitWindow&) = delete;
  WaitWindow& operator=(const WaitWindow&) = delete;

 private:
  // Guarded: the parent may take the window with it first.
  QPointer<QWidget> window_;
};

// The bar of a long job with "Cancel" and the busy cursor while it runs; the
// seam's progress drives it (done of total; total 0 or done = total ends it).
class ProgressWindow {
 public:
  explicit ProgressWindow(QWidget* parent);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void Set(int done, int total, const QString& detail);
  // True once "Cancel" was pressed in the job that runs (reset by its 0).
  bool cancelled() const { return cancelled_; }
  bool running() const { return busy_; }
  // The bar while it exists; null before the first job or once its parent
  // took it along.
  QProgressDialog* dialog() const { return guard_ ? dialog_ : nullptr; }

 private:
  void End();

  QWidget* parent_;
  QProgressDialog* dialog_ = nullptr;
  QPointer<QObject> guard_;  // cleared when the dialog goes
  bool cancelled_ = false;
  bool busy_ = false;
};

// The icon chooser ("Choose icon"): the icon drawn at 16 x 16 and at
// 32 x 32 on white, "16x16" or "32x32" to pick, and under each a "Convert"
// link that redraws that size from the other's rendering. The chosen
// rendering, nullopt on "Cancel".
std::optional<desktop::IconChoice> ChooseIcon(const std::string& icon_file, QWidget* parent);

// The splash shown while the program starts: its name, version and what
// it is doing. The caller closes it once the main window shows.
std::unique_ptr<QSplashScreen> ShowSplash(const QString& version);

}  // namespace almanix::shell
