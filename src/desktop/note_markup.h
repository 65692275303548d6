#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace almanix::desktop {

// What a stretch of a note's HTML is, for the editor's colouring.
enum class HtmlPart { kText, kTag, kAttribute, kValue, kComment, kEntity };

struct HtmlSpan {
  int start = 0;   // in UTF-16 units, as the editor counts
  int length = 0;
  HtmlPart part = HtmlPart::kText;
};

// Where a line ends inside the markup, so the next line goes on from there:
// a tag, a quoted value or a comment may run over a line break.
enum class HtmlLineState : int { kText = 0, kTag = 1, kDoubleQuoted = 2, kSingleQuoted = 3,
                                 kComment = 4 };

struct HtmlLine {
  std::vector<HtmlSpan> spans;  // the marked stretches; plain text is left out
  HtmlLineState end = HtmlLineState::kText;
};

// Splits one line of a note into tags, attribute names, values, comments and
// entities, starting in the state the line before ended in. Never fails:
// broken markup is coloured as far as it goes.
HtmlLine ScanHtmlLine(std::u16string_view line, HtmlLineState start);

// The note editor's tag buttons, in their order; each inserts its text.
const std::vector<std::string>& NoteTagInsertions();

// What the link window ("Add Link") holds.
struct LinkInput {
  std::string url = "http://";
  std::string description;
  bool underline = true;
};

// The anchor the link window inserts; nullopt when the address is empty
// (only blanks count as empty too), as then nothing is inserted.
std::optional<std::string> LinkInsertion(const LinkInput& input);

// Above the note: the day number and the long month name ("5 March").
std::string NoteDayHeader(int day, std::string_view month_name);

}  // namespace almanix::desktop
