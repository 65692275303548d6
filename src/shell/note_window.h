#pragma once

#include <optional>

#include <QDialog>
#include <QString>

#include "desktop/note_markup.h"

class QLineEdit;
class QCheckBox;
class QPlainTextEdit;

namespace almanix::shell {

// "Add Link": an address, its description and "underline". OK (Enter) is
// offered only with an address; Cancel (Escape) inserts nothing.
class LinkWindow : public QDialog {
 public:
  explicit LinkWindow(QWidget* parent);
  desktop::LinkInput input() const;
  // Shows the window modally; the input when OK was pressed.
  static std::optional<desktop::LinkInput> Ask(QWidget* parent);

 private:
  QLineEdit* url_ = nullptr;
  QLineEdit* description_ = nullptr;
  QCheckBox* underline_ = nullptr;
};

// "Note": the day's note as HTML with its tags, attributes and text
// coloured, the insertion buttons, cut and paste. OK (Enter) keeps the
// text, Cancel (Escape) drops it; Shift+Enter breaks the line.
class NoteWindow : public QDialog {
 public:
  // caption: the window's title ("Work : 2010-March-05"); header: the day
  // above the text ("5 March").
  NoteWindow(const QString& caption, const QString& header, const QString& note,
             QWidget* parent);

  QString note() const;
  // Replaces the selection with the insertion, the caret behind it.
  void Insert(const QString& insertion);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddLink();

  QPlainTextEdit* editor_ = nullptr;
};

}  // namespace almanix::shell
