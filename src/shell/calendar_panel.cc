#include "shell/calendar_panel.h"

#include <memory>

#include <QAction>
#include <QCalendarWidget>
#include <QDate>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace almanix::shell {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QDate ToQDate(DayNumber day) {
  const CivilDate c = DecodeDate(day);
  return QDate(c.year, c.month, c.day);
}

}  // namespace

CalendarPanel::CalendarPanel(Commands commands, QWidget* parent)
    : QWidget(parent), commands_(std::move(commands)) {
  setObjectName(QStringLiteral("calendarPanel"));
  auto* title = new QLabel(QStringLiteral("Calendars"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  auto* edit = new QPushButton(QStringLiteral("Edit"), this);
  edit->setObjectName(QStringLiteral("calendarPanelEdit"));
  edit->setFlat(true);
  edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(edit->text()) + 16);
  edit->setToolTip(QStringLiteral("Rename, hide and give icons to the calendars"));
  connect(edit, &QPushButton::clicked, this, [this] {
    if (commands_.settings) commands_.settings(-1);
  });

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("categoryList"));
  list_->setIconSize(QSize(16, 16));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    // A hidden row has no name to choose.
    if (filling_ || item->text().trimmed().isEmpty() || !commands_.choose) return;
    commands_.choose(item->text().toStdString());
  });
  connect(list_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const int row = list_->row(list_->itemAt(at));
    if (row < 0) return;
    std::unique_ptr<QMenu> menu(BuildMenu(row, this));
    menu->exec(list_->viewport()->mapToGlobal(at));
  });

  calendar_ = new QCalendarWidget(this);
  calendar_->setObjectName(QStringLiteral("smallCalendar"));
  calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  calendar_->setGridVisible(false);
  // Narrow as the panel is: one letter a weekday, Sunday first as the grid.
  calendar_->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
  calendar_->setFirstDayOfWeek(Qt::Sunday);
  calendar_->setDateRange(QDate(2004, 1, 1), QDate(2099, 12, 31));
  connect(calendar_, &QCalendarWidget::clicked, this, [this](const QDate& date) {
    if (filling_ || !commands_.go_to) return;
    commands_.go_to(EncodeDate(date.year(), date.month(), date.day()));
  });

  auto* top = new QHBoxLayout;
  top->addWidget(title);
  top->addStretch();
  top->addWidget(edit);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 4, 0);
  layout->addLayout(top);
  layout->addWidget(list_, 1);
  layout->addWidget(calendar_);
}

void CalendarPanel::Show(const std::vector<desktop::CategoryRow>& rows, int current_row,
                         DayNumber date) {
  filling_ = true;
  list_->clear();
  for (const desktop::CategoryRow& row : rows) {
    auto* item = new QListWidgetItem(Q(row.name), list_);
    if (!row.icon.empty()) item->setIcon(QIcon(Q(row.icon)));
  }
  list_->setCurrentRow(current_row);
  if (date > 0) calendar_->setSelectedDate(ToQDate(date));
  filling_ = false;
}

QMenu* CalendarPanel::BuildMenu(int row, QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("categoryMenu"));
  const std::pair<const char*, std::function<void(int)>*> entries[] = {
      {"&Rename Calendar", &commands_.rename},
      {"&Hide Calendar", &commands_.hide},
      {"&Publish", &commands_.publish}};
  for (const auto& [caption, run] : entries) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    connect(action, &QAction::triggered, this, [run, row] {
      if (*run) (*run)(row);
    });
  }
  return menu;
}

}  // namespace almanix::shell
