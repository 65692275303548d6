#include "shell/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>
#include "shell/small_windows.h"

namespace almanix::shell {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QMessageBox::StandardButton ButtonOf(Answer a) {
  switch (a) {
    case Answer::kOk: return QMessageBox::Ok;
    case Answer::kCancel: return QMessageBox::Cancel;
    case Answer::kYes: return QMessageBox::Yes;
    case Answer::kNo: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

}  // namespace

QtUi::QtUi() = default;
QtUi::~QtUi() = default;

void QtUi::ShowMessage(std::string_view text, MessageKind kind) {
  if (batch_) {
    std::fprintf(stderr, "almanix: %.*s\n", static_cast<int>(text.size()), text.data());
    return;
  }
  const QString title = QStringLiteral("Web Almanix");
  switch (kind) {
    case MessageKind::kInformation:
      QMessageBox::information(parent_, title, Q(text));
      break;
    case MessageKind::kWarning:
      QMessageBox::warning(parent_, title, Q(text));
      break;
    case MessageKind::kError:
      QMessageBox::critical(parent_, title, Q(text));
      break;
  }
}

Answer QtUi::Ask(std::string_view text, Buttons buttons, Answer default_answer) {
  if (batch_) return default_answer;
  QMessageBox::StandardButtons offered;
  switch (buttons) {
    case Buttons::kOk: offered = QMessageBox::Ok; break;
    case Buttons::kOkCancel: offered = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::kYesNo: offered = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::kYesNoCancel:
      offered = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  QMessageBox box(QMessageBox::Question, QStringLiteral("Web Almanix"), Q(text), offered,
                  parent_);
  box.setDefaultButton(ButtonOf(default_answer));
  switch (box.exec()) {
    case QMessageBox::Ok: return Answer::kOk;
    case QMessageBox::Yes: return Answer::kYes;
    case QMessageBox::No: return Answer::kNo;
    case QMessageBox::Cancel: return Answer::kCancel;
    default: return buttons == Buttons::kYesNo ? Answer::kNo : Answer::kCancel;
  }
}

std::optional<int> QtUi::Choose(std::string_view prompt, const std::vector<std::string>& choices,
                                int default_index) {
  if (batch_) return default_index;
  QStringList items;
  for (const std::string& c : choices) items << Q(c);
  bool ok = false;
  QString picked = QInputDialog::getItem(parent_, QStringLiteral("Web Almanix"), Q(prompt), items,
                                         default_index, false, &ok);
  if (!ok) return std::nullopt;
  int index = static_cast<int>(items.indexOf(picked));
  return index < 0 ? std::nullopt : std::optional<int>(index);
}

void QtUi::Progress(int done, int total) { ProgressDetail(done, total, {}); }

void QtUi::ProgressDetail(int done, int total, std::string_view detail) {
  if (!progress_) progress_ = std::make_unique<ProgressWindow>(parent_);
  progress_->Set(done, total, Q(detail));
}

bool QtUi::cancelled() const { return progress_ && progress_->cancelled(); }

void QtUi::ProcessEvents() { QApplication::processEvents(); }

std::optional<std::string> QtUi::PickPath(PickKind kind, std::string_view caption,
                                          std::string_view start) {
  if (batch_) return std::nullopt;
  QString path;
  switch (kind) {
    case PickKind::kOpenFile:
      path = QFileDialog::getOpenFileName(parent_, Q(caption), Q(start));
      break;
    case PickKind::kSaveFile:
      path = QFileDialog::getSaveFileName(parent_, Q(caption), Q(start));
      break;
    case PickKind::kFolder:
      path = QFileDialog::getExistingDirectory(parent_, Q(caption), Q(start));
      break;
  }
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> QtUi::PickFile(PickKind kind, std::string_view title,
                                          std::string_view filter,
                                          std::string_view default_suffix,
                                          std::string_view start) {
  if (batch_) return std::nullopt;
  // "Name (*.ext)|*.ext|..." names every filter once and its pattern after.
  QStringList names;
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  for (qsizetype i = 0; i < parts.size(); i += 2) names << parts[i];
  QFileDialog dialog(parent_, Q(title), Q(start), names.join(QStringLiteral(";;")));
  dialog.setAcceptMode(kind == PickKind::kSaveFile ? QFileDialog::AcceptSave
                                                   : QFileDialog::AcceptOpen);
  dialog.setFileMode(kind == PickKind::kSaveFile ? QFileDialog::AnyFile
                                                 : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(Q(default_suffix));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtUi::AskText(std::string_view caption, std::string_view prompt,
                                         std::string_view initial) {
  if (batch_) return std::nullopt;
  bool ok = false;
  QString text = QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal,
                                       Q(initial), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

}  // namespace almanix::shell
