#include "shell/main_window.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QIcon>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QHeaderView>
#include <QImage>
#include <QTabBar>
#include <QTableWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "desktop/categories.h"
#include "desktop/day_commands.h"
#include "desktop/file_menu.h"
#include "desktop/grid_rules.h"
#include "desktop/main_grid.h"
#include "desktop/main_pages.h"
#include "desktop/publish_handover.h"
#include "desktop/settings_form.h"
#include "desktop/note_markup.h"
#include "desktop/placement.h"
#include "generator/generator.h"
#include "program/program.h"
#include "desktop/event_editor.h"
#include "shell/calendar_panel.h"
#include "shell/day_cell.h"
#include "shell/eliding_label.h"
#include "shell/event_window.h"
#include "shell/online_page.h"
#include "shell/preview_page.h"
#include "shell/ftp_window.h"
#include "shell/desktop_services.h"
#include "shell/publish_menu.h"
#include "shell/publish_window.h"
#include "shell/exchange_windows.h"
#include "shell/file_menu_binding.h"
#include "shell/note_window.h"
#include "shell/qt_pictures.h"
#include "shell/qt_ui.h"
#include "shell/settings_window.h"
#include "shell/republish_window.h"
#include "shell/small_windows.h"
#include "shell/window_colours.h"

namespace almanix::shell {

namespace {

constexpr int kCellCount = 42;
constexpr std::string_view kNoFavoriteForFtp =
    "Save the calendar's format as a favorite first (Format, then Save): the FTP settings "
    "belong to a favorite.";

QString Q(const std::string& text) { return QString::fromStdString(text); }

DateTimeValue Now() { return FromTimeT(std::time(nullptr)); }

// The year box's year, which the publish commands work on.
int YearOf(const desktop::MainGrid& grid) { return std::atoi(grid.YearBoxText().c_str()); }

QAction* AddAction(QMenu* menu, const char* caption, std::function<void()> run,
                   const QKeySequence& keys = QKeySequence()) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  if (!keys.isEmpty()) action->setShortcut(keys);
  QObject::connect(action, &QAction::triggered, menu, [run = std::move(run)] { run(); });
  return action;
}

}  // namespace

TfrmMain::TfrmMain(Program& program, UiSeam& ui) : program_(program), ui_(ui) {
  setObjectName(QStringLiteral("TfrmMain"));
  setWindowTitle(QStringLiteral("Almanix"));
  setMinimumSize(700, 400);
  if (auto* qt = dynamic_cast<QtUi*>(&ui_)) qt->set_parent(this);
  grid_ = std::make_unique<desktop::MainGrid>(program_.app, program_.data, ui_, Now());
  commands_ = std::make_unique<desktop::DayCommands>(program_.app, program_.data, ui_, *grid_);
  commands_->set_open_editor([this](const desktop::EditorRequest& r) { return OpenEditor(r); });
  commands_->set_show_calendar_page([this] { pages_->setCurrentIndex(0); });
  // "Icon to Day...": both sizes shown on white, the chosen one saved.
  commands_->set_choose_icon([this](const std::string& icon) { return ChooseIcon(icon, this); });
  commands_->set_render_icon(
      [](const std::string& icon, int drawn_at, int size, const std::string& bitmap) -> Status {
        const QImage image = RenderIconImage(QString::fromStdString(icon), drawn_at, size);
        if (image.isNull()) return Status::Invalid(icon + " is not an icon that can be drawn");
        if (!image.save(QString::fromStdString(bitmap), "BMP")) {
          return Status::IoError("Could not write " + bitmap);
        }
        return Status::Ok();
      });
  handover_ = std::make_unique<desktop::PublishHandOver>(program_.app, program_.data, ui_);
  services_ = std::make_unique<DesktopServiceSet>(ui_, *program_.app.dir, this);
  handover_->set_desktop_services(services_->services());
  // A batch run ("-p") has nobody to answer the printer dialog.
  if (auto* qt = dynamic_cast<QtUi*>(&ui_)) services_->printer().set_may_ask(!qt->batch());
  handover_->set_show_window([this](publish::PublishEditor& editor, bool publish_step) {
    TMC::Hooks hooks;
    hooks.env = [this] { return handover_->RunEnv(); };
    hooks.publish_now = [this](publish::PublishEditor& e, publish::PublishOptions options) {
      return handover_->PublishNow(e, std::move(options));
    };
    hooks.route_progress = [this](std::function<void(int)> bar) {
      handover_->set_on_window_progress(std::move(bar));
    };
    hooks.route_cancel = [this](std::function<bool()> cancelled) {
      handover_->set_window_cancelled(std::move(cancelled));
    };
    hooks.open_ftp = [this](publish::PublishEditor& e) { OpenFtpWindowOn(e); };
    hooks.open_republish = [this] { OpenRepublishWindow(); };
    hooks.ftp_dir = program_.app.dir->FtpDir;
    TMC window(editor, ui_, std::move(hooks), this);
    if (publish_step) window.ShowPublishStep();
    window.exec();
  });
  exchange_ = std::make_unique<ExchangeWindows>(program_, ui_, *grid_, this);
  file_menu_ = std::make_unique<desktop::FileMenu>(program_, *grid_);
  file_menu_->set_show_calendar_page([this] { pages_->setCurrentIndex(0); });
  file_menu_->set_refresh_favorites([this] { RefreshFavoritesMenu(); });
  file_menu_->set_show_wait([this](const std::string& text) { ShowWait(text); });

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("pages"));
  pages_->setTabPosition(QTabWidget::South);
  // The tab bar would take the arrows' Page Up and Page Down keys.
  pages_->tabBar()->setFocusPolicy(Qt::NoFocus);
  pages_->addTab(BuildCalendarPage(), QStringLiteral("Calendar"));
  pages_->addTab(BuildEventsPage(), QStringLiteral("Events"));
  preview_ = new PreviewPage(*handover_, *program_.app.dir,
                             {[this] { return YearOf(*grid_); },
                              [this] { return grid_->CategoryNumber(); },
                              [this] { RefreshFavoritesMenu(); }},
                             pages_);
  pages_->addTab(preview_, QStringLiteral("Preview"));
  online_ = new OnlinePage(*program_.app.dir, ui_, [this] { return grid_->CategoryBoxText(); },
                           pages_);
  pages_->addTab(online_, QStringLiteral("Online"));
  // A long calendar path is shortened in the middle, not cut at the edge.
  status_ = new ElidingLabel(pages_);
  status_->setText(QStringLiteral("                            Calendar: Default"));
  status_->setObjectName(QStringLiteral("statusText"));
  pages_->setCornerWidget(status_, Qt::BottomRightCorner);
  setCentralWidget(pages_);
  file_binding_ = std::make_unique<FileMenuBinding>(*file_menu_, ui_, status_, [this] { Refresh(); });
  connect(pages_, &QTabWidget::currentChanged, this, [this](int page) { OnPageChanged(page); });
  BuildMenus();

  setWindowIcon(QIcon::fromTheme(QStringLiteral("almanix"),
                                 style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(QStringLiteral("Web Almanix"));
    auto* menu = new QMenu(this);
    AddAction(menu, "Open", [this] { BringToFront(); });
    AddAction(menu, "Exit", [this] { Exit(true); });
    tray_->setContextMenu(menu);
    // A right click opens the menu only.
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                BringToFront();
              }
            });
    tray_->show();
  }
}

TfrmMain::~TfrmMain() = default;

QWidget* TfrmMain::BuildCalendarPage() {
  auto* page = new QWidget(this);

  // The bar above the grid: arrows around the caption, the boxes, the views.
  auto* previous = new QToolButton(page);
  previous->setObjectName(QStringLiteral("previous"));
  previous->setArrowType(Qt::LeftArrow);
  previous->setToolTip(QStringLiteral("Previous (Page Up)"));
  previous->setShortcut(QKeySequence(Qt::Key_PageUp));
  connect(previous, &QToolButton::clicked, this, [this] {
    Report(grid_->Previous());
    Refresh();
  });
  auto* next = new QToolButton(page);
  next->setObjectName(QStringLiteral("next"));
  next->setArrowType(Qt::RightArrow);
  next->setToolTip(QStringLiteral("Next (Page Down)"));
  next->setShortcut(QKeySequence(Qt::Key_PageDown));
  connect(next, &QToolButton::clicked, this, [this] {
    Report(grid_->Next());
    Refresh();
  });
  caption_ = new QLabel(page);
  caption_->setObjectName(QStringLiteral("caption"));
  QFont big = caption_->font();
  big.setPointSizeF(big.pointSizeF() * 1.3);
  big.setBold(true);
  caption_->setFont(big);
  // On a narrow window or with a large font it takes two lines, not more room.
  caption_->setWordWrap(true);

  years_ = new QComboBox(page);
  years_->setObjectName(QStringLiteral("years"));
  for (const std::string& y : desktop::MainGrid::YearItems()) years_->addItem(Q(y));
  connect(years_, &QComboBox::activated, this, [this](int) {
    Report(grid_->ChooseYear(years_->currentText().toStdString()));
    Refresh();
  });
  categories_ = new QComboBox(page);
  categories_->setObjectName(QStringLiteral("categories"));
  categories_->setMinimumContentsLength(14);
  connect(categories_, &QComboBox::activated, this, [this](int) {
    Report(grid_->ChooseCategory(categories_->currentText().toStdString()));
    Refresh();
  });
  auto* today = new QPushButton(QStringLiteral("Today"), page);
  today->setObjectName(QStringLiteral("today"));
  connect(today, &QPushButton::clicked, this, [this] {
    Report(grid_->GoToday(Now()));
    Refresh();
  });

  auto* bar = new QHBoxLayout;
  bar->addWidget(previous);
  bar->addWidget(caption_, 1);
  bar->addWidget(next);
  bar->addSpacing(12);
  bar->addWidget(years_);
  bar->addWidget(categories_);
  bar->addWidget(today);
  for (int view : {31, 14, 7, 5}) {
    auto* button = new QPushButton(QString::number(view), page);
    button->setObjectName(QStringLiteral("view%1").arg(view));
    button->setToolTip(view == 31 ? QStringLiteral("Month") : QStringLiteral("%1 days").arg(view));
    button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("314")) + 16);
    connect(button, &QPushButton::clicked, this, [this, view] {
      Report(grid_->SetView(view));
      Refresh();
    });
    bar->addWidget(button);
  }

  weekday_header_ = new QWidget(page);
  auto* header = new QHBoxLayout(weekday_header_);
  header->setContentsMargins(0, 0, 0, 0);
  for (int k = 0; k < 7; ++k) {
    auto* label = new QLabel(weekday_header_);
    label->setAlignment(Qt::AlignCenter);
    weekday_labels_.push_back(label);
    header->addWidget(label, 1);
  }

  grid_area_ = new QWidget(page);
  grid_area_->setObjectName(QStringLiteral("grid"));
  grid_area_->setFocusPolicy(Qt::StrongFocus);
  auto* layout = new QGridLayout(grid_area_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  for (int i = 0; i < kCellCount; ++i) {
    auto* cell = new DayCellWidget(i, grid_area_);
    cell->on_select = [this](int index) { SelectCell(index); };
    cell->on_lines_double_click = [this](int index, int line) {
      SelectCell(index);
      int event = grid_->EventForBarLine(index, line);
      if (event >= 0) grid_->SelectEvent(event);
      if (grid_->CurrentEvent() >= 0) {
        Report(commands_->EditEvent());
      } else {
        Report(commands_->AddEvent());
      }
      Refresh();
    };
    cell->on_menu = [this](int index, const QPoint& at) { ShowDayMenu(index, at); };
    cell->on_note_changed = [this](int index, const std::string& text) {
      Report(grid_->SetNote(index, text));
      RefreshDayPanel();
    };
    cell->on_drop = [this](int index, const QStringList& files) {
      SelectCell(index);
      std::vector<std::string> paths;
      for (const QString& f : files) paths.push_back(f.toStdString());
      Report(commands_->DropFiles(paths));
      RefreshDayPanel();
    };
    cells_.push_back(cell);
  }

  hidden_row_ = new QPushButton(QStringLiteral("6"), page);
  hidden_row_->setObjectName(QStringLiteral("hiddenRow"));
  hidden_row_->setToolTip(QStringLiteral("Calendar Hidden Row"));
  hidden_row_->setMaximumWidth(30);
  connect(hidden_row_, &QPushButton::clicked, this, [this] {
    grid_->ToggleHiddenRow();
    Refresh();
  });

  auto* left = new QWidget(page);
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->addLayout(bar);
  left_layout->addWidget(weekday_header_);
  left_layout->addWidget(grid_area_, 1);
  auto* under = new QHBoxLayout;
  under->addWidget(hidden_row_);
  under->addStretch(1);
  left_layout->addLayout(under);

  // The event panel under the grid: the current event of the day.
  event_panel_ = new QWidget(page);
  event_panel_->setObjectName(QStringLiteral("eventPanel"));
  auto* ev = new QHBoxLayout(event_panel_);
  ev->setContentsMargins(4, 2, 4, 2);
  event_time_ = new QLabel(event_panel_);
  event_summary_ = new QLabel(event_panel_);
  QFont bold = event_summary_->font();
  bold.setBold(true);
  event_summary_->setFont(bold);
  event_description_ = new QLabel(event_panel_);
  event_description_->setTextFormat(Qt::PlainText);
  ev->addWidget(event_time_);
  ev->addWidget(event_summary_);
  ev->addWidget(event_description_, 1);
  left_layout->addWidget(event_panel_);

  auto* split = new QSplitter(page);
  split->addWidget(BuildCalendarPanel());
  split->addWidget(left);
  split->addWidget(BuildDatePanel());
  split->setStretchFactor(1, 1);
  split->setCollapsible(1, false);
  split->setSizes({190, 800, 200});

  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->addWidget(split);
  return page;
}

QWidget* TfrmMain::BuildEventsPage() {
  auto* page = new QWidget(this);
  show_ = new QComboBox(page);
  show_->setObjectName(QStringLiteral("showEvents"));
  show_->addItems({QStringLiteral("Show all events"), QStringLiteral("Show upcoming events"),
                   QStringLiteral("Search")});
  connect(show_, &QComboBox::activated, this, [this](int) { ReloadList(0); });
  search_ = new QLineEdit(page);
  search_->setObjectName(QStringLiteral("search"));
  search_->setPlaceholderText(QStringLiteral("Search"));
  search_->setClearButtonEnabled(true);
  auto* search = new QPushButton(QStringLiteral("Search"), page);
  search->setObjectName(QStringLiteral("searchButton"));
  auto run_search = [this] {
    show_->setCurrentIndex(static_cast<int>(desktop::ShowEvents::kSearch));
    ReloadList(0);
  };
  connect(search, &QPushButton::clicked, this, run_search);
  connect(search_, &QLineEdit::returnPressed, this, run_search);

  auto* bar = new QHBoxLayout;
  bar->addWidget(show_);
  bar->addWidget(search_, 1);
  bar->addWidget(search);
  for (const char* name : {"Add", "Edit", "Delete"}) {
    auto* link = new QPushButton(QString::fromUtf8(name), page);
    link->setObjectName(QStringLiteral("list%1").arg(QString::fromUtf8(name)));
    link->setFlat(true);
    connect(link, &QPushButton::clicked, this, [this, which = std::string(name)] {
      const DayNumber today = DatePart(Now());
      auto [id, s_date] = ListEvent();
      if (which == "Add") Report(commands_->AddEventFromList(today));
      if (which == "Edit") Report(commands_->EditEventFromList(id, s_date, today));
      if (which == "Delete") Report(commands_->DeleteEventFromList(id));
      ReloadList(0);
      Refresh();
    });
    bar->addWidget(link);
  }

  event_list_ = new QTableWidget(page);
  event_list_->setObjectName(QStringLiteral("eventList"));
  event_list_->setColumnCount(desktop::kEventListColumns);
  QStringList titles;
  for (const std::string& t : desktop::EventListTitles()) titles << Q(t);
  event_list_->setHorizontalHeaderLabels(titles);
  event_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  event_list_->setSelectionMode(QAbstractItemView::SingleSelection);
  event_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  event_list_->setAlternatingRowColors(true);
  event_list_->verticalHeader()->setVisible(false);
  event_list_->horizontalHeader()->setStretchLastSection(true);
  event_list_->horizontalHeader()->setSectionsClickable(true);
  connect(event_list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { ReloadList(column); });
  connect(event_list_, &QTableWidget::cellDoubleClicked, this, [this] {
    auto [id, s_date] = ListEvent();
    Report(commands_->EditEventFromList(id, s_date, DatePart(Now())));
    ReloadList(sort_column_);
    Refresh();
  });
  auto* remove = new QAction(event_list_);
  remove->setShortcut(QKeySequence::Delete);
  remove->setShortcutContext(Qt::WidgetShortcut);
  connect(remove, &QAction::triggered, this, [this] {
    Report(commands_->DeleteEventFromList(ListEvent().first));
    ReloadList(0);
    Refresh();
  });
  event_list_->addAction(remove);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(bar);
  layout->addWidget(event_list_, 1);
  return page;
}

void TfrmMain::ReloadList(int column) {
  sort_column_ = column;
  const std::string current = ListEvent().first;
  Result<std::vector<desktop::EventListRow>> rows = desktop::ReloadEventList(
      program_.data.db(), static_cast<desktop::ShowEvents>(show_->currentIndex()), column,
      search_->text().toStdString(), DatePart(Now()));
  Report(rows.status());
  event_list_->setRowCount(0);
  list_events_.clear();
  if (!rows.ok()) return;
  event_list_->setRowCount(static_cast<int>(rows.value().size()));
  int row = 0;
  int keep = -1;
  for (const desktop::EventListRow& r : rows.value()) {
    for (int c = 0; c < desktop::kEventListColumns; ++c) {
      event_list_->setItem(row, c, new QTableWidgetItem(Q(r.cells[static_cast<size_t>(c)])));
    }
    if (r.id == current) keep = row;
    list_events_.emplace_back(r.id, r.s_date);
    ++row;
  }
  if (row > 0) event_list_->selectRow(keep >= 0 ? keep : 0);
}

std::pair<std::string, std::string> TfrmMain::ListEvent() const {
  int row = event_list_ ? event_list_->currentRow() : -1;
  if (row < 0 || row >= static_cast<int>(list_events_.size())) return {};
  return list_events_[static_cast<size_t>(row)];
}

void TfrmMain::OnPageChanged(int page) {
  if (page == 0) {
    grid_->LocateCategory(grid_->CategoryBoxText());
    Report(grid_->LoadGrid(grid_->DisplayDate()));
    Refresh();
    RefillFormatBox(false);
  } else if (page == 1) {
    ReloadList(0);
  } else if (page == 2) {
    grid_->LocateCategory(grid_->CategoryBoxText());
    RefillFormatBox(true);
  } else if (page == 3) {
    online_->Load();
  }
}

void TfrmMain::RefillFormatBox(bool run) {
  preview_->Refill(desktop::FormatBoxItems(*program_.app.dir, program_.data.db(),
                                           grid_->YearBoxText(), grid_->CategoryName()),
                   grid_->CategoryName(), run);
}

void TfrmMain::RefreshFavoritesMenu() { publish_menu_->Refresh(); }

void TfrmMain::FormatCategory(bool new_calendar) {
  grid_->LocateCategory(grid_->CategoryBoxText());
  Report(handover_->FormatCategory(YearOf(*grid_), grid_->CategoryName(), grid_->CategoryNumber(),
                                   new_calendar));
  RefreshFavoritesMenu();
}

void TfrmMain::PublishFavorite(const std::string& favorite) {
  // The day's events wait while the favorite is published.
  day_events_->setEnabled(false);
  Status s = handover_->PublishFavorite(favorite, YearOf(*grid_), grid_->CategoryName(),
                                        grid_->CategoryNumber());
  day_events_->setEnabled(true);
  if (!s.ok()) ui_.ShowMessage(s.message(), MessageKind::kError);
  RefreshFavoritesMenu();
}

void TfrmMain::OpenFtpWindow() {
  std::vector<std::string> names;
  for (const desktop::FavoriteEntry& entry : desktop::FavoritesMenu(*program_.app.dir)) {
    names.push_back(entry.name);
  }
  if (names.empty()) {
    ui_.ShowMessage(kNoFavoriteForFtp, MessageKind::kInformation);
    return;
  }
  std::optional<int> chosen = 0;
  if (names.size() > 1) chosen = ui_.Choose("FTP settings of which calendar?", names, 0);
  if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(names.size())) return;
  const std::string name = names[static_cast<size_t>(*chosen)];
  FtpWindow window(program_, ui_, name, this);
  // "Publish Here" sends this favorite's calendar as it is now.
  window.set_before_upload([this, name] { return handover_->Preview(name, YearOf(*grid_)).status; });
  if (on_ftp_window_) on_ftp_window_(window);
  window.exec();
}

void TfrmMain::OpenFtpWindowOn(publish::PublishEditor& editor) {
  FtpWindow window(program_, ui_, editor, QApplication::activeModalWidget());
  // "Publish Here" sends the calendar as the Format & Publish window has it.
  window.set_before_upload([this, &editor] {
    generator::Generator generator(editor, handover_->RunEnv());
    return generator.PreviewRun(false);
  });
  if (on_ftp_window_) on_ftp_window_(window);
  window.exec();
}

void TfrmMain::OpenRepublishWindow() {
  publish::ProcessRunner runner;
  RepublishWindow window(program_.app, ui_, runner, "", QApplication::activeModalWidget()
                                                            ? QApplication::activeModalWidget()
                                                            : this);
  if (on_republish_window_) on_republish_window_(window);
  window.exec();
}

QWidget* TfrmMain::BuildDatePanel() {
  date_panel_ = new QWidget(this);
  date_panel_->setObjectName(QStringLiteral("datePanel"));
  date_panel_->setMinimumWidth(150);
  date_panel_->setMaximumWidth(300);
  auto* layout = new QVBoxLayout(date_panel_);
  layout->setContentsMargins(4, 0, 0, 0);
  date_label_ = new QLabel(date_panel_);
  date_label_->setObjectName(QStringLiteral("dateLabel"));
  QFont big = date_label_->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.2);
  date_label_->setFont(big);
  date_label_->setWordWrap(true);
  day_holiday_ = new QLabel(date_panel_);
  day_holiday_->setObjectName(QStringLiteral("dayHoliday"));
  day_holiday_->setStyleSheet(IsDark(palette()) ? QStringLiteral("color: #FF8080;")
                                                : QStringLiteral("color: #C00000;"));
  day_events_ = new QListWidget(date_panel_);
  day_events_->setObjectName(QStringLiteral("dayEvents"));
  connect(day_events_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (refreshing_) return;
    grid_->SelectEvent(row);
    RefreshDayPanel();
  });
  connect(day_events_, &QListWidget::itemDoubleClicked, this, [this] {
    Report(commands_->EditEvent());
    Refresh();
  });
  auto* links = new QHBoxLayout;
  for (const char* name : {"Add", "Edit", "Delete"}) {
    auto* link = new QPushButton(QString::fromUtf8(name), date_panel_);
    link->setObjectName(QStringLiteral("day%1").arg(QString::fromUtf8(name)));
    link->setFlat(true);
    // Links, not dialog buttons: as wide as their word.
    link->setMinimumWidth(link->fontMetrics().horizontalAdvance(link->text()) + 12);
    connect(link, &QPushButton::clicked, this, [this, which = std::string(name)] {
      if (which == "Add") Report(commands_->AddEvent());
      if (which == "Edit") Report(commands_->EditEvent());
      if (which == "Delete") Report(commands_->DeleteEvent());
      Refresh();
    });
    links->addWidget(link);
  }
  day_note_ = new QPlainTextEdit(date_panel_);
  day_note_->setObjectName(QStringLiteral("dayNote"));
  day_note_->setPlaceholderText(QStringLiteral("Note"));
  day_note_->setMaximumHeight(100);
  connect(day_note_, &QPlainTextEdit::modificationChanged, this, [this](bool changed) {
    if (!changed || refreshing_) return;
    // Stored as the person types: leaving the box must not lose it.
    Report(grid_->SetNote(grid_->SelectedCell(), day_note_->toPlainText().toStdString()));
    day_note_->document()->setModified(false);
    Refresh();
  });
  day_files_ = new QListWidget(date_panel_);
  day_files_->setObjectName(QStringLiteral("dayFiles"));
  day_files_->setMaximumHeight(108);
  connect(day_files_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    Report(program_.app.dir->ShellOpen(grid_->DayFolder() + item->text().toStdString()));
  });

  layout->addWidget(date_label_);
  layout->addWidget(day_holiday_);
  layout->addWidget(day_events_, 1);
  layout->addLayout(links);
  layout->addWidget(day_note_);
  layout->addWidget(day_files_);
  return date_panel_;
}

void TfrmMain::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file_binding_->AddTo(file, this);
  file->addSeparator();
  QMenu* import = file->addMenu(QStringLiteral("Import"));
  AddAction(import, "Import &CSV (comma-separated values)", [this] { ImportCsv(); });
  AddAction(import, "&Import iCal ...", [this] { ImportIcal(); });
  AddAction(import, "Import Events", [this] { ImportEvents(); });
  QMenu* exporting = file->addMenu(QStringLiteral("Export"));
  AddAction(exporting, "&Export iCal ...", [this] { ExportIcal(); });
  AddAction(exporting, "Export Events", [this] { ExportEvents(); });
  file->addSeparator();
  AddAction(file, "Clear Calendar", [this] {
    Report(commands_->ClearCategory());
    Refresh();
  });
  file->addSeparator();
  AddAction(file, "Application Settings", [this] { ShowSettings(); });
  AddAction(file, "E&xit", [this] { Exit(true); }, QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  AddAction(edit, "Event Copy", [this] {
    Report(commands_->CopyEvent());
    Refresh();
  });
  paste_actions_.push_back(AddAction(edit, "Event Paste", [this] {
    Report(commands_->PasteEvent());
    Refresh();
  }));

  QMenu* event = menuBar()->addMenu(QStringLiteral("E&vent"));
  AddAction(event, "Add new", [this] {
    Report(commands_->AddEvent());
    Refresh();
  }, QKeySequence(Qt::CTRL | Qt::Key_E));
  AddAction(event, "Edit", [this] {
    Report(commands_->EditEvent());
    Refresh();
  }, QKeySequence(Qt::Key_F2));
  AddAction(event, "Delete", [this] {
    Report(commands_->DeleteEvent());
    Refresh();
  }, QKeySequence(Qt::Key_Delete));
  AddAction(event, "&Copy", [this] {
    Report(commands_->CopyEvent());
    Refresh();
  }, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  paste_actions_.push_back(AddAction(event, "&Paste", [this] {
    Report(commands_->PasteEvent());
    Refresh();
  }, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)));

  QMenu* note = menuBar()->addMenu(QStringLiteral("&Note"));
  AddAction(note, "Edit note in HTML Editor", [this] { ShowNoteEditor(); },
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  AddAction(note, "Add Link to a Website", [this] { AddLinkToNote(); },
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
  AddAction(note, "Append Longer Note", [this] { Report(commands_->LongerNote()); });

  QMenu* attach = menuBar()->addMenu(QStringLiteral("&Attach"));
  AddAction(attach, "Day Attachments", [this] {
    Report(commands_->OpenDayFolder());
    RefreshDayPanel();
  });
  AddAction(attach, "File to Day ...", [this] {
    Report(commands_->AttachToDay(desktop::DayCommands::Attachment::kFile));
    RefreshDayPanel();
  });
  AddAction(attach, "Picture to Day ...", [this] {
    Report(commands_->AttachToDay(desktop::DayCommands::Attachment::kPicture));
    RefreshDayPanel();
  });
  AddAction(attach, "Day Background ...", [this] {
    Report(commands_->AttachToDay(desktop::DayCommands::Attachment::kBackground));
    RefreshDayPanel();
  });
  AddAction(attach, "Icon to Day...", [this] {
    Report(commands_->AttachIconToDay());
    RefreshDayPanel();
  });
  AddAction(attach, "Delete Attachments", [this] {
    Report(commands_->DeleteDayFolder());
    RefreshDayPanel();
  });
  AddAction(attach, "&Search Attachments", [this] { Report(commands_->SearchAttachments()); });
  AddAction(attach, "Calendar Files",
            [this] { Report(program_.app.dir->ShellOpen(program_.app.dir->IncludeDir)); });

  QMenu* holiday = menuBar()->addMenu(QStringLiteral("&Holiday"));
  AddAction(holiday, "Add", [this] {
    Report(commands_->HolidayAdd());
    Refresh();
  });
  AddAction(holiday, "Delete", [this] {
    Report(commands_->HolidayDelete());
    Refresh();
  });

  publish_menu_ = std::make_unique<PublishMenu>(
      menuBar()->addMenu(QStringLiteral("&Publish")), *program_.app.dir,
      PublishMenu::Commands{[this] { FormatCategory(false); }, [this] { FormatCategory(true); },
                            [this](const std::string& name) { PublishFavorite(name); },
                            [this] { OpenFtpWindow(); },
                            [this] { OpenRepublishWindow(); }});
  RefreshFavoritesMenu();

  QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
  AddAction(settings, "Calendar && Application Settings", [this] { ShowSettings(); });
  AddAction(settings, "Format Calendar", [this] { FormatCategory(false); });

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  calendar_panel_action_ = AddAction(view, "Calendar Panel", [this] {
    calendar_panel_->setVisible(calendar_panel_action_->isChecked());
    RefreshCalendarPanel();
  });
  calendar_panel_action_->setCheckable(true);
  date_panel_action_ = AddAction(view, "Date Panel", [this] {
    date_panel_->setVisible(date_panel_action_->isChecked());
  });
  date_panel_action_->setCheckable(true);
  date_panel_action_->setChecked(true);
  event_panel_action_ = AddAction(view, "Event Panel", [this] {
    event_panel_->setVisible(event_panel_action_->isChecked());
  });
  event_panel_action_->setCheckable(true);
  event_panel_action_->setChecked(true);
  AddAction(view, "Calendar Hidden Row", [this] {
    grid_->ToggleHiddenRow();
    Refresh();
  });
  AddAction(view, "Small Calendar", [this] { setGeometry(5, 5, 770, 550); });
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    AddAction(view, "&Hide in System Tray", [this] { hide(); });
  }

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  AddAction(help, "&Open Install Folder",
            [this] { Report(program_.app.dir->ShellOpen(program_.app.dir->InstallDir)); });
  AddAction(help, "User Data",
            [this] { Report(program_.app.dir->ShellOpen(program_.app.dir->UserDataDir)); });
  AddAction(help, "&Open Attachments Folder",
            [this] { Report(program_.app.dir->ShellOpen(program_.app.dir->AttachmentsDir)); });
  AddAction(help, "Open &Database Folder",
            [this] { Report(program_.app.dir->ShellOpen(program_.app.dir->DbDir)); });
  help->addSeparator();
  AddAction(help, "&About", [this] { About(); });
}

void TfrmMain::StartUp() {
  grid_->SetStartupLogging(true);
  DateTimeValue now = Now();
  grid_->SetToday(DatePart(now));
  Status s = grid_->LoadGrid(now);
  grid_->cboCalendar_load();
  grid_->SetStartupLogging(false);
  if (!s.ok() &&
      ui_.Ask("There was an error starting. Would you like to continue?", Buttons::kYesNo,
              Answer::kYes) == Answer::kNo) {
    QApplication::exit(1);
    return;
  }
  const TConfig& config = *program_.app.config;
  std::vector<desktop::WindowRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect a = screen->availableGeometry();
    screens.push_back({a.x(), a.y(), a.width(), a.height()});
  }
  // The primary screen first: an off-screen window goes there.
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    const QRect a = primary->availableGeometry();
    screens.insert(screens.begin(), {a.x(), a.y(), a.width(), a.height()});
  }
  const desktop::WindowRect placed = desktop::PlaceOnScreens(
      desktop::PlacementFromConfig(config.Left, config.Top, config.Width, config.Heigth),
      screens);
  resize(placed.width, placed.height);
  move(placed.x, placed.y);
  if (!program_.app.dir->CalendarFile.empty()) {
    status_->setText(Q("                Calendar: " + program_.app.dir->CalendarFile));
  }
  // What start-up opened is what is on disk.
  file_menu_->MarkSaved();
  // The day panel starts on today.
  const auto& cells = grid_->cells();
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].date == DatePart(now)) IgnoreResult(grid_->ShowDay(static_cast<int>(i)),
                                                     "a day without rows shows an empty panel");
  }
  pages_->setCurrentIndex(0);
  Refresh();
  grid_area_->setFocus();
}

void TfrmMain::BringToFront() {
  // From the tray or minimised: back at its normal size.
  if (isMinimized() || isHidden()) showNormal();
  show();
  raise();
  activateWindow();
}

void TfrmMain::SelectCell(int index) {
  // The grid keeps its selected place when it loads another month, so that
  // place may hold another day now, whose panel is not shown yet.
  const auto& shown = grid_->cells();
  if (index == grid_->SelectedCell() && index < static_cast<int>(shown.size()) &&
      shown[static_cast<size_t>(index)].date == grid_->SelectedDay()) {
    return;
  }
  Report(grid_->ShowDay(index));
  for (DayCellWidget* cell : cells_) {
    if (cell->index() < static_cast<int>(grid_->cells().size())) {
      cell->Show(grid_->cells()[static_cast<size_t>(cell->index())], grid_->ViewSpan() != 31,
                 cell->index() == index);
    }
  }
  RefreshDayPanel();
}

void TfrmMain::Refresh() {
  refreshing_ = true;
  if (file_binding_) file_binding_->Refresh();
  RefreshHeader();
  const auto& cells = grid_->cells();
  const int columns = grid_->GridColumns();
  const int rows = grid_->GridRows();
  const int shown = std::min<int>(columns * rows, static_cast<int>(cells.size()));
  auto* layout = static_cast<QGridLayout*>(grid_area_->layout());
  for (DayCellWidget* cell : cells_) layout->removeWidget(cell);
  for (int r = 0; r < 6; ++r) layout->setRowStretch(r, r < rows ? 1 : 0);
  for (int c = 0; c < 7; ++c) layout->setColumnStretch(c, c < columns ? 1 : 0);
  for (int i = 0; i < kCellCount; ++i) {
    DayCellWidget* cell = cells_[static_cast<size_t>(i)];
    if (i < shown) {
      layout->addWidget(cell, i / columns, i % columns);
      cell->Show(cells[static_cast<size_t>(i)], grid_->ViewSpan() != 31,
                 i == grid_->SelectedCell());
    } else {
      cell->Clear();
    }
  }
  RefreshDayPanel();
  RefreshCalendarPanel();
  const std::string paste = commands_->PasteCaption();
  for (QAction* action : paste_actions_) {
    action->setText(action == paste_actions_.back() ? QStringLiteral("&Paste") : Q(paste));
  }
  refreshing_ = false;
}

void TfrmMain::RefreshHeader() {
  caption_->setText(Q(grid_->Caption()));
  publish_menu_->SetCategory(grid_->CategoryName());
  years_->setCurrentText(Q(grid_->YearBoxText()));
  QStringList names;
  for (const std::string& name : grid_->CategoryItems()) names << Q(name);
  QStringList present;
  for (int i = 0; i < categories_->count(); ++i) present << categories_->itemText(i);
  if (present != names) {
    categories_->clear();
    categories_->addItems(names);
  }
  categories_->setCurrentText(Q(grid_->CategoryName()));
  hidden_row_->setText(Q(grid_->HiddenRowButtonCaption()));
  hidden_row_->setVisible(grid_->ViewSpan() == 31);
  weekday_header_->setVisible(grid_->WeekdayHeaderVisible());
  const bool panel = date_panel_ && date_panel_->isVisible();
  for (int k = 0; k < 7; ++k) {
    weekday_labels_[static_cast<size_t>(k)]->setText(
        Q(desktop::WeekdayLabel(k, width(), panel)));
  }
}

void TfrmMain::RefreshDayPanel() {
  const bool was = refreshing_;
  refreshing_ = true;
  date_label_->setText(Q(grid_->DateLabel()));
  int cell = grid_->SelectedCell();
  const bool has_cell = cell >= 0 && cell < static_cast<int>(grid_->cells().size());
  std::string holiday = has_cell ? grid_->cells()[static_cast<size_t>(cell)].holiday : "";
  day_holiday_->setText(Q(holiday));
  day_holiday_->setVisible(!holiday.empty());
  day_events_->clear();
  for (const desktop::DayEvent& e : grid_->DayEvents()) {
    day_events_->addItem(Q(e.time.empty() ? e.summary : e.time + "  " + e.summary));
  }
  day_events_->setCurrentRow(grid_->CurrentEvent());
  std::string note = has_cell ? grid_->cells()[static_cast<size_t>(cell)].note : "";
  if (!day_note_->hasFocus() || day_note_->toPlainText().toStdString() != note) {
    if (!day_note_->hasFocus()) day_note_->setPlainText(Q(note));
  }
  day_note_->setEnabled(has_cell && grid_->cells()[static_cast<size_t>(cell)].day > 0);
  day_note_->document()->setModified(false);
  day_files_->clear();
  for (const std::string& f : grid_->DayFiles()) day_files_->addItem(Q(f));
  day_files_->setVisible(!grid_->DayFiles().empty());
  int current = grid_->CurrentEvent();
  if (current >= 0) {
    const desktop::DayEvent& e = grid_->DayEvents()[static_cast<size_t>(current)];
    event_time_->setText(Q(e.time));
    event_summary_->setText(Q(e.summary));
    event_description_->setText(Q(e.description));
  } else {
    event_time_->clear();
    event_summary_->clear();
    event_description_->clear();
  }
  refreshing_ = was;
}

void TfrmMain::ShowSettings(int category_row, bool rename) {
  pages_->setCurrentIndex(0);
  {
    TfrmSettings settings(program_.app, program_.data, ui_, grid_->YearBoxText(), this);
    settings.ShowCategory(category_row, rename);
    settings.exec();
  }
  Report(desktop::SettingsForm::ReloadMain(program_.app, program_.data, *grid_));
  Refresh();
  RefreshFavoritesMenu();
}

QWidget* TfrmMain::BuildCalendarPanel() {
  CalendarPanel::Commands commands;
  commands.choose = [this](const std::string& name) {
    Report(grid_->ChooseCategory(name));
    Refresh();
  };
  commands.settings = [this](int row) { ShowSettings(row); };
  commands.rename = [this](int row) { ShowSettings(row, true); };
  commands.hide = [this](int row) { ShowSettings(row); };
  commands.publish = [this](int row) {
    // The category under the pointer becomes the current one first.
    const std::vector<desktop::CategoryRow> rows = desktop::CategoryListRows(
        program_.app, program_.data.db(), YearOf(*grid_));
    const std::string name =
        row >= 0 && row < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(row)].name : "";
    if (!name.empty()) {
      Report(grid_->ChooseCategory(name));
      Refresh();
    }
    FormatCategory(false);
  };
  commands.go_to = [this](DayNumber day) {
    grid_->LocateCategory(grid_->CategoryBoxText());
    Report(grid_->LoadGrid(day));
    Refresh();
  };
  calendar_panel_ = new CalendarPanel(std::move(commands), this);
  calendar_panel_->setMinimumWidth(std::max(150, calendar_panel_->minimumSizeHint().width()));
  calendar_panel_->setMaximumWidth(260);
  calendar_panel_->hide();
  return calendar_panel_;
}

void TfrmMain::RefreshCalendarPanel() {
  if (calendar_panel_ == nullptr || calendar_panel_->isHidden()) return;
  calendar_panel_->Show(
      desktop::CategoryListRows(program_.app, program_.data.db(), YearOf(*grid_)),
      grid_->CategoryNumber() - 1, DatePart(grid_->DisplayDate()));
}

void TfrmMain::ShowWait(const std::string& text) {
  wait_.reset();
  wait_ = std::make_unique<WaitWindow>(this, Q(text));
  // It closes itself a second after it showed; during a long step that is
  // once the step has ended.
  const int shown = ++wait_shown_;
  QTimer::singleShot(1000, this, [this, shown] {
    if (shown == wait_shown_) wait_.reset();
  });
}

void TfrmMain::Report(const Status& status) {
  // The core has shown its own message for a refusal; what reaches here
  // unshown is an engine or file failure with its reason.
  if (status.ok() || status.code() == Status::Code::kCancelled) return;
  if (status.code() == Status::Code::kIoError) {
    ui_.ShowMessage(status.message(), MessageKind::kError);
  }
}

Status TfrmMain::OpenEditor(const desktop::EditorRequest& request) {
  desktop::EventEditor editor(program_.app, program_.data, ui_);
  if (Status s = editor.LoadEvent(request.category_id, request.is_new, request.date,
                                  request.event_id);
      !s.ok()) {
    return s;
  }
  QtPictureWorks pictures;
  TfrmEvent window(editor, pictures, this);
  if (on_editor_open_) on_editor_open_(window);
  window.exec();
  return Status::Ok();
}

void TfrmMain::ShowDayMenu(int index, const QPoint& global) {
  SelectCell(index);
  QMenu menu(this);
  AddAction(&menu, "&Event New", [this] { Report(commands_->AddEvent()); });
  AddAction(&menu, "&Event Edit", [this] { Report(commands_->EditEvent()); });
  AddAction(&menu, "&Event Delete", [this] { Report(commands_->DeleteEvent()); });
  AddAction(&menu, "&Event Copy", [this] { Report(commands_->CopyEvent()); });
  QAction* paste = AddAction(&menu, "Event Paste", [this] { Report(commands_->PasteEvent()); });
  paste->setText(Q(commands_->PasteCaption()));
  menu.addSeparator();
  AddAction(&menu, "&Note Edit", [this] { ShowNoteEditor(); });
  AddAction(&menu, "&Note Add Link to a Website", [this] { AddLinkToNote(); });
  AddAction(&menu, "Longer Note", [this] { Report(commands_->LongerNote()); });
  menu.addSeparator();
  AddAction(&menu, "&Folder open", [this] { Report(commands_->OpenDayFolder()); });
  AddAction(&menu, "&Folder delete (Attachments)", [this] { Report(commands_->DeleteDayFolder()); });
  menu.addSeparator();
  AddAction(&menu, "Holiday Add", [this] { Report(commands_->HolidayAdd()); });
  AddAction(&menu, "Holiday Delete", [this] { Report(commands_->HolidayDelete()); });
  menu.exec(global);
  Refresh();
}

void TfrmMain::ShowNoteEditor() {
  int cell = grid_->SelectedCell();
  if (cell < 0 || cell >= static_cast<int>(grid_->cells().size()) ||
      grid_->cells()[static_cast<size_t>(cell)].day == 0) {
    return;
  }
  const desktop::DayCell& day = grid_->cells()[static_cast<size_t>(cell)];
  NoteWindow window(Q(commands_->NoteEditorCaption()),
                    Q(desktop::NoteDayHeader(day.day, grid_->selected().MonthName())), Q(day.note),
                    this);
  if (window.exec() == QDialog::Accepted) {
    const std::string note = window.note().toStdString();
    if (note != day.note) Report(grid_->SetNote(cell, note));
  }
  Refresh();
}

void TfrmMain::AddLinkToNote() {
  std::optional<desktop::LinkInput> input = LinkWindow::Ask(this);
  if (!input) return;
  if (!desktop::LinkInsertion(*input)) return;
  Report(commands_->AddLinkToNote(Trim(input->url), input->description, input->underline));
  Refresh();
}

void TfrmMain::ImportCsv() {
  pages_->setCurrentIndex(0);
  exchange_->ImportCsv();
  Refresh();
}
void TfrmMain::ImportIcal() {
  pages_->setCurrentIndex(0);
  exchange_->ImportIcal();
  Refresh();
}
void TfrmMain::ExportIcal() {
  pages_->setCurrentIndex(0);
  exchange_->ExportIcal();
  Refresh();
}
void TfrmMain::ImportEvents() {
  exchange_->ImportEvents();
  Refresh();
}
void TfrmMain::ExportEvents() { exchange_->ExportEvents(); }

void TfrmMain::About() {
  AboutWindow window(program_.app, this);
  window.exec();
}

void TfrmMain::SavePlacement() {
  TConfig& config = *program_.app.config;
  // The frame's corner, as move() places it at the next start, and the
  // size the window has when not maximised.
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  const QPoint corner = isMaximized() || isMinimized() ? normal.topLeft() : pos();
  const desktop::SavedPlacement saved =
      desktop::PlacementToConfig({corner.x(), corner.y(), normal.width(), normal.height()});
  config.Left = saved.left;
  config.Top = saved.top;
  config.Width = saved.width;
  config.Heigth = saved.heigth;
  IgnoreResult(config.Save(), "a placement that was not saved only opens the window elsewhere");
}

void TfrmMain::Exit(bool ask) {
  ending_ = true;
  SavePlacement();
  if (!file_menu_->ConfirmExit(ask)) {
    ending_ = false;
    Refresh();
    return;
  }
  quiet_close_ = true;
  close();
  QApplication::quit();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!ending_) SavePlacement();
  if (!quiet_close_ &&
      (ui_.Ask("Do you really want to end the application?", Buttons::kYesNo, Answer::kYes) ==
           Answer::kNo ||
       !file_menu_->ConfirmClose())) {
    event->ignore();
    ending_ = false;
    return;
  }
  event->accept();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (caption_) RefreshHeader();
}

}  // namespace almanix::shell
