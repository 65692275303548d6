#pragma once

#include <functional>

#include <QDialog>

#include "desktop/style_sheet_editor.h"

class QLabel;
class QPlainTextEdit;
class QTabWidget;
class QWebEngineView;

namespace almanix {
namespace generator {
struct GeneratorEnv;
}
namespace publish {
class PublishEditor;
}
}  // namespace almanix

namespace almanix::shell {

// "Style Sheet Editor": one gallery entry's sheet as coloured text, and a
// preview tab that saves it and shows the calendar generated with it.
// "&Save and Exit" saves and closes; "&Exit" (Escape, the close button)
// asks "Save Changes?" when the text was changed. A failed save keeps the
// window open with the text.
class StyleSheetWindow : public QDialog {
 public:
  StyleSheetWindow(desktop::StyleSheetEditor sheet, publish::PublishEditor& editor,
                   std::function<generator::GeneratorEnv()> env, QWidget* parent);
  ~StyleSheetWindow() override;

  QPlainTextEdit* text_edit() { return text_; }
  QTabWidget* tabs() { return tabs_; }
  QWebEngineView* preview() { return view_; }
  const desktop::StyleSheetEditor& sheet() const { return sheet_; }
  // Bumped when a preview page has been loaded.
  int previews_shown() const { return previews_shown_; }

  // The preview tab's work: save, regenerate, show. False when the save or
  // the run failed (the state line says why).
  bool ShowPreview();
  void SaveAndExit();
  void reject() override;

 private:
  desktop::StyleSheetEditor sheet_;
  publish::PublishEditor& editor_;
  std::function<generator::GeneratorEnv()> env_;
  QTabWidget* tabs_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QLabel* state_ = nullptr;
  int previews_shown_ = 0;
};

}  // namespace almanix::shell
