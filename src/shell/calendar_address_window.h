#pragma once

#include <memory>

#include <QDialog>

class QComboBox;
class QLabel;

namespace almanix {
namespace publish {
class PageFetcher;
class PublishEditor;
}  // namespace publish
}  // namespace almanix

namespace almanix::shell {

// The calendar's public address (Publish.URL): the address list with
// "suggest", "Try" (the first candidate that serves a calendar page, then
// opened in the browser), "Explain?" and "validate", on the favorite's
// settings the caller holds.
class CalendarAddressWindow : public QDialog {
 public:
  CalendarAddressWindow(publish::PublishEditor& editor, QWidget* parent);
  ~CalendarAddressWindow() override;

  // Tests fetch from their own server with short waits.
  void set_fetcher(std::unique_ptr<publish::PageFetcher> fetcher);

  void SuggestClicked();
  void TryClicked();
  void ExplainClicked();
  void ValidateClicked();

 protected:
  void accept() override;

 private:
  void Refill();

  publish::PublishEditor& editor_;
  std::unique_ptr<publish::PageFetcher> fetcher_;
  QComboBox* address_ = nullptr;
  QLabel* answer_ = nullptr;
};

}  // namespace almanix::shell
