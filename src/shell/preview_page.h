#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

class QComboBox;
class QProgressBar;
class QWebEngineView;

namespace almanix {
class TDir;
}

namespace almanix::desktop {
class PublishHandOver;
}

namespace almanix::shell {

// The "Preview" page: the web calendar of one favorite or category,
// generated into the build folder and shown in an embedded browser, with
// the format box, the run's progress and the hand-over to Format & Publish.
class PreviewPage : public QWidget {
 public:
  // What the page reads from the main window at the moment of a command.
  struct Window {
    std::function<int()> year;
    std::function<int()> category_number;
    // After every use of the Format & Publish logic: the Publish menu.
    std::function<void()> after_publish;
  };

  PreviewPage(desktop::PublishHandOver& handover, const TDir& dir, Window window,
              QWidget* parent);

  // Refill of the format box: the items, the current category's name
  // selected; with run, a preview run of it; then the page of that name.
  void Refill(const std::vector<std::string>& items, const std::string& current, bool run);
  // Preview of the format box's name; false when its run failed.
  bool Preview();
  // "Format" (publish_step false) and "Publish".
  void FormatAndPublish(bool publish_step);

  QWebEngineView* view() { return view_; }
  QString FormatName() const;

 private:
  void ShowFile(const std::string& path);
  void ShowOutcomePage(const std::string& page);
  void SetProgress(int percent);

  desktop::PublishHandOver& handover_;
  const TDir& dir_;
  Window window_;
  QComboBox* format_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QWebEngineView* view_ = nullptr;
  bool filling_ = false;
};

}  // namespace almanix::shell
