#include "shell/window_colours.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QTextCharFormat>

namespace almanix::shell {

bool IsDark(const QPalette& palette) {
  return palette.color(QPalette::Base).lightness() < palette.color(QPalette::Text).lightness();
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x2B, 0x2B, 0x2E);
  const QColor base(0x1E, 0x1E, 0x21);
  const QColor text(0xE8, 0xE8, 0xE8);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::ToolTipBase, base);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::red);
  p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x55));
  p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x44));
  p.setColor(QPalette::Mid, QColor(0x80, 0x80, 0x86));
  p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1A));
  p.setColor(QPalette::Shadow, Qt::black);
  p.setColor(QPalette::Highlight, QColor(0x3D, 0x7A, 0xD6));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Link, QColor(0x8A, 0xB4, 0xFF));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  return p;
}

QTextCharFormat MarkupFormat(bool dark, const char* light, const char* on_dark, bool bold) {
  QTextCharFormat f;
  f.setForeground(QColor(QString::fromLatin1(dark ? on_dark : light)));
  if (bold) f.setFontWeight(QFont::Bold);
  return f;
}

}  // namespace almanix::shell
