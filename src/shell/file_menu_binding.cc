#include "shell/file_menu_binding.h"

#include <string>

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>

#include "app/ui_seam.h"
#include "desktop/file_menu.h"
#include "shell/qt_ui.h"

namespace almanix::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

FileMenuBinding::FileMenuBinding(desktop::FileMenu& logic, UiSeam& ui, QLabel* status,
                                 std::function<void()> redraw)
    : logic_(logic), ui_(ui), status_(status), redraw_(std::move(redraw)) {
  // On the screen the dialogs carry their filters; elsewhere the seam picks.
  if (auto* qt = dynamic_cast<QtUi*>(&ui_)) {
    logic_.set_picker([qt](const desktop::FileDialog& d) {
      return qt->PickFile(d.kind, d.title, d.filter, d.default_suffix, d.start);
    });
  }
}

void FileMenuBinding::Run(const std::function<Status()>& command) {
  Status s = command();
  // The core has shown its refusals; an engine or file failure that reaches
  // here unshown is said with its cause.
  if (s.code() == Status::Code::kIoError) ui_.ShowMessage(s.message(), MessageKind::kError);
  redraw_();
}

void FileMenuBinding::AddTo(QMenu* file, QWidget* owner) {
  auto add = [&](QMenu* menu, const char* caption, std::function<Status()> command,
                 const QKeySequence& keys = QKeySequence()) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    if (!keys.isEmpty()) action->setShortcut(keys);
    QObject::connect(action, &QAction::triggered, owner,
                     [this, command = std::move(command)] { Run(command); });
    return action;
  };
  add(file, "New", [this] { return logic_.New(); }, QKeySequence::New);
  add(file, "Open", [this] { return logic_.Open(); }, QKeySequence::Open);
  QMenu* reopen = file->addMenu(QStringLiteral("Reopen"));
  reopen->setObjectName(QStringLiteral("reopenMenu"));
  for (int i = 0; i < 5; ++i) {
    reopen_[static_cast<size_t>(i)] = add(reopen, "", [this, i] { return logic_.Reopen(i); });
  }
  add(file, "Save", [this] { return logic_.Save(); }, QKeySequence::Save);
  add(file, "Save As..", [this] { return logic_.SaveAs(); }, QKeySequence::SaveAs);
  file->addSeparator();
  default_workdir_ = add(file, "Default Working Directory",
                         [this] { return logic_.DefaultWorkingDirectory(); });
  default_workdir_->setCheckable(true);
  set_workdir_ = add(file, "Set Working Directory", [this] { return logic_.ChooseDirectory(); });
  set_workdir_->setCheckable(true);
  QMenu* work_in = file->addMenu(QStringLiteral("Work in .."));
  work_in->setObjectName(QStringLiteral("workInMenu"));
  add(work_in, "Choose directory ...", [this] { return logic_.ChooseDirectory(); });
  work_in->addSeparator();
  for (int i = 0; i < 5; ++i) {
    work_in_[static_cast<size_t>(i)] = add(work_in, "", [this, i] { return logic_.WorkIn(i); });
  }
  add(file, "Backup", [this] { return logic_.Backup(); });
  Refresh();
}

void FileMenuBinding::Refresh() {
  if (status_) status_->setText(Q(logic_.StatusText()));
  const auto reopen = logic_.ReopenEntries();
  const auto work_in = logic_.WorkInEntries();
  for (size_t i = 0; i < 5; ++i) {
    if (reopen_[i]) {
      reopen_[i]->setText(Q(reopen[i].caption));
      reopen_[i]->setVisible(reopen[i].visible);
    }
    if (work_in_[i]) {
      work_in_[i]->setText(Q(work_in[i].caption));
      work_in_[i]->setVisible(work_in[i].visible);
    }
  }
  if (set_workdir_) {
    set_workdir_->setText(Q(logic_.SetWorkdirCaption()));
    set_workdir_->setChecked(logic_.SetWorkdirChecked());
  }
  if (default_workdir_) default_workdir_->setChecked(logic_.DefaultWorkdirChecked());
}

}  // namespace almanix::shell
