#pragma once

#include <functional>
#include <string>

#include <QFrame>

class QLabel;
class QLineEdit;

namespace almanix::desktop {
struct DayCell;
}

namespace almanix::shell {

// One day of the grid: the day number (red for today's day and month), the
// holiday, the event lines and the note, editable in place.
class DayCellWidget : public QFrame {
 public:
  explicit DayCellWidget(int index, QWidget* parent = nullptr);

  void Show(const desktop::DayCell& cell, bool day_view, bool selected);
  void Clear();
  int index() const { return index_; }

  std::function<void(int index)> on_select;
  std::function<void(int index, int line)> on_lines_double_click;
  std::function<void(int index, const QPoint& global)> on_menu;
  std::function<void(int index, const std::string& text)> on_note_changed;
  std::function<void(int index, const QStringList& files)> on_drop;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int LineAt(int y) const;

  int index_;
  bool has_day_ = false;
  QLabel* day_ = nullptr;
  QLabel* holiday_ = nullptr;
  QLabel* lines_ = nullptr;
  QLineEdit* note_ = nullptr;
};

}  // namespace almanix::shell
