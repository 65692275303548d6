// The Format & Publish window's commands on a gallery entry's style sheet
// and folder.
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>

#include <optional>
#include <string>

#include "app/dir.h"
#include "app/ui_seam.h"
#include "desktop/publish_form.h"
#include "desktop/style_sheet_editor.h"
#include "settings/publish_editor.h"
#include "settings/style_library.h"
#include "shell/publish_window.h"
#include "shell/style_sheet_window.h"

namespace almanix::shell {

QWidget* TMC::BuildSheetCommands(const std::string& control, QWidget* parent) {
  const std::optional<publish::Gallery> gallery = desktop::GalleryOfControl(control);
  if (!gallery) return nullptr;
  const bool styles = *gallery == publish::Gallery::kStyles;
  auto* box = new QWidget(parent);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  auto* edit = new QPushButton(
      styles ? QStringLiteral("Edit in Editor") : QStringLiteral("Edit Style Sheet"), box);
  edit->setObjectName(QString::fromStdString(control) + QStringLiteral(".edit"));
  auto* folder =
      new QPushButton(styles ? QStringLiteral("This Style") : QStringLiteral("Open folder"), box);
  folder->setObjectName(QString::fromStdString(control) + QStringLiteral(".folder"));
  connect(edit, &QPushButton::clicked, this, [this, control] { EditStyleSheet(control); });
  connect(folder, &QPushButton::clicked, this, [this, control] {
    IgnoreResult(OpenGalleryFolder(control), "the window has said what went wrong");
  });
  row->addWidget(edit);
  row->addWidget(folder);
  row->addStretch(1);
  return box;
}

bool TMC::EditStyleSheet(const std::string& control) {
  const std::optional<publish::Gallery> gallery = desktop::GalleryOfControl(control);
  const TDir* dir = editor_.environment().dir;
  if (!gallery || dir == nullptr) return false;
  std::optional<desktop::StyleSheetEditor> sheet =
      desktop::StyleSheetEditor::ForSelected(*dir, ui_, *gallery, form_->Value(control));
  if (!sheet) return false;
  preview_timer_->stop();
  {
    StyleSheetWindow window(std::move(*sheet), editor_, hooks_.env, this);
    if (on_sheet_editor_) on_sheet_editor_(window);
    window.exec();
  }
  // The sheet may have changed under this window's own preview.
  SchedulePreview();
  return true;
}

Status TMC::OpenGalleryFolder(const std::string& control) {
  const std::optional<publish::Gallery> gallery = desktop::GalleryOfControl(control);
  const TDir* dir = editor_.environment().dir;
  if (!gallery || dir == nullptr) return Status::Invalid("not a gallery");
  const Status s = publish::OpenEntryFolder(*dir, ui_, *gallery, form_->Value(control));
  // A refused selection has been said; a file manager that failed has not.
  if (!s.ok() && s.code() != Status::Code::kInvalid) {
    ui_.ShowMessage(s.message(), MessageKind::kError);
  }
  return s;
}

}  // namespace almanix::shell
