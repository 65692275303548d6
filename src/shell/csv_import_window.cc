#include "shell/csv_import_window.h"

#include <algorithm>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/file_util.h"
#include "app/ui_seam.h"
#include "desktop/csv_mapping.h"
#include "exchange/csv_import.h"
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

CsvImportWindow::CsvImportWindow(desktop::CsvMapping& mapping, UiSeam& ui, Browse browse,
                                 QWidget* parent)
    : QDialog(parent), mapping_(mapping), ui_(ui), browse_(std::move(browse)) {
  setObjectName(QStringLiteral("TfrmCSV"));
  setWindowTitle(QStringLiteral("Import From CSV"));
  auto* layout = new QVBoxLayout(this);

  auto* file_row = new QHBoxLayout;
  file_ = new QLineEdit(this);
  file_->setObjectName(QStringLiteral("csvFile"));
  file_->setReadOnly(true);
  file_->setPlaceholderText(QStringLiteral("Click Browse to choose a file"));
  auto* browse_button = new QPushButton(QStringLiteral("&Browse ..."), this);
  browse_button->setObjectName(QStringLiteral("btnBrowse"));
  browse_button->setAutoDefault(false);
  connect(browse_button, &QPushButton::clicked, this, [this] { ChooseFile(); });
  file_row->addWidget(new QLabel(QStringLiteral("File"), this));
  file_row->addWidget(file_, 1);
  file_row->addWidget(browse_button);
  layout->addLayout(file_row);

  fields_ = new QWidget(this);
  fields_->setObjectName(QStringLiteral("csvFields"));
  auto* body = new QHBoxLayout(fields_);
  body->setContentsMargins(0, 0, 0, 0);
  auto* columns = new QGroupBox(QStringLiteral("Columns of the file"), fields_);
  auto* form = new QFormLayout(columns);
  const std::vector<std::string>& labels = desktop::CsvMapping::FieldLabels();
  for (int f = 0; f < exchange::kCsvFieldCount; ++f) {
    auto* box = new QComboBox(columns);
    box->setObjectName(Q("cbo" + std::string(exchange::CsvFieldKey(static_cast<CsvField>(f)))));
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(22);
    connect(box, &QComboBox::currentIndexChanged, this, [this, f](int index) {
      if (filling_ || index < 0) return;
      mapping_.settings().columns[static_cast<size_t>(f)] = index;
      Update();
    });
    columns_.push_back(box);
    form->addRow(Q(labels[static_cast<size_t>(f)]), box);
  }
  body->addWidget(columns, 1);

  auto* right = new QVBoxLayout;
  auto* options = new QGroupBox(QStringLiteral("Options"), fields_);
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
  right->addWidget(options);
  preview_ = new QLabel(fields_);
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->setTextFormat(Qt::PlainText);
  preview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  preview_->setWordWrap(true);
  right->addWidget(preview_, 1);
  body->addLayout(right, 1);
  layout->addWidget(fields_);

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

  // The file itself: its first lines split into fields, and its text.
  views_ = new QTabWidget(this);
  views_->setObjectName(QStringLiteral("csvViews"));
  table_ = new QTableWidget(views_);
  table_->setObjectName(QStringLiteral("csvTable"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setAlternatingRowColors(true);
  table_->horizontalHeader()->setDefaultSectionSize(130);
  views_->addTab(table_, QStringLiteral("First lines"));
  text_ = new QPlainTextEdit(views_);
  text_->setObjectName(QStringLiteral("csvText"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  views_->addTab(text_, QStringLiteral("Import File"));
  layout->addWidget(views_, 1);

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
  resize(880, 660);
}

void CsvImportWindow::ChooseFile() {
  std::optional<std::string> path = browse_ ? browse_() : std::nullopt;
  if (!path) return;
  if (Status s = mapping_.Load(*path); !s.ok()) {
    ui_.ShowMessage(s.message(), MessageKind::kError);
  }
  Fill();
}

void CsvImportWindow::Fill() {
  filling_ = true;
  const bool loaded = mapping_.has_file();
  file_->setText(Q(mapping_.path()));
  fields_->setVisible(loaded);
  views_->setVisible(loaded);
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
  FillViews();
  filling_ = false;
  Update();
}

void CsvImportWindow::FillViews() {
  const std::vector<desktop::CsvSampleRow> rows = mapping_.SampleRows(kTableLines);
  size_t width = 0;
  for (const desktop::CsvSampleRow& row : rows) width = std::max(width, row.fields.size());
  table_->clear();
  table_->setRowCount(static_cast<int>(rows.size()));
  table_->setColumnCount(static_cast<int>(width));
  QStringList titles;
  for (size_t c = 1; c <= width; ++c) titles << QStringLiteral("Field #%1").arg(c);
  table_->setHorizontalHeaderLabels(titles);
  QStringList lines;
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const desktop::CsvSampleRow& row = rows[static_cast<size_t>(r)];
    lines << QStringLiteral("Line %1").arg(row.line);
    for (size_t c = 0; c < row.fields.size(); ++c) {
      table_->setItem(r, static_cast<int>(c), new QTableWidgetItem(Q(row.fields[c])));
    }
  }
  table_->setVerticalHeaderLabels(lines);
  text_->setPlainText(Q(mapping_.FileText(kTextLines)));
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
  // The file may have gone since it was chosen.
  if (!FileExists(mapping_.path())) {
    ui_.ShowMessage(exchange::MissingFileMessage(mapping_.path()), MessageKind::kError);
    return;
  }
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

}  // namespace almanix::shell
