#include "shell/css_highlighter.h"

#include <QColor>
#include <QFont>
#include <QPalette>

#include <string_view>

#include "desktop/css_markup.h"
#include "shell/window_colours.h"

namespace almanix::shell {

CssHighlighter::CssHighlighter(QTextDocument* document, const QPalette& palette)
    : QSyntaxHighlighter(document) {
  const bool dark = IsDark(palette);
  auto format = [dark](const char* light, const char* on_dark, bool bold = false) {
    return MarkupFormat(dark, light, on_dark, bold);
  };
  using desktop::CssPart;
  formats_[static_cast<int>(CssPart::kSelector)] = format("#1F3FBF", "#8AB4FF", true);
  formats_[static_cast<int>(CssPart::kProperty)] = format("#A0522D", "#F0B070");
  formats_[static_cast<int>(CssPart::kValue)] = format("#1E7B1E", "#8FD88F");
  formats_[static_cast<int>(CssPart::kString)] = format("#8B1A8B", "#E39BE3");
  formats_[static_cast<int>(CssPart::kComment)] = format("#7A7A7A", "#A0A0A0");
  formats_[static_cast<int>(CssPart::kAtRule)] = format("#8B1A8B", "#E39BE3", true);
  formats_[static_cast<int>(CssPart::kTag)] = format("#555555", "#B0B0B0", true);
}

void CssHighlighter::highlightBlock(const QString& text) {
  const desktop::CssLine line = desktop::ScanCssLine(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<size_t>(text.size())),
      desktop::CssLineState::FromInt(previousBlockState()));
  for (const desktop::CssSpan& span : line.spans) {
    setFormat(span.start, span.length, formats_[static_cast<int>(span.part)]);
  }
  setCurrentBlockState(line.end.ToInt());
}

}  // namespace almanix::shell
