#pragma once

#include <QLabel>

namespace almanix::shell {

// A one-line label that shortens its text in the middle ("/home/…/club.cal")
// instead of running off the window; the whole text is its tool tip. It
// asks for at most max_chars average characters of room.
class ElidingLabel : public QLabel {
 public:
  explicit ElidingLabel(QWidget* parent, int max_chars = 60);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  int max_chars_;
};

}  // namespace almanix::shell
