#include "shell/settings_window.h"

#include <functional>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/dir.h"
#include "app/startup.h"
#include "app/ui_seam.h"
#include "desktop/settings_form.h"

namespace almanix::shell {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QPushButton* Button(const char* caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  return button;
}

QSpinBox* YearSpin(const char* name, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QString::fromUtf8(name));
  spin->setRange(desktop::CategoryPage::kFirstYear, desktop::CategoryPage::kLastYear);
  return spin;
}

constexpr int kVisibleColumnWidth = 56;

}  // namespace

TfrmSettings::TfrmSettings(App& app, store::TDB1& data, UiSeam& ui, const std::string& year_box,
                           QWidget* parent)
    : QDialog(parent),
      app_(app),
      ui_(ui),
      form_(std::make_unique<desktop::SettingsForm>(app, data, ui, year_box)) {
  setObjectName(QStringLiteral("TfrmSettings"));
  setModal(true);
  filling_ = true;
  form_->Open();
  setWindowTitle(Q(form_->caption()));

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("settingsPages"));
  pages_->addTab(BuildCategories(), QStringLiteral("Categories"));
  pages_->addTab(BuildHolidays(), QStringLiteral("Holidays"));
  pages_->addTab(BuildAutoRun(), QStringLiteral("Auto Run"));
  pages_->addTab(BuildDatabase(), QStringLiteral("Database"));
  pages_->addTab(BuildTemplates(), QStringLiteral("Templates"));
  pages_->addTab(BuildReminders(), QStringLiteral("Email Reminders"));
  pages_->addTab(BuildFolderMap(), QStringLiteral("Attachments"));
  connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == 1) {
      Report(form_->ShowHolidayYear(holiday_year_->value()));
      FillHolidays();
      FillCategories();
    } else if (page == 4) {
      FillTemplates();
    }
  });

  auto* close = Button("&Close", "settingsClose", this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);

  FillCategories();
  FillHolidays();
  FillFolders();
  filling_ = false;
  resize(560, 520);
}

TfrmSettings::~TfrmSettings() = default;

void TfrmSettings::ShowCategory(int row, bool edit_name) {
  if (row < 0 || row >= category_grid_->rowCount()) return;
  pages_->setCurrentIndex(0);
  category_grid_->setCurrentCell(row, 1);
  category_grid_->scrollToItem(category_grid_->item(row, 1));
  category_grid_->setFocus();
  if (edit_name) {
    QTimer::singleShot(0, this, [this, row] {
      if (QTableWidgetItem* item = category_grid_->item(row, 1)) category_grid_->editItem(item);
    });
  }
}

QWidget* TfrmSettings::BuildCategories() {
  auto* page = new QWidget(this);
  category_year_ = YearSpin("categoryYear", page);
  category_year_->setValue(form_->categories().year() > 0 ? form_->categories().year()
                                                          : desktop::CategoryPage::kFirstYear);
  connect(category_year_, &QSpinBox::valueChanged, this, [this](int year) {
    if (filling_) return;
    Report(form_->categories().ShowYear(year));
    FillCategories();
  });
  category_grid_ = new QTableWidget(0, 3, page);
  category_grid_->setObjectName(QStringLiteral("categoryGrid"));
  category_grid_->setHorizontalHeaderLabels(
      {QStringLiteral("Visible"), QStringLiteral("Category Name"), QStringLiteral("   Icon")});
  category_grid_->setAlternatingRowColors(true);
  category_grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  category_grid_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  category_grid_->setColumnWidth(2, 60);
  category_grid_->setColumnHidden(0, true);
  connect(category_grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (filling_ || item->column() != 1) return;
    Report(form_->categories().Rename(item->row(), item->text().trimmed().toStdString()));
    // Refilled after the edit has ended: the item is still inside its setData.
    QTimer::singleShot(0, this, [this] { FillCategories(); });
  });

  auto* copy = Button("Copy Categories to next year", "copyCategories", page);
  connect(copy, &QPushButton::clicked, this, [this] {
    Report(form_->categories().CopyToNextYear(QRandomGenerator::global()->bounded(100)));
  });
  auto* hide = Button("Hide/Show Categories", "hideShowCategories", page);
  connect(hide, &QPushButton::clicked, this, [this] {
    if (!form_->categories().HideShow()) return;
    category_grid_->setColumnHidden(0, false);
    category_grid_->setColumnWidth(0, kVisibleColumnWidth);
  });

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Year"), page));
  top->addWidget(category_year_);
  top->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(copy);
  bottom->addWidget(new QLabel(QStringLiteral("next year"), page));
  bottom->addStretch();
  bottom->addWidget(hide);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top);
  layout->addWidget(category_grid_);
  layout->addLayout(bottom);
  return page;
}

void TfrmSettings::FillCategories() {
  const bool was_filling = filling_;
  filling_ = true;
  if (form_->categories().year() > 0) category_year_->setValue(form_->categories().year());
  const std::vector<desktop::CategoryRow> rows = form_->categories().Rows();
  category_grid_->setRowCount(static_cast<int>(rows.size()));
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    const desktop::CategoryRow& category = rows[static_cast<size_t>(row)];
    auto* visible = qobject_cast<QComboBox*>(category_grid_->cellWidget(row, 0));
    if (visible == nullptr) {
      visible = new QComboBox(category_grid_);
      visible->setObjectName(QStringLiteral("visible%1").arg(row));
      visible->addItems({QStringLiteral("True"), QStringLiteral("False")});
      connect(visible, &QComboBox::currentIndexChanged, this, [this, row](int index) {
        if (filling_) return;
        Report(form_->categories().SetVisible(row, index == 0));
      });
      category_grid_->setCellWidget(row, 0, visible);
    }
    visible->setCurrentIndex(category.visible ? 0 : 1);
    auto* name = new QTableWidgetItem(Q(category.name));
    category_grid_->setItem(row, 1, name);
    auto* icon = qobject_cast<QToolButton*>(category_grid_->cellWidget(row, 2));
    if (icon == nullptr) {
      icon = new QToolButton(category_grid_);
      icon->setObjectName(QStringLiteral("icon%1").arg(row));
      icon->setText(QStringLiteral("..."));
      icon->setToolTip(QStringLiteral("Select an Icon"));
      icon->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      connect(icon, &QToolButton::clicked, this, [this, row] {
        Report(form_->categories().ChooseIcon(row));
        FillCategories();
      });
      category_grid_->setCellWidget(row, 2, icon);
    }
    icon->setIcon(category.icon.empty() ? QIcon() : QIcon(Q(category.icon)));
    icon->setIconSize(QSize(16, 16));
  }
  filling_ = was_filling;
}

QWidget* TfrmSettings::BuildHolidays() {
  auto* page = new QWidget(this);
  holiday_types_ = new QComboBox(page);
  holiday_types_->setObjectName(QStringLiteral("holidayTypes"));
  holiday_types_->addItems({QStringLiteral("US"), QStringLiteral("Canada"), QStringLiteral("Other")});
  holiday_types_->setCurrentText(Q(form_->values().holiday_type));
  connect(holiday_types_, &QComboBox::currentTextChanged, this, [this](const QString& type) {
    form_->values().holiday_type = type.toStdString();
    FillHolidays();
  });
  holiday_year_ = YearSpin("holidayYear", page);
  holiday_year_->setValue(form_->holiday_year() >= desktop::CategoryPage::kFirstYear
                              ? form_->holiday_year()
                              : desktop::CategoryPage::kFirstYear);
  auto show_year = [this] {
    if (filling_) return;
    Report(form_->ShowHolidayYear(holiday_year_->value()));
    FillHolidays();
    FillCategories();
  };
  connect(holiday_year_, &QSpinBox::valueChanged, this, show_year);
  auto* refresh = Button("refresh table", "refreshHolidays", page);
  connect(refresh, &QPushButton::clicked, this, show_year);
  auto* icons = Button("Change Icons", "changeHolidayIcons", page);
  connect(icons, &QPushButton::clicked, this, [this] {
    Report(app_.dir->ShellOpen(app_.dir->HolidaysDir));
  });
  holiday_grid_ = new QTableWidget(0, 3, page);
  holiday_grid_->setObjectName(QStringLiteral("holidayGrid"));
  holiday_grid_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  connect(holiday_grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (filling_ || item->column() != 2) return;
    Report(form_->SetHoliday(item->row(), item->text().toStdString()));
  });

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Holiday Types"), page));
  top->addWidget(holiday_types_);
  top->addWidget(new QLabel(QStringLiteral("Year"), page));
  top->addWidget(holiday_year_);
  top->addWidget(refresh);
  top->addStretch();
  top->addWidget(icons);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top);
  layout->addWidget(holiday_grid_);
  return page;
}

void TfrmSettings::FillHolidays() {
  const bool was_filling = filling_;
  filling_ = true;
  holiday_grid_->setHorizontalHeaderLabels(
      {QStringLiteral("Month"), QStringLiteral("Date"),
       Q(desktop::SettingsForm::HolidayCaption(form_->values().holiday_type))});
  const std::vector<desktop::HolidayRow> rows = form_->HolidayRows();
  holiday_grid_->setRowCount(static_cast<int>(rows.size()));
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    const desktop::HolidayRow& day = rows[static_cast<size_t>(row)];
    auto* month = new QTableWidgetItem(Q(day.month));
    month->setFlags(month->flags() & ~Qt::ItemIsEditable);
    auto* date = new QTableWidgetItem(Q(day.day));
    date->setFlags(date->flags() & ~Qt::ItemIsEditable);
    holiday_grid_->setItem(row, 0, month);
    holiday_grid_->setItem(row, 1, date);
    holiday_grid_->setItem(row, 2, new QTableWidgetItem(Q(day.holiday)));
  }
  filling_ = was_filling;
}

QWidget* TfrmSettings::BuildAutoRun() {
  auto* page = new QWidget(this);
  auto_start_ = new QCheckBox(QStringLiteral("Automatically, when windows starts"), page);
  auto_start_->setObjectName(QStringLiteral("autoStart"));
  auto_start_->setChecked(form_->values().auto_start);
  connect(auto_start_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_) return;
    Report(form_->SetAutoStart(on));
  });
  auto_size_ = new QCheckBox(
      QStringLiteral("Maximize on start (Calendar Grid is sized to fit screen)"), page);
  auto_size_->setObjectName(QStringLiteral("autoSizeGrid"));
  auto_size_->setChecked(form_->values().auto_size_grid);
  connect(auto_size_, &QCheckBox::toggled, this,
          [this](bool on) { form_->values().auto_size_grid = on; });
  side_panel_ =
      new QCheckBox(QStringLiteral("Display Side Panel (Day details, right panel)"), page);
  side_panel_->setObjectName(QStringLiteral("showCalendarPanel"));
  side_panel_->setChecked(form_->values().show_calendar_panel);
  connect(side_panel_, &QCheckBox::toggled, this,
          [this](bool on) { form_->values().show_calendar_panel = on; });
  auto* add = Button("Add AutoStart", "addAutoStart", page);
  auto* remove = Button("Remove AutoStart", "removeAutoStart", page);
  auto tick = [this](bool on) {
    filling_ = true;
    auto_start_->setChecked(on);
    filling_ = false;
  };
  connect(add, &QPushButton::clicked, this, [this, tick] {
    Report(form_->AddAutoStart());
    tick(true);
  });
  connect(remove, &QPushButton::clicked, this, [this, tick] {
    Report(form_->RemoveAutoStart());
    tick(false);
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(auto_start_);
  layout->addLayout(buttons);
  layout->addWidget(auto_size_);
  layout->addWidget(side_panel_);
  layout->addStretch();
  return page;
}

QWidget* TfrmSettings::BuildDatabase() {
  auto* page = new QWidget(this);
  auto folder_row = [this, page](const char* title, const char* name, QLineEdit** box,
                                 std::function<void()> browse, std::function<void()> fallback,
                                 std::function<void()> old_fallback) {
    auto* group = new QGroupBox(QString::fromUtf8(title), page);
    *box = new QLineEdit(group);
    (*box)->setObjectName(QString::fromUtf8(name));
    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"Browse ..", std::move(browse)},
        {"default", std::move(fallback)},
        {"old default", std::move(old_fallback)}};
    for (const auto& [caption, run] : actions) {
      auto* button = new QPushButton(QString::fromUtf8(caption), group);
      button->setObjectName(QString::fromUtf8(name) + QString::fromUtf8(caption).remove(' '));
      connect(button, &QPushButton::clicked, this, [this, run] {
        run();
        FillFolders();
      });
      buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(*box);
    layout->addLayout(buttons);
    return group;
  };
  auto* startup = folder_row(
      "Default Database Directory", "startupFolder", &startup_folder_,
      [this] { form_->BrowseStartup(); }, [this] { form_->StartupDefault(); },
      [this] { form_->StartupOldDefault(); });
  connect(startup_folder_, &QLineEdit::textEdited, this,
          [this](const QString& text) { form_->values().startup_folder = text.toStdString(); });
  auto* attachments = folder_row(
      "File Attachments Directory", "attachmentsFolder", &attachments_folder_,
      [this] { form_->BrowseAttachments(); }, [this] { form_->AttachmentsDefault(); },
      [this] { form_->AttachmentsOldDefault(); });
  connect(attachments_folder_, &QLineEdit::editingFinished, this, [this] {
    form_->values().attachments_folder = attachments_folder_->text().toStdString();
    form_->LeaveAttachmentsBox();
    FillFolders();
  });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(startup);
  layout->addWidget(attachments);
  layout->addStretch();
  return page;
}

void TfrmSettings::FillFolders() {
  startup_folder_->setText(Q(form_->values().startup_folder));
  attachments_folder_->setText(Q(form_->values().attachments_folder));
}

QWidget* TfrmSettings::BuildTemplates() {
  auto* page = new QWidget(this);
  templates_ = new QListWidget(page);
  templates_->setObjectName(QStringLiteral("templates"));
  auto* remove = Button("Delete Templates", "deleteTemplates", page);
  connect(remove, &QPushButton::clicked, this, [this] {
    QListWidgetItem* item = templates_->currentItem();
    if (item == nullptr) return;
    Report(form_->DeleteTemplate(item->text().toStdString()));
    FillTemplates();
  });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(QStringLiteral("Saved publish settings of the categories"), page));
  layout->addWidget(templates_);
  layout->addWidget(remove, 0, Qt::AlignLeft);
  return page;
}

QWidget* TfrmSettings::BuildReminders() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("remindersPage"));
  const desktop::ReminderValues& r = form_->values().reminder;
  auto* form = new QFormLayout;
  auto shown = [page, form](const char* caption, const char* name, const std::string& value) {
    auto* box = new QLineEdit(Q(value), page);
    box->setObjectName(QString::fromUtf8(name));
    box->setReadOnly(true);
    form->addRow(QString::fromUtf8(caption), box);
    return box;
  };
  shown("Mail server", "smtp_host", r.host);
  shown("Port", "smtp_port", r.port);
  shown("Account", "smtp_userid", r.user);
  shown("Your name", "smtp_YourName", r.your_name);
  shown("Your e-mail address", "smtp_EmailAddress", r.email_address);
  shown("Password", "smtp_password", r.password)->setEchoMode(QLineEdit::Password);
  shown("Send reminders to", "RemindEmail", r.remind_email);
  shown("Days before (choice)", "RemindDay", std::to_string(r.remind_day));
  shown("Hour (choice)", "RemindHour", std::to_string(r.remind_hour));
  auto* enabled = new QCheckBox(QStringLiteral("Reminders switched on"), page);
  enabled->setObjectName(QStringLiteral("RemindEnabled"));
  enabled->setChecked(r.enabled);
  enabled->setEnabled(false);
  form->addRow(enabled);
  auto* note = new QLabel(
      QStringLiteral("This program sends no reminders. The account is kept as it is for "
                     "programs that do."),
      page);
  note->setWordWrap(true);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(note);
  layout->addLayout(form);
  layout->addStretch();
  return page;
}

QWidget* TfrmSettings::BuildFolderMap() {
  auto* page = new QWidget(this);
  const std::vector<desktop::FolderMapRow>& rows = form_->folder_map();
  auto* grid = new QTableWidget(static_cast<int>(rows.size()), 2, page);
  grid->setObjectName(QStringLiteral("folderMap"));
  grid->setHorizontalHeaderLabels({QStringLiteral("Category"), QStringLiteral("Folder")});
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    grid->setItem(row, 0, new QTableWidgetItem(Q(rows[static_cast<size_t>(row)].name)));
    grid->setItem(row, 1, new QTableWidgetItem(Q(rows[static_cast<size_t>(row)].folder)));
  }
  auto* note = new QLabel(
      QStringLiteral("The day folders of these categories are kept in these folders "
                     "(folders.txt in the configuration folder)."),
      page);
  note->setWordWrap(true);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(note);
  layout->addWidget(grid);
  return page;
}

void TfrmSettings::FillTemplates() {
  templates_->clear();
  for (const std::string& name : form_->Templates()) templates_->addItem(Q(name));
}

void TfrmSettings::Report(const Status& status) {
  if (status.ok() || status.code() == Status::Code::kCancelled) return;
  ui_.ShowMessage(status.message(), MessageKind::kError);
}

void TfrmSettings::done(int result) {
  if (!closed_) {
    closed_ = true;
    form_->values().startup_folder = startup_folder_->text().toStdString();
    form_->values().attachments_folder = attachments_folder_->text().toStdString();
    close_status_ = form_->Close();
    Report(close_status_);
  }
  QDialog::done(result);
}

}  // namespace almanix::shell
