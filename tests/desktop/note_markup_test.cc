#include "desktop/note_markup.h"

#include <gtest/gtest.h>

namespace almanix::desktop {
namespace {

// "part:text" for each marked stretch, to compare whole lines at once.
std::vector<std::string> Parts(const std::u16string& line, const HtmlLine& scanned) {
  static const char* kNames[] = {"text", "tag", "attr", "value", "comment", "entity"};
  std::vector<std::string> out;
  for (const HtmlSpan& s : scanned.spans) {
    std::u16string piece = line.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length));
    out.push_back(std::string(kNames[static_cast<int>(s.part)]) + ":" +
                  std::string(piece.begin(), piece.end()));
  }
  return out;
}

TEST(NoteMarkup, TagsAttributesValuesEntitiesAndComments) {
  std::u16string line = u"Meet <a href=\"x.html\" target=_blank><u>Club</u></a> &amp; <br/>";
  HtmlLine scanned = ScanHtmlLine(line, HtmlLineState::kText);
  EXPECT_EQ(Parts(line, scanned),
            (std::vector<std::string>{"tag:<a", "attr:href", "value:\"", "value:x.html\"",
                                      "attr:target", "value:_blank", "tag:>", "tag:<u", "tag:>",
                                      "tag:</u", "tag:>", "tag:</a", "tag:>", "entity:&amp;",
                                      "tag:<br", "tag:/>"}));
  EXPECT_EQ(scanned.end, HtmlLineState::kText);

  // A lone ampersand and a bracket-free line are plain text.
  EXPECT_TRUE(ScanHtmlLine(u"Tom & Jerry", HtmlLineState::kText).spans.empty());

  line = u"a <!-- hidden --> b";
  EXPECT_EQ(Parts(line, ScanHtmlLine(line, HtmlLineState::kText)),
            (std::vector<std::string>{"comment:<!--", "comment: hidden -->"}));
}

TEST(NoteMarkup, MarkupRunsOverLineBreaks) {
  // A tag left open, a quoted value and a comment go on in the next line.
  HtmlLine first = ScanHtmlLine(u"<a href=\"long", HtmlLineState::kText);
  EXPECT_EQ(first.end, HtmlLineState::kDoubleQuoted);
  std::u16string second = u"address\" title='x'>Text";
  HtmlLine next = ScanHtmlLine(second, first.end);
  EXPECT_EQ(Parts(second, next), (std::vector<std::string>{"value:address\"", "attr:title",
                                                           "value:'", "value:x'", "tag:>"}));
  EXPECT_EQ(next.end, HtmlLineState::kText);
  EXPECT_EQ(ScanHtmlLine(u"<b", HtmlLineState::kText).end, HtmlLineState::kTag);
  EXPECT_EQ(ScanHtmlLine(u"x <!-- open", HtmlLineState::kText).end, HtmlLineState::kComment);
  EXPECT_EQ(ScanHtmlLine(u"still -->", HtmlLineState::kComment).end, HtmlLineState::kText);
  // Positions count UTF-16 units, as the editor does.
  std::u16string accented = u"Caf\u00e9 <b>";
  EXPECT_EQ(ScanHtmlLine(accented, HtmlLineState::kText).spans.front().start, 5);
}

TEST(NoteMarkup, LinkWindowInsertsAnAnchorOnlyWithAnAddress) {
  LinkInput input;
  EXPECT_EQ(input.url, "http://");
  EXPECT_TRUE(input.underline);
  input.url = "http://club.example/";
  input.description = "Club";
  EXPECT_EQ(LinkInsertion(input), "<a href=\"http://club.example/\"><u>Club</u></a>");
  input.underline = false;
  EXPECT_EQ(LinkInsertion(input), "<a href=\"http://club.example/\">Club</a>");
  input.url = "   ";
  EXPECT_FALSE(LinkInsertion(input).has_value());
  input.url = "";
  EXPECT_FALSE(LinkInsertion(input).has_value());
  // A quote in the address stays inside the attribute.
  input.url = "http://x.example/?q=\"a\" onclick=\"x";
  EXPECT_EQ(LinkInsertion(input),
            "<a href=\"http://x.example/?q=%22a%22 onclick=%22x\">Club</a>");

  EXPECT_EQ(NoteTagInsertions(),
            (std::vector<std::string>{"<i></i>", "<u></u>", "<b></b>", "<br>"}));
  EXPECT_EQ(NoteDayHeader(5, "March"), "5 March");
}

}  // namespace
}  // namespace almanix::desktop
