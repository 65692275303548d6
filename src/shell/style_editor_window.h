#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QDialog>

#include "settings/style_library.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QWebEngineView;

namespace almanix {
namespace generator {
struct GeneratorEnv;
}
namespace publish {
class PublishEditor;
}
namespace desktop {
class StyleEditorSession;
}
}  // namespace almanix

namespace almanix::shell {

// "Calendar Style Editor": the new style's name, its page colour and, block
// by block, background, font and border, the Style.css they make, and a
// preview of one month in the style (no events) that follows every change.
// OK keeps the edit and stores the preview's picture as the style's
// snapshot.bmp; Cancel drops the style.
class StyleEditorWindow : public QDialog {
 public:
  StyleEditorWindow(publish::PublishEditor& editor, const publish::StyleLibrary::Draft& draft,
                    std::function<generator::GeneratorEnv()> env, QWidget* parent);
  ~StyleEditorWindow() override;

  // The style to keep; nullopt unless OK was pressed.
  const std::optional<publish::StyleLibrary::Draft>& kept() const { return kept_; }
  // Regenerates now; false when the run failed.
  bool PreviewNow();
  QWebEngineView* preview() { return view_; }
  int previews_shown() const { return previews_shown_; }

  void accept() override;

 private:
  void ShowBlock();
  void Changed();
  // The pictures' rows: the page's or the chosen part's background, and the
  // months' photos.
  enum class PictureRow { kPage, kBlock, kPhoto };
  QWidget* BuildPictureRow(PictureRow kind, QWidget* parent);
  // Asks for a picture through the program's seam; empty when cancelled.
  std::string PickPicture(bool photo);

  std::unique_ptr<desktop::StyleEditorSession> session_;
  std::function<generator::GeneratorEnv()> env_;
  std::optional<publish::StyleLibrary::Draft> kept_;
  QLineEdit* name_ = nullptr;
  QPushButton* page_color_ = nullptr;
  QComboBox* block_ = nullptr;
  QPushButton* background_ = nullptr;
  QComboBox* font_family_ = nullptr;
  QSpinBox* font_size_ = nullptr;
  QPushButton* font_color_ = nullptr;
  QPushButton* border_color_ = nullptr;
  QSpinBox* border_width_ = nullptr;
  QComboBox* align_ = nullptr;
  QLabel* page_picture_ = nullptr;
  QWidget* block_picture_row_ = nullptr;
  QLabel* picture_ = nullptr;  // the chosen part's background picture
  QComboBox* photo_month_ = nullptr;
  QLabel* photo_ = nullptr;
  QPlainTextEdit* sheet_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QLabel* state_ = nullptr;
  QTimer* timer_ = nullptr;
  bool filling_ = false;
  int previews_shown_ = 0;
};

}  // namespace almanix::shell
