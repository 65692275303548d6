#include "shell/day_cell.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>

#include "desktop/main_grid.h"
#include "shell/window_colours.h"

namespace almanix::shell {

DayCellWidget::DayCellWidget(int index, QWidget* parent) : QFrame(parent), index_(index) {
  setObjectName(QStringLiteral("dayCell%1").arg(index));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  setAcceptDrops(true);
  setFocusPolicy(Qt::ClickFocus);
  setMinimumSize(60, 48);

  day_ = new QLabel(this);
  day_->setObjectName(QStringLiteral("dayNumber"));
  holiday_ = new QLabel(this);
  holiday_->setObjectName(QStringLiteral("holiday"));
  holiday_->setStyleSheet(QStringLiteral("color: #C00000;"));
  holiday_->setWordWrap(true);
  lines_ = new QLabel(this);
  lines_->setObjectName(QStringLiteral("eventLines"));
  lines_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  lines_->setWordWrap(false);
  lines_->setTextFormat(Qt::PlainText);
  lines_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
  lines_->installEventFilter(this);
  note_ = new QLineEdit(this);
  note_->setObjectName(QStringLiteral("note"));
  note_->setFrame(false);
  note_->setPlaceholderText(QString());
  note_->installEventFilter(this);

  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(day_);
  top->addWidget(holiday_, 1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(3, 2, 3, 2);
  column->setSpacing(1);
  column->addLayout(top);
  column->addWidget(lines_, 1);
  column->addWidget(note_);

  connect(note_, &QLineEdit::editingFinished, this, [this] {
    if (on_note_changed && note_->isModified()) {
      note_->setModified(false);
      on_note_changed(index_, note_->text().toStdString());
    }
  });
}

void DayCellWidget::Show(const desktop::DayCell& cell, bool day_view, bool selected) {
  has_day_ = cell.day > 0;
  setEnabled(true);
  QString number = has_day_ ? QString::number(cell.day) : QString();
  if (has_day_ && day_view) number += QStringLiteral("  ") + QString::fromStdString(cell.short_day);
  day_->setText(number);
  const bool dark = IsDark(QApplication::palette(this));
  day_->setStyleSheet(cell.today ? (dark ? QStringLiteral("color: #FF6060; font-weight: bold;")
                                         : QStringLiteral("color: red; font-weight: bold;"))
                                 : QStringLiteral("color: palette(mid);"));
  holiday_->setStyleSheet(dark ? QStringLiteral("color: #FF8080;") : QStringLiteral("color: #C00000;"));
  holiday_->setText(QString::fromStdString(cell.holiday));
  holiday_->setVisible(!cell.holiday.empty());
  QString lines = QString::fromStdString(cell.bar);
  lines.remove(QLatin1Char('\r'));
  if (lines.endsWith(QLatin1Char('\n'))) lines.chop(1);
  lines_->setText(lines);
  lines_->setToolTip(lines);
  if (!note_->hasFocus()) note_->setText(QString::fromStdString(cell.note));
  note_->setModified(false);
  note_->setVisible(has_day_);
  // From the application's palette: the cell's own one holds the last look.
  const QPalette base = QApplication::palette(this);
  QPalette p = base;
  // The selection is the highlight blended into the ground, so the cell's
  // text keeps its contrast on light and dark palettes alike.
  const QColor ground = has_day_ ? base.color(QPalette::Base) : base.color(QPalette::Window);
  const QColor mark = base.color(QPalette::Highlight);
  const QColor blended((ground.red() * 2 + mark.red()) / 3, (ground.green() * 2 + mark.green()) / 3,
                       (ground.blue() * 2 + mark.blue()) / 3);
  p.setColor(QPalette::Window, selected ? blended : ground);
  setPalette(p);
  setVisible(true);
}

void DayCellWidget::Clear() {
  has_day_ = false;
  setVisible(false);
}

int DayCellWidget::LineAt(int y) const {
  int line_height = QFontMetrics(lines_->font()).lineSpacing();
  return line_height > 0 ? y / line_height : 0;
}

void DayCellWidget::mousePressEvent(QMouseEvent* event) {
  if (on_select) on_select(index_);
  QFrame::mousePressEvent(event);
}

void DayCellWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (on_lines_double_click && has_day_) on_lines_double_click(index_, -1);
  QFrame::mouseDoubleClickEvent(event);
}

void DayCellWidget::contextMenuEvent(QContextMenuEvent* event) {
  if (on_select) on_select(index_);
  if (on_menu) on_menu(index_, event->globalPos());
}

bool DayCellWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn) {
    if (on_select) on_select(index_);
  }
  if (watched == lines_ && event->type() == QEvent::MouseButtonDblClick) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (on_lines_double_click && has_day_) {
      on_lines_double_click(index_, LineAt(static_cast<int>(mouse->position().y())));
    }
    return true;
  }
  return QFrame::eventFilter(watched, event);
}

void DayCellWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (has_day_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void DayCellWidget::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  if (on_select) on_select(index_);
  if (on_drop && !files.isEmpty()) on_drop(index_, files);
  event->acceptProposedAction();
}

}  // namespace almanix::shell
