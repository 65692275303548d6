#pragma once

#include <functional>
#include <string>

#include <QWidget>

class QLineEdit;
class QWebEngineView;

namespace almanix {
class TDir;
class UiSeam;
}  // namespace almanix

namespace almanix::shell {

// The "Online" page: the published calendar of the current category in an
// embedded browser, on the address its favorite keeps.
class OnlinePage : public QWidget {
 public:
  // category: the category box's text at the moment of a command.
  OnlinePage(const TDir& dir, UiSeam& ui, std::function<std::string()> category,
             QWidget* parent);

  // The page chosen: the favorite's address, or "notpublished.html".
  void Load();
  // "Save URL".
  void SaveAddress();
  // Enter in the address box, the open button.
  void Open();

  QWebEngineView* view() { return view_; }
  QLineEdit* address() { return address_; }

 private:
  void ShowFile(const std::string& path);

  const TDir& dir_;
  UiSeam& ui_;
  std::function<std::string()> category_;
  QLineEdit* address_ = nullptr;
  QWebEngineView* view_ = nullptr;
};

}  // namespace almanix::shell
