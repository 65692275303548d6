#include "shell/eliding_label.h"

#include <algorithm>

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace almanix::shell {

ElidingLabel::ElidingLabel(QWidget* parent, int max_chars) : QLabel(parent), max_chars_(max_chars) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize ElidingLabel::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const int full = metrics.horizontalAdvance(text()) + 8;
  return {std::min(full, metrics.averageCharWidth() * max_chars_), metrics.height() + 4};
}

QSize ElidingLabel::minimumSizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  return {metrics.averageCharWidth() * 8, metrics.height() + 4};
}

void ElidingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = contentsRect().adjusted(2, 0, -2, 0);
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
  style()->drawItemText(&painter, area, Qt::AlignVCenter | Qt::AlignLeft, palette(), isEnabled(),
                        shown, foregroundRole());
}

bool ElidingLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text().trimmed(), this);
    return true;
  }
  return QLabel::event(event);
}

}  // namespace almanix::shell
