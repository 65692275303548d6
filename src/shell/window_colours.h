#pragma once

class QPalette;

namespace almanix::shell {

// True when the palette draws light text on a dark ground, so that the
// windows' own colours (holidays, today, the markup) pick their light forms.
bool IsDark(const QPalette& palette);

// A dark palette like the desktops' dark themes, for the pictures of the
// dark look and the tests that the windows follow it.
QPalette DarkPalette();

}  // namespace almanix::shell
