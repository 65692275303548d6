#include "shell/event_window.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/dates.h"
#include "app/dir.h"
#include "app/startup.h"
#include "app/ui_seam.h"
#include "desktop/custom_colours.h"
#include "desktop/event_editor.h"
#include "desktop/event_files.h"
#include "desktop/skip_days.h"
#include "shell/small_windows.h"

namespace almanix::shell {

namespace {

using desktop::EventValues;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QDate ToQDate(DayNumber day) {
  CivilDate c = DecodeDate(day);
  return QDate(c.year, c.month, c.day);
}

DayNumber FromQDate(const QDate& d) { return EncodeDate(d.year(), d.month(), d.day()); }

QTime ToQTime(DateTimeValue value) {
  CivilDateTime c = DecodeDateTime(value);
  return QTime(c.hour, c.minute);
}

QListWidget* CheckList(const QStringList& items, QWidget* parent, int columns = 1) {
  auto* list = new QListWidget(parent);
  for (const QString& item : items) {
    auto* row = new QListWidgetItem(item, list);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Unchecked);
  }
  if (columns > 1) {
    list->setFlow(QListView::LeftToRight);
    list->setWrapping(true);
    list->setResizeMode(QListView::Adjust);
    const int widest = list->fontMetrics().horizontalAdvance(QStringLiteral("Wed")) + 40;
    list->setGridSize(QSize(widest, list->fontMetrics().height() + 8));
  }
  return list;
}

void SetTicks(QListWidget* list, const std::vector<bool>& ticks) {
  for (int i = 0; i < list->count(); ++i) {
    bool on = static_cast<size_t>(i) < ticks.size() && ticks[static_cast<size_t>(i)];
    list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
}

std::vector<bool> Ticks(const QListWidget* list) {
  std::vector<bool> ticks;
  for (int i = 0; i < list->count(); ++i) {
    ticks.push_back(list->item(i)->checkState() == Qt::Checked);
  }
  return ticks;
}

void ShowColour(QPushButton* button, const std::string& colour) {
  button->setText(colour.empty() ? QStringLiteral("(none)") : Q(colour));
  if (colour.empty()) {
    button->setStyleSheet(QString());
    return;
  }
  const char* ink = desktop::ColorTextIsBlack(colour) ? "#000000" : "#FFFFFF";
  button->setStyleSheet(QStringLiteral("background: %1; color: %2;").arg(Q(colour), ink));
}

}  // namespace

TfrmEvent::TfrmEvent(desktop::EventEditor& editor, desktop::PictureWorks& pictures,
                     QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setObjectName(QStringLiteral("TfrmEvent"));
  files_ = std::make_unique<desktop::EventFiles>(editor_, pictures);
  files_->set_choose_icon([this](const std::string& icon) { return ChooseIcon(icon, this); });
  setWindowTitle(Q(editor_.caption()));
  pages_ = new QTabWidget(this);
  pages_->addTab(BuildEventPage(), QStringLiteral("Event"));
  pages_->addTab(BuildAppearancePage(), QStringLiteral("Appearance"));
  pages_->addTab(BuildAdvancedPage(), QStringLiteral("Advanced"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName(QStringLiteral("buttons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
  resize(820, 660);
  Load();
  summary_->setFocus();
  summary_->selectAll();
}

TfrmEvent::~TfrmEvent() = default;

QWidget* TfrmEvent::BuildEventPage() {
  auto* page = new QWidget(this);
  summary_ = new QLineEdit(page);
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setMaxLength(64);
  location_ = new QLineEdit(page);
  location_->setObjectName(QStringLiteral("location"));
  start_date_ = new QDateEdit(page);
  start_date_->setObjectName(QStringLiteral("startDate"));
  start_date_->setCalendarPopup(true);
  start_date_->setDisplayFormat(QStringLiteral("ddd d MMM yyyy"));
  start_time_ = new QTimeEdit(page);
  start_time_->setObjectName(QStringLiteral("startTime"));
  start_time_->setDisplayFormat(QStringLiteral("HH:mm"));
  end_date_ = new QDateEdit(page);
  end_date_->setObjectName(QStringLiteral("endDate"));
  end_date_->setCalendarPopup(true);
  end_date_->setDisplayFormat(QStringLiteral("ddd d MMM yyyy"));
  end_time_ = new QTimeEdit(page);
  end_time_->setObjectName(QStringLiteral("endTime"));
  end_time_->setDisplayFormat(QStringLiteral("HH:mm"));
  all_day_ = new QCheckBox(QStringLiteral("All Day"), page);
  all_day_->setObjectName(QStringLiteral("allDay"));
  show_start_ = new QCheckBox(QStringLiteral("Show Start Time"), page);
  show_end_ = new QCheckBox(QStringLiteral("Show End Time"), page);
  time_zone_ = new QComboBox(page);
  time_zone_->setEditable(true);
  for (const std::string& zone : desktop::TimeZoneItems()) time_zone_->addItem(Q(zone));
  repeats_ = new QComboBox(page);
  repeats_->setObjectName(QStringLiteral("repeats"));
  repeats_->addItems({QStringLiteral("Never Repeats"), QStringLiteral("Daily"),
                      QStringLiteral("Weekly"), QStringLiteral("Monthly"),
                      QStringLiteral("Yearly")});

  auto when = new QGridLayout;
  when->addWidget(new QLabel(QStringLiteral("Starts"), page), 0, 0);
  when->addWidget(start_date_, 0, 1);
  when->addWidget(start_time_, 0, 2);
  when->addWidget(show_start_, 0, 3);
  when->addWidget(new QLabel(QStringLiteral("Ends"), page), 1, 0);
  when->addWidget(end_date_, 1, 1);
  when->addWidget(end_time_, 1, 2);
  when->addWidget(show_end_, 1, 3);
  when->addWidget(all_day_, 2, 1);
  when->addWidget(new QLabel(QStringLiteral("Time Zone "), page), 2, 2, Qt::AlignRight);
  when->addWidget(time_zone_, 2, 3);

  // The recurrence area, shown for every choice but "Never Repeats".
  recurrence_ = new QGroupBox(QStringLiteral("Recurrence"), page);
  interval_row_ = new QWidget(recurrence_);
  interval_ = new QSpinBox(interval_row_);
  interval_->setObjectName(QStringLiteral("interval"));
  interval_->setRange(1, 50);
  interval_unit_ = new QLabel(interval_row_);
  pattern_ = new QComboBox(interval_row_);
  pattern_->setObjectName(QStringLiteral("pattern"));
  pattern_->addItems({QStringLiteral("Weeks"), QStringLiteral("Week of the month"),
                      QStringLiteral("Week of the month (absolute)")});
  auto* row = new QHBoxLayout(interval_row_);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(new QLabel(QStringLiteral("Every"), interval_row_));
  row->addWidget(interval_);
  row->addWidget(interval_unit_);
  row->addWidget(pattern_);
  row->addStretch(1);
  weekdays_ = CheckList({QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"),
                         QStringLiteral("Wed"), QStringLiteral("Thu"), QStringLiteral("Fri"),
                         QStringLiteral("Sat")},
                        recurrence_, 7);
  weekdays_->setObjectName(QStringLiteral("weekdays"));
  weekdays_->setMaximumHeight(2 * (weekdays_->fontMetrics().height() + 8) + 6);
  QStringList days;
  for (int d = 1; d <= 31; ++d) days << QString::number(d);
  month_days_ = CheckList(days, recurrence_, 7);
  month_days_->setObjectName(QStringLiteral("monthDays"));
  QStringList months;
  for (int m = 1; m <= 12; ++m) months << Q(std::string(LongMonthName(m)));
  months_ = CheckList(months, recurrence_);
  months_->setObjectName(QStringLiteral("months"));
  ends_box_ = new QWidget(recurrence_);
  never_ends_ = new QRadioButton(QStringLiteral("Never ends repeating"), ends_box_);
  never_ends_->setObjectName(QStringLiteral("neverEnds"));
  ends_on_ = new QRadioButton(QStringLiteral("Ends repeating on"), ends_box_);
  ends_on_->setObjectName(QStringLiteral("endsOn"));
  end_repeat_ = new QDateEdit(ends_box_);
  end_repeat_->setObjectName(QStringLiteral("endRepeat"));
  end_repeat_->setCalendarPopup(true);
  end_repeat_->setDisplayFormat(QStringLiteral("d MMM yyyy"));
  skipped_ = new QPushButton(QStringLiteral("Skipped Days"), ends_box_);
  skipped_->setObjectName(QStringLiteral("skippedDays"));
  auto* ends = new QHBoxLayout(ends_box_);
  ends->setContentsMargins(0, 0, 0, 0);
  ends->addWidget(never_ends_);
  ends->addWidget(ends_on_);
  ends->addWidget(end_repeat_);
  ends->addStretch(1);
  ends->addWidget(skipped_);
  auto* rec = new QVBoxLayout(recurrence_);
  rec->addWidget(interval_row_);
  auto* day_lists = new QVBoxLayout;
  day_lists->addWidget(weekdays_);
  day_lists->addWidget(month_days_, 1);
  day_lists->addStretch(0);
  auto* lists = new QHBoxLayout;
  lists->addLayout(day_lists, 3);
  lists->addWidget(months_, 1);
  rec->addLayout(lists);
  rec->addWidget(ends_box_);

  description_ = new QPlainTextEdit(page);
  description_->setObjectName(QStringLiteral("description"));
  description_->setPlaceholderText(QStringLiteral("Description / Pop up"));
  description_->setMaximumHeight(90);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Event"), summary_);
  form->addRow(QStringLiteral("Where"), location_);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(form);
  layout->addLayout(when);
  auto* repeats_row = new QHBoxLayout;
  repeats_row->addWidget(new QLabel(QStringLiteral("Repeats:"), page));
  repeats_row->addWidget(repeats_);
  repeats_row->addStretch(1);
  layout->addLayout(repeats_row);
  layout->addWidget(recurrence_, 1);
  layout->addWidget(description_);

  // Controls with rules go through the editor, then show its values again.
  auto rule = [this](auto&& apply) {
    return [this, apply](auto&&...) {
      if (syncing_) return;
      Store();
      apply();
      Load();
    };
  };
  connect(repeats_, &QComboBox::currentIndexChanged, this, rule([this] {
            editor_.SetRepeats(static_cast<desktop::RepeatKind>(repeats_->currentIndex()));
          }));
  connect(pattern_, &QComboBox::currentIndexChanged, this, rule([this] {
            editor_.SetPattern(static_cast<desktop::WeeklyPattern>(pattern_->currentIndex()));
          }));
  connect(interval_, &QSpinBox::valueChanged, this,
          rule([this] { editor_.SetInterval(interval_->value()); }));
  connect(start_date_, &QDateEdit::dateChanged, this,
          rule([this] { editor_.SetStartDate(FromQDate(start_date_->date())); }));
  connect(start_time_, &QTimeEdit::timeChanged, this, rule([this] {
            editor_.SetStartTime(start_time_->time().hour(), start_time_->time().minute());
          }));
  connect(end_date_, &QDateEdit::dateChanged, this,
          rule([this] { editor_.SetEndDate(FromQDate(end_date_->date())); }));
  connect(end_time_, &QTimeEdit::timeChanged, this, rule([this] {
            editor_.SetEndTime(end_time_->time().hour(), end_time_->time().minute());
          }));
  connect(end_repeat_, &QDateEdit::dateChanged, this,
          rule([this] { editor_.SetEndRepeat(FromQDate(end_repeat_->date())); }));
  connect(all_day_, &QCheckBox::toggled, this,
          rule([this] { editor_.SetAllDay(all_day_->isChecked()); }));
  connect(skipped_, &QPushButton::clicked, this, [this] { ShowSkipDays(); });
  return page;
}

QWidget* TfrmEvent::BuildAppearancePage() {
  auto* page = new QWidget(this);
  font_ = new QComboBox(page);
  font_->setObjectName(QStringLiteral("font"));
  for (const std::string& f : desktop::FontItems()) font_->addItem(Q(f));
  font_options_ = new QWidget(page);
  font_size_ = new QSpinBox(font_options_);
  font_size_->setObjectName(QStringLiteral("fontSize"));
  font_size_->setRange(1, 99);
  font_color_ = new QPushButton(font_options_);
  font_color_->setObjectName(QStringLiteral("fontColor"));
  background_ = new QPushButton(font_options_);
  background_->setObjectName(QStringLiteral("background"));
  underline_ = new QCheckBox(QStringLiteral("underline"), font_options_);
  center_ = new QCheckBox(QStringLiteral("center"), font_options_);
  preview_ = new QLabel(font_options_);
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->setMinimumHeight(36);
  auto* options = new QFormLayout(font_options_);
  options->addRow(QStringLiteral("Size"), font_size_);
  options->addRow(QStringLiteral("Colour"), font_color_);
  options->addRow(QStringLiteral("Background"), background_);
  auto* ticks = new QHBoxLayout;
  ticks->addWidget(underline_);
  ticks->addWidget(center_);
  options->addRow(QString(), ticks);
  auto* links = new QHBoxLayout;
  const char* names[] = {"Heading", "Title", "Blue", "Red", "Green", "Orange"};
  for (int i = 0; i < 6; ++i) {
    auto* link = new QPushButton(QString::fromUtf8(names[i]), font_options_);
    link->setFlat(true);
    connect(link, &QPushButton::clicked, this, [this, i] {
      Store();
      editor_.ApplyStyleLink(static_cast<desktop::StyleLink>(i));
      Load();
    });
    links->addWidget(link);
  }
  options->addRow(QStringLiteral("Styles"), links);
  options->addRow(QStringLiteral("Preview"), preview_);

  day_color_ = new QPushButton(page);
  day_color_->setObjectName(QStringLiteral("dayColor"));
  auto* clear_day = new QPushButton(QStringLiteral("clear"), page);
  clear_day->setFlat(true);
  scroll_show_ = new QCheckBox(QStringLiteral("Show this event on the scroller"), page);
  icon_ = new QLabel(page);
  icon_->setFixedSize(40, 40);
  icon_->setFrameShape(QFrame::StyledPanel);
  photo_ = new QLabel(page);
  photo_->setFixedSize(124, 74);
  photo_->setFrameShape(QFrame::StyledPanel);
  auto* load_icon = new QPushButton(QStringLiteral("load icon"), page);
  auto* clear_icon = new QPushButton(QStringLiteral("clear"), page);
  auto* find_photo = new QPushButton(QStringLiteral("&Find"), page);
  auto* clear_photo = new QPushButton(QStringLiteral("&Clear"), page);

  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("Font"), font_);
  form->addRow(font_options_);
  auto* day = new QHBoxLayout;
  day->addWidget(day_color_);
  day->addWidget(clear_day);
  form->addRow(QStringLiteral("Day Color"), day);
  auto* icon_row = new QHBoxLayout;
  icon_row->addWidget(icon_);
  icon_row->addWidget(load_icon);
  icon_row->addWidget(clear_icon);
  icon_row->addStretch(1);
  form->addRow(QStringLiteral("Event icon"), icon_row);
  auto* photo_row = new QHBoxLayout;
  photo_row->addWidget(photo_);
  photo_row->addWidget(find_photo);
  photo_row->addWidget(clear_photo);
  photo_row->addStretch(1);
  form->addRow(QStringLiteral("Scroll and PopUp Photo"), photo_row);
  form->addRow(scroll_show_);

  connect(font_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (syncing_) return;
    Store();
    editor_.SetFont(index);
    Load();
  });
  connect(font_size_, &QSpinBox::valueChanged, this, [this] {
    if (syncing_) return;
    Store();
    editor_.ClickFontSize();
    Load();
  });
  connect(font_color_, &QPushButton::clicked, this, [this] { PickColor(0); });
  connect(background_, &QPushButton::clicked, this, [this] { PickColor(1); });
  connect(day_color_, &QPushButton::clicked, this, [this] { PickColor(2); });
  connect(clear_day, &QPushButton::clicked, this, [this] {
    Store();
    editor_.ClearDayColor();
    Load();
  });
  auto file_command = [this](auto&& run) {
    return [this, run] {
      Store();
      Status s = run();
      if (!s.ok() && s.code() == Status::Code::kIoError) {
        editor_.ui().ShowMessage(s.message(), MessageKind::kError);
      }
      Load();
    };
  };
  connect(load_icon, &QPushButton::clicked, this,
          file_command([this] { return files_->PickIcon(); }));
  connect(clear_icon, &QPushButton::clicked, this, file_command([this] {
            files_->ClearIcon();
            return Status::Ok();
          }));
  connect(find_photo, &QPushButton::clicked, this,
          file_command([this] { return files_->PickPhoto(desktop::PhotoSlot::kScroll); }));
  connect(clear_photo, &QPushButton::clicked, this, file_command([this] {
            files_->ClearPhoto(desktop::PhotoSlot::kScroll);
            return Status::Ok();
          }));
  for (QWidget* w : {static_cast<QWidget*>(underline_), static_cast<QWidget*>(center_)}) {
    connect(static_cast<QCheckBox*>(w), &QCheckBox::toggled, this, [this] {
      if (syncing_) return;
      Store();
      Load();
    });
  }
  return page;
}

QWidget* TfrmEvent::BuildAdvancedPage() {
  auto* page = new QWidget(this);
  url_ = new QLineEdit(page);
  url_->setObjectName(QStringLiteral("url"));
  link_name_ = new QLineEdit(page);
  link_name_->setObjectName(QStringLiteral("linkName"));
  new_window_ = new QCheckBox(QStringLiteral("open link in new window"), page);
  append_date_ = new QCheckBox(QStringLiteral("append calendar date to URL (yyyymmdd)"), page);
  append_category_ = new QCheckBox(QStringLiteral("append category and event name to URL"), page);
  categories_ = CheckList({}, page);
  categories_->setObjectName(QStringLiteral("categories"));
  auto* link_file = new QPushButton(QStringLiteral("link to a file ..."), page);
  auto* clear_link = new QPushButton(QStringLiteral("clear"), page);
  auto* attached = new QPushButton(QStringLiteral("Attached Files"), page);

  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("URL"), url_);
  form->addRow(QStringLiteral("Link Name"), link_name_);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(link_file);
  file_row->addWidget(clear_link);
  file_row->addWidget(attached);
  file_row->addStretch(1);
  form->addRow(QString(), file_row);
  form->addRow(new_window_);
  form->addRow(append_date_);
  form->addRow(append_category_);
  form->addRow(QStringLiteral("Multiple Categories:"), categories_);

  auto command = [this](auto&& run) {
    return [this, run] {
      Store();
      IgnoreResult(run(), "the command shows its own message");
      Load();
    };
  };
  connect(link_file, &QPushButton::clicked, this,
          command([this] { return files_->PickLinkFile(); }));
  connect(clear_link, &QPushButton::clicked, this, command([this] {
            files_->ClearLink();
            return Status::Ok();
          }));
  connect(attached, &QPushButton::clicked, this,
          command([this] { return files_->OpenAttachedFiles(); }));
  return page;
}

void TfrmEvent::Load() {
  syncing_ = true;
  const EventValues& v = editor_.values();
  setWindowTitle(Q(editor_.caption()));
  summary_->setText(Q(v.summary));
  location_->setText(Q(v.location));
  start_date_->setDate(ToQDate(DatePart(v.start)));
  start_time_->setTime(ToQTime(v.start));
  end_date_->setMinimumDate(ToQDate(editor_.end_date_minimum()));
  end_date_->setDate(ToQDate(DatePart(v.end)));
  end_time_->setTime(ToQTime(v.end));
  all_day_->setChecked(v.all_day);
  show_start_->setChecked(v.show_start_time);
  show_end_->setChecked(v.show_end_time);
  time_zone_->setCurrentText(Q(v.time_zone));
  repeats_->setCurrentIndex(static_cast<int>(v.repeats));
  interval_->setValue(v.interval);
  interval_unit_->setText(Q(editor_.interval_unit()));
  pattern_->setCurrentIndex(static_cast<int>(v.pattern));
  SetTicks(weekdays_, v.weekdays);
  SetTicks(month_days_, v.month_days);
  SetTicks(months_, v.months);
  never_ends_->setChecked(v.ends == desktop::EndsChoice::kNever);
  ends_on_->setChecked(v.ends == desktop::EndsChoice::kOn);
  end_repeat_->setMinimumDate(ToQDate(editor_.end_repeat_minimum()));
  if (v.end_repeat > 0) end_repeat_->setDate(ToQDate(v.end_repeat));
  if (description_->toPlainText().toStdString() != v.description) {
    description_->setPlainText(Q(v.description));
  }

  const desktop::RepeatAreas& areas = editor_.areas();
  recurrence_->setVisible(areas.recurrence);
  interval_row_->setVisible(areas.interval);
  pattern_->setVisible(areas.pattern);
  weekdays_->setVisible(areas.weekdays);
  month_days_->setVisible(areas.month_days);
  months_->setVisible(areas.months);
  ends_box_->setVisible(areas.ends);

  font_->setCurrentIndex(v.font);
  font_options_->setVisible(editor_.font_options_visible());
  font_size_->setValue(v.font_size);
  ShowColour(font_color_, v.font_color);
  ShowColour(background_, v.background);
  ShowColour(day_color_, v.day_color);
  underline_->setChecked(v.underline);
  center_->setChecked(v.center);
  scroll_show_->setChecked(v.scroll_show);
  preview_->setText(Q(v.summary));
  preview_->setAlignment(v.center ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
  preview_->setStyleSheet(
      QStringLiteral("font-size: %1pt; color: %2; background: %3; text-decoration: %4;")
          .arg(v.font_size)
          .arg(Q(v.font_color.empty() ? "#000000" : v.font_color))
          .arg(Q(v.background.empty() ? "#FFFFFF" : v.background))
          .arg(v.underline ? QStringLiteral("underline") : QStringLiteral("none")));
  icon_->setPixmap(QPixmap(Q(editor_.IconPath())).scaled(36, 36, Qt::KeepAspectRatio));
  photo_->setPixmap(QPixmap(Q(editor_.ScrollPhotoPath())));

  url_->setText(Q(v.url));
  link_name_->setText(Q(v.link_description));
  new_window_->setChecked(v.link_new_window);
  append_date_->setChecked(v.append_date);
  append_category_->setChecked(v.append_category);
  if (categories_->count() != static_cast<int>(v.categories.size())) {
    categories_->clear();
    for (const std::string& name : v.categories) {
      auto* row = new QListWidgetItem(Q(name), categories_);
      row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    }
  }
  SetTicks(categories_, v.category_ticks);
  syncing_ = false;
}

void TfrmEvent::Store() {
  EventValues& v = editor_.values();
  v.summary = summary_->text().toStdString();
  v.location = location_->text().toStdString();
  v.description = description_->toPlainText().left(desktop::kMaxDescription).toStdString();
  v.show_start_time = show_start_->isChecked();
  v.show_end_time = show_end_->isChecked();
  v.time_zone = time_zone_->currentText().toStdString();
  v.weekdays = Ticks(weekdays_);
  v.month_days = Ticks(month_days_);
  v.months = Ticks(months_);
  if (never_ends_->isChecked()) v.ends = desktop::EndsChoice::kNever;
  if (ends_on_->isChecked()) v.ends = desktop::EndsChoice::kOn;
  v.font_size = font_size_->value();
  v.underline = underline_->isChecked();
  v.center = center_->isChecked();
  v.scroll_show = scroll_show_->isChecked();
  v.url = url_->text().toStdString();
  v.link_description = link_name_->text().toStdString();
  v.link_new_window = new_window_->isChecked();
  v.append_date = append_date_->isChecked();
  v.append_category = append_category_->isChecked();
  v.category_ticks = Ticks(categories_);
}

void TfrmEvent::PickColor(int box) {
  Store();
  const auto which = static_cast<desktop::ColorBox>(box);
  const std::string config = editor_.app().dir->ConfigDir;
  std::vector<std::string> custom = desktop::ReadCustomColours(config);
  for (int i = 0; i < static_cast<int>(custom.size()) && i < QColorDialog::customCount(); ++i) {
    if (!custom[static_cast<size_t>(i)].empty()) {
      QColorDialog::setCustomColor(i, QColor(Q(custom[static_cast<size_t>(i)])));
    }
  }
  QColor start(Q(editor_.ColorOf(which)));
  QColor chosen = QColorDialog::getColor(start.isValid() ? start : QColor(Qt::black), this);
  // The custom colours are kept also when the dialog was cancelled.
  for (int i = 0; i < static_cast<int>(custom.size()) && i < QColorDialog::customCount(); ++i) {
    QColor c = QColorDialog::customColor(i);
    custom[static_cast<size_t>(i)] =
        c.isValid() && c != QColor(Qt::white) ? desktop::ColorText(c.red(), c.green(), c.blue())
                                             : custom[static_cast<size_t>(i)];
  }
  IgnoreResult(desktop::SaveCustomColours(config, custom),
               "custom colours are a convenience of the dialog");
  if (chosen.isValid()) editor_.SetColor(which, chosen.red(), chosen.green(), chosen.blue());
  Load();
}

void TfrmEvent::ShowSkipDays() {
  Store();
  desktop::SkipDays days = editor_.OpenSkipDays();
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("skipDays"));
  dialog.setWindowTitle(QStringLiteral("Skip Repeat on this day"));
  auto* list = new QListWidget(&dialog);
  auto* picker = new QDateEdit(ToQDate(days.picker()), &dialog);
  picker->setCalendarPopup(true);
  auto* add = new QPushButton(QStringLiteral("<< Add"), &dialog);
  auto* remove = new QPushButton(QStringLiteral("Delete >>"), &dialog);
  auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
  // Enter closes; Escape too, and the list is kept either way.
  close->setDefault(true);
  add->setAutoDefault(false);
  remove->setAutoDefault(false);
  auto refill = [&] {
    list->clear();
    for (const std::string& line : days.lines()) list->addItem(Q(line));
  };
  refill();
  connect(add, &QPushButton::clicked, &dialog, [&] {
    days.set_picker(FromQDate(picker->date()));
    days.Add(editor_.ui());
    refill();
  });
  connect(remove, &QPushButton::clicked, &dialog, [&] {
    days.Delete(list->currentRow());
    refill();
  });
  connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* side = new QVBoxLayout;
  side->addWidget(picker);
  side->addWidget(add);
  side->addWidget(remove);
  side->addStretch(1);
  side->addWidget(close);
  auto* layout = new QHBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addLayout(side);
  dialog.exec();
  editor_.CloseSkipDays(days);
  Load();
}

void TfrmEvent::accept() {
  Store();
  Status s = editor_.Ok();
  if (!s.ok()) editor_.ui().ShowMessage(s.message(), MessageKind::kError);
  QDialog::accept();
}

void TfrmEvent::reject() {
  editor_.Cancel();
  QDialog::reject();
}

}  // namespace almanix::shell
