#pragma once

#include <string_view>
#include <vector>

// The style sheet editor's colouring without a window: one line of a style
// sheet split into its parts, the state carried over line breaks.
namespace almanix::desktop {

enum class CssPart { kSelector, kProperty, kValue, kString, kComment, kAtRule, kTag };

struct CssSpan {
  int start = 0;  // in UTF-16 units, as the editor counts
  int length = 0;
  CssPart part = CssPart::kSelector;
};

// Where a line ends: inside a rule's braces, inside a value, inside a
// comment (which keeps the place it was opened in). Stored by the editor as
// a number between lines.
struct CssLineState {
  bool in_block = false;
  bool in_value = false;
  bool in_comment = false;

  int ToInt() const { return (in_block ? 1 : 0) | (in_value ? 2 : 0) | (in_comment ? 4 : 0); }
  static CssLineState FromInt(int value);  // a negative value is the start
  bool operator==(const CssLineState&) const = default;
};

struct CssLine {
  std::vector<CssSpan> spans;  // marked stretches; blanks and punctuation left out
  CssLineState end;
};

// Splits one line starting in the state the line before ended in. Never
// fails: a broken sheet is coloured as far as it goes. The sheets' wrapping
// "<style ...>" and "</style>" lines are tags; the INI part inside the
// leading comment is comment.
CssLine ScanCssLine(std::u16string_view line, CssLineState start);

}  // namespace almanix::desktop
