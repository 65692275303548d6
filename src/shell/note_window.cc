#include "shell/note_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/window_colours.h"

namespace almanix::shell {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Colours the note's HTML from the scanner's parts, line by line; a line's
// state carries an open tag, value or comment into the next.
class HtmlHighlighter : public QSyntaxHighlighter {
 public:
  explicit HtmlHighlighter(QTextDocument* document, const QPalette& palette)
      : QSyntaxHighlighter(document) {
    const bool dark = IsDark(palette);
    auto format = [dark](const char* light, const char* on_dark, bool bold = false) {
      return MarkupFormat(dark, light, on_dark, bold);
    };
    formats_[static_cast<int>(desktop::HtmlPart::kTag)] = format("#1F3FBF", "#8AB4FF", true);
    formats_[static_cast<int>(desktop::HtmlPart::kAttribute)] = format("#A0522D", "#F0B070");
    formats_[static_cast<int>(desktop::HtmlPart::kValue)] = format("#1E7B1E", "#8FD88F");
    formats_[static_cast<int>(desktop::HtmlPart::kComment)] = format("#7A7A7A", "#A0A0A0");
    formats_[static_cast<int>(desktop::HtmlPart::kEntity)] = format("#8B1A8B", "#E39BE3");
  }

 protected:
  void highlightBlock(const QString& text) override {
    const int previous = previousBlockState();
    auto state = previous < 0 ? desktop::HtmlLineState::kText
                              : static_cast<desktop::HtmlLineState>(previous);
    desktop::HtmlLine line = desktop::ScanHtmlLine(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                            static_cast<size_t>(text.size())),
        state);
    for (const desktop::HtmlSpan& span : line.spans) {
      setFormat(span.start, span.length, formats_[static_cast<int>(span.part)]);
    }
    setCurrentBlockState(static_cast<int>(line.end));
  }

 private:
  QTextCharFormat formats_[6];
};

}  // namespace

LinkWindow::LinkWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("linkWindow"));
  setWindowTitle(QStringLiteral("Add Link"));
  const desktop::LinkInput initial;
  url_ = new QLineEdit(Q(initial.url), this);
  url_->setObjectName(QStringLiteral("linkUrl"));
  url_->setMinimumWidth(url_->fontMetrics().averageCharWidth() * 40);
  description_ = new QLineEdit(this);
  description_->setObjectName(QStringLiteral("linkDescription"));
  underline_ = new QCheckBox(QStringLiteral("underline"), this);
  underline_->setObjectName(QStringLiteral("linkUnderline"));
  underline_->setChecked(initial.underline);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setDefault(true);
  connect(url_, &QLineEdit::textChanged, this,
          [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Link (URL)"), url_);
  form->addRow(QStringLiteral("Link Description"), description_);
  form->addRow(QString(), underline_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  url_->setFocus();
  url_->selectAll();
}

desktop::LinkInput LinkWindow::input() const {
  desktop::LinkInput in;
  in.url = url_->text().toStdString();
  in.description = description_->text().toStdString();
  in.underline = underline_->isChecked();
  return in;
}

std::optional<desktop::LinkInput> LinkWindow::Ask(QWidget* parent) {
  LinkWindow window(parent);
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return window.input();
}

NoteWindow::NoteWindow(const QString& caption, const QString& header, const QString& note,
                       QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("noteWindow"));
  setWindowTitle(caption);
  auto* day = new QLabel(header, this);
  day->setObjectName(QStringLiteral("noteDay"));
  QFont big = day->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.3);
  day->setFont(big);

  editor_ = new QPlainTextEdit(this);
  editor_->setObjectName(QStringLiteral("noteText"));
  editor_->setPlainText(note);
  editor_->setTabChangesFocus(true);
  editor_->installEventFilter(this);
  new HtmlHighlighter(editor_->document(), palette());
  editor_->setMinimumSize(editor_->fontMetrics().averageCharWidth() * 40,
                          editor_->fontMetrics().lineSpacing() * 6);

  auto* tools = new QHBoxLayout;
  auto add_tool = [&](const QString& caption_text, const QString& name, const QString& tip,
                      std::function<void()> run) {
    auto* button = new QToolButton(this);
    button->setText(caption_text);
    button->setObjectName(name);
    button->setToolTip(tip);
    // The buttons act on the text: the caret stays in it.
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [run = std::move(run)] { run(); });
    tools->addWidget(button);
    return button;
  };
  add_tool(QStringLiteral("Link ..."), QStringLiteral("noteLink"),
           QStringLiteral("Insert a link (Ctrl+K)"), [this] { AddLink(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  for (const std::string& tag : desktop::NoteTagInsertions()) {
    const QString text = Q(tag);
    add_tool(text, QStringLiteral("noteTag") + text, QStringLiteral("Insert ") + text,
             [this, text] { Insert(text); });
  }
  add_tool(QStringLiteral("Cut"), QStringLiteral("noteCut"), QStringLiteral("Cut"),
           [this] { editor_->cut(); });
  add_tool(QStringLiteral("Paste"), QStringLiteral("notePaste"), QStringLiteral("Paste"),
           [this] { editor_->paste(); });
  tools->addStretch(1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(day);
  layout->addLayout(tools);
  layout->addWidget(editor_, 1);
  layout->addWidget(buttons);
  resize(560, 320);
  editor_->setFocus();
  editor_->moveCursor(QTextCursor::End);
}

QString NoteWindow::note() const { return editor_->toPlainText(); }

void NoteWindow::Insert(const QString& insertion) {
  // Through the editor's cursor, so that Undo takes the insertion back.
  editor_->textCursor().insertText(insertion);
  editor_->setFocus();
}

void NoteWindow::AddLink() {
  std::optional<desktop::LinkInput> input = LinkWindow::Ask(this);
  if (!input) return;
  if (std::optional<std::string> anchor = desktop::LinkInsertion(*input)) Insert(Q(*anchor));
}

bool NoteWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (key->modifiers() & Qt::ShiftModifier) {
        editor_->textCursor().insertText(QStringLiteral("\n"));
      } else {
        accept();
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace almanix::shell
