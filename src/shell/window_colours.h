#pragma once

class QPalette;
class QTextCharFormat;

namespace almanix::shell {

// True when the palette draws light text on a dark ground, so that the
// windows' own colours (holidays, today, the markup) pick their light forms.
bool IsDark(const QPalette& palette);

// A dark palette like the desktops' dark themes, for the pictures of the
// dark look and the tests that the windows follow it.
QPalette DarkPalette();

// The format of one kind of markup in the editors' colouring: its light
// or dark form (#RRGGBB), bold when asked.
QTextCharFormat MarkupFormat(bool dark, const char* light, const char* on_dark, bool bold = false);

}  // namespace almanix::shell
