#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QPalette;
class QTextDocument;

namespace almanix::shell {

// Colours a style sheet from desktop::ScanCssLine's parts, line by line; a
// line's state carries an open rule, value or comment into the next.
class CssHighlighter : public QSyntaxHighlighter {
 public:
  CssHighlighter(QTextDocument* document, const QPalette& palette);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QTextCharFormat formats_[7];
};

}  // namespace almanix::shell
