#include "shell/exchange_windows.h"

#include <ctime>

#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ui_seam.h"
#include "desktop/csv_mapping.h"
#include "desktop/exchange_commands.h"
#include "desktop/main_grid.h"
#include "exchange/csv_import.h"
#include "program/program.h"
#include "shell/csv_import_window.h"
#include "shell/qt_ui.h"

namespace almanix::shell {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

}  // namespace

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
  desktop::CsvMapping mapping(program_.app, program_.data, ui_);
  mapping.LoadCategories(grid_.selected().Year(), grid_.CategoryNumber());
  // The file imported last comes back; one that no longer loads leaves the
  // window waiting for Browse.
  IgnoreResult(mapping.LoadLast(), "the window asks for a file instead");
  CsvImportWindow window(mapping, ui_, [this] { return commands_->PickCsvFile(); }, parent_);
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
