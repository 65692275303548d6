#include "shell/exchange_windows.h"

#include <ctime>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ui_seam.h"
#include "desktop/csv_mapping.h"
#include "desktop/exchange_commands.h"
#include "desktop/main_grid.h"
#include "exchange/csv_import.h"
#include "program/program.h"
#include "shell/qt_ui.h"

namespace almanix::shell {
namespace {

using exchange::CsvDateFormat;
using exchange::CsvDuplicates;
using exchange::CsvField;
using exchange::CsvTimeFormat;

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The duplicate policies in the window's order.
constexpr CsvDuplicates kPolicies[] = {CsvDuplicates::kIgnore, CsvDuplicates::kReplace,
                                       CsvDuplicates::kSkip};
constexpr const char* kPolicyNames[] = {"duplicate_ignore", "duplicate_replace",
                                        "duplicate_skip"};
constexpr const char* kPolicyCaptions[] = {"Allow duplicate entries to be created",
                                           "Replace duplicate entries with items imported",
                                           "Do not import duplicate items"};

}  // namespace

CsvImportWindow::CsvImportWindow(desktop::CsvMapping& mapping, UiSeam& ui, QWidget* parent)
    : QDialog(parent), mapping_(mapping), ui_(ui) {
  setObjectName(QStringLiteral("TfrmCSV"));
  setWindowTitle(QStringLiteral("Import From CSV"));
  auto* layout = new QVBoxLayout(this);
  auto* file = new QLabel(Q(mapping_.path()), this);
  file->setObjectName(QStringLiteral("csvFile"));
  file->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(file);

  auto* fields = new QGroupBox(QStringLiteral("Columns of the file"), this);
  auto* form = new QFormLayout(fields);
  const std::vector<std::string>& labels = desktop::CsvMapping::FieldLabels();
  for (int f = 0; f < exchange::kCsvFieldCount; ++f) {
    auto* box = new QComboBox(fields);
    box->setObjectName(Q("cbo" + std::string(exchange::CsvFieldKey(static_cast<CsvField>(f)))));
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(24);
    connect(box, &QComboBox::currentIndexChanged, this, [this, f](int index) {
      if (filling_ || index < 0) return;
      mapping_.settings().columns[static_cast<size_t>(f)] = index;
      Update();
    });
    columns_.push_back(box);
    form->addRow(Q(labels[static_cast<size_t>(f)]), box);
  }
  layout->addWidget(fields);

  auto* options = new QGroupBox(QStringLiteral("Options"), this);
  auto* option_form = new QFormLayout(options);
  date_format_ = new QComboBox(options);
  date_format_->setObjectName(QStringLiteral("cboDateFormat"));
  date_format_->addItems({QStringLiteral("m/d/yyyy"), QStringLiteral("d/m/yyyy")});
  option_form->addRow(QStringLiteral("Date format"), date_format_);
  time_format_ = new QComboBox(options);
  time_format_->setObjectName(QStringLiteral("cboTimeformat"));
  time_format_->addItems({QStringLiteral("am/pm"), QStringLiteral("24 hour")});
  option_form->addRow(QStringLiteral("Time format"), time_format_);
  start_line_ = new QSpinBox(options);
  start_line_->setObjectName(QStringLiteral("StartLine"));
  start_line_->setRange(1, 9999);
  option_form->addRow(QStringLiteral("First line to import"), start_line_);
  category_ = new QComboBox(options);
  category_->setObjectName(QStringLiteral("cboCategory"));
  option_form->addRow(QStringLiteral("Import into"), category_);
  for (int i = 0; i < 3; ++i) {
    auto* button = new QRadioButton(Q(kPolicyCaptions[i]), options);
    button->setObjectName(Q(kPolicyNames[i]));
    connect(button, &QRadioButton::toggled, this, [this, i](bool on) {
      if (!filling_ && on) mapping_.settings().duplicates = kPolicies[i];
    });
    duplicates_.push_back(button);
    option_form->addRow(button);
  }
  layout->addWidget(options);
  connect(date_format_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_) return;
    mapping_.settings().date_format = index == 1 ? CsvDateFormat::kDayMonthYear
                                                 : CsvDateFormat::kMonthDayYear;
    Update();
  });
  connect(time_format_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_) return;
    mapping_.settings().time_format =
        index == 1 ? CsvTimeFormat::kTwentyFour : CsvTimeFormat::kAmPm;
  });
  connect(start_line_, &QSpinBox::valueChanged, this, [this](int line) {
    if (filling_) return;
    mapping_.SetStartLine(line);
    Fill();
  });
  connect(category_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!filling_ && index >= 0) mapping_.set_category_index(index);
  });

  preview_ = new QLabel(this);
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->setTextFormat(Qt::PlainText);
  layout->addWidget(preview_);
  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("problem"));
  problem_->setTextFormat(Qt::PlainText);
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  layout->addWidget(problem_);

  auto* buttons = new QDialogButtonBox(this);
  import_ = buttons->addButton(QStringLiteral("&Start Import"), QDialogButtonBox::AcceptRole);
  import_->setObjectName(QStringLiteral("btnImport"));
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  connect(import_, &QPushButton::clicked, this, [this] { StartImport(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(buttons);
  Fill();
}

void CsvImportWindow::Fill() {
  filling_ = true;
  const exchange::CsvSettings& s = mapping_.settings();
  for (size_t f = 0; f < columns_.size(); ++f) {
    columns_[f]->clear();
    for (const std::string& item : mapping_.ColumnItems()) columns_[f]->addItem(Q(item));
    columns_[f]->setCurrentIndex(s.columns[f]);
  }
  date_format_->setCurrentIndex(s.date_format == CsvDateFormat::kDayMonthYear ? 1 : 0);
  time_format_->setCurrentIndex(s.time_format == CsvTimeFormat::kTwentyFour ? 1 : 0);
  start_line_->setValue(s.start_line);
  for (size_t i = 0; i < duplicates_.size(); ++i) {
    duplicates_[i]->setChecked(kPolicies[i] == s.duplicates);
  }
  category_->clear();
  for (const desktop::CategoryChoice& c : mapping_.categories()) category_->addItem(Q(c.name));
  category_->setCurrentIndex(mapping_.category_index());
  filling_ = false;
  Update();
}

void CsvImportWindow::Update() {
  std::string preview;
  for (const std::string& line : mapping_.Preview()) preview += line + "\n";
  preview_->setText(Q(preview));
  std::optional<std::string> problem = mapping_.Problem();
  problem_->setText(problem ? Q(*problem) : QString());
  import_->setEnabled(!problem);
}

void CsvImportWindow::StartImport() {
  if (mapping_.Problem()) return;
  if (ui_.Ask(exchange::kImportQuestion, Buttons::kYesNo, Answer::kYes) != Answer::kYes) return;
  if (auto* qt = dynamic_cast<QtUi*>(&ui_)) {
    mapping_.set_cancel_check([qt] { return qt->cancelled(); });
  }
  const desktop::CsvImportReport report = mapping_.Run();
  const bool clean = (report.status.ok() && report.counts.failed == 0) ||
                     report.status.code() == Status::Code::kCancelled;
  ui_.ShowMessage(report.Text(), clean                ? MessageKind::kInformation
                                 : report.status.ok() ? MessageKind::kWarning
                                                      : MessageKind::kError);
  // A refused mapping keeps the window for another choice.
  if (report.status.code() != Status::Code::kInvalid) accept();
}

EventTableWindow::EventTableWindow(const std::string& caption, const std::string& first_choice,
                                   const std::string& second_choice, const std::string& button,
                                   std::function<Status(bool first)> run, bool stay_on_cancel,
                                   QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("EventTableWindow"));
  setWindowTitle(Q(caption));
  auto* layout = new QVBoxLayout(this);
  auto* first = new QRadioButton(Q(first_choice), this);
  first->setObjectName(QStringLiteral("firstChoice"));
  first->setChecked(true);
  auto* second = new QRadioButton(Q(second_choice), this);
  second->setObjectName(QStringLiteral("secondChoice"));
  layout->addWidget(first);
  layout->addWidget(second);
  auto* buttons = new QHBoxLayout;
  auto* action = new QPushButton(Q(button), this);
  action->setObjectName(QStringLiteral("action"));
  action->setDefault(true);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("close"));
  buttons->addStretch();
  buttons->addWidget(action);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(action, &QPushButton::clicked, this,
          [this, first, run = std::move(run), stay_on_cancel] {
            const Status s = run(first->isChecked());
            if (s.ok() || (s.code() == Status::Code::kCancelled && !stay_on_cancel)) accept();
          });
}

ExchangeWindows::ExchangeWindows(Program& program, UiSeam& ui, desktop::MainGrid& grid,
                                 QWidget* parent)
    : program_(program), ui_(ui), grid_(grid), parent_(parent) {
  commands_ = std::make_unique<desktop::ExchangeCommands>(program_.app, program_.data, ui_, grid_);
  // On the screen the dialogs offer their filters; a scripted seam picks.
  if (dynamic_cast<QtUi*>(&ui_) != nullptr) {
    commands_->set_picker([this](PickKind kind, std::string_view caption,
                                 std::string_view filter, std::string_view start) {
      const QString all = Q(filter) + QStringLiteral(";;All Files (*)");
      const QString path =
          kind == PickKind::kSaveFile
              ? QFileDialog::getSaveFileName(parent_, Q(caption), Q(start), all)
              : QFileDialog::getOpenFileName(parent_, Q(caption), Q(start), all);
      return path.isEmpty() ? std::nullopt : std::optional<std::string>(path.toStdString());
    });
  }
}

ExchangeWindows::~ExchangeWindows() = default;

void ExchangeWindows::Show(QDialog& window) {
  if (on_open_) on_open_(window);
  window.exec();
}

void ExchangeWindows::ImportCsv() {
  std::optional<std::string> path = commands_->PickCsvFile();
  if (!path) return;
  desktop::CsvMapping mapping(program_.app, program_.data, ui_);
  if (Status s = mapping.Load(*path); !s.ok()) {
    ui_.ShowMessage(s.message(), MessageKind::kError);
    return;
  }
  mapping.LoadCategories(grid_.selected().Year(), grid_.CategoryNumber());
  CsvImportWindow window(mapping, ui_, parent_);
  Show(window);
  IgnoreResult(grid_.LoadGrid(grid_.DisplayDate()), "LoadGrid shows its own message");
}

void ExchangeWindows::ImportIcal() { IgnoreResult(commands_->ImportIcal(), "shown by the command"); }

void ExchangeWindows::ExportIcal() {
  IgnoreResult(commands_->ExportIcal(std::time(nullptr)), "shown by the command");
}

void ExchangeWindows::ImportEvents() {
  EventTableWindow window(
      std::string(desktop::kImportEventsCaption),
      desktop::AddToCurrentCategoryChoice(grid_.CategoryName()),
      std::string(desktop::kKeepCategories), "Select File to Import ...",
      [this](bool add) { return commands_->ImportEvents(add); }, /*stay_on_cancel=*/true,
      parent_);
  Show(window);
}

void ExchangeWindows::ExportEvents() {
  EventTableWindow window(
      std::string(desktop::kExportEventsCaption), std::string(desktop::kAllEvents),
      desktop::OnlyCurrentCategoryChoice(grid_.CategoryName()), "Export",
      [this](bool all) { return commands_->ExportEvents(!all); }, /*stay_on_cancel=*/false,
      parent_);
  Show(window);
}

}  // namespace almanix::shell
