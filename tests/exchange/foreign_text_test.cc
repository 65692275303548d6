#include "exchange/foreign_text.h"

#include <gtest/gtest.h>

namespace almanix::exchange {
namespace {

TEST(ForeignTextTest, TextsBecomePlainText) {
  EXPECT_EQ(ForeignText("Tom & Jerry <script>"), "Tom &amp; Jerry &lt;script&gt;");
  // Line breaks, tabs, escape sequences and C1 controls become blanks.
  EXPECT_EQ(ForeignText("a\r\nb\nc\td\x1b[31me\x7f"), "a b c d [31me ");
  EXPECT_EQ(ForeignText("x\xc2\x85y \xc3\xa9"), "x y \xc3\xa9");
}

TEST(ForeignTextTest, ACutNeverLeavesAPieceOfAnEntityOrATag) {
  const std::string text = ForeignText(std::string(62, 'x') + "<img src=x onerror=alert(1)>");
  EXPECT_EQ(CutForeignText(text, 64), std::string(62, 'x'));
  EXPECT_EQ(CutForeignText(text, 66), std::string(62, 'x') + "&lt;");
  EXPECT_EQ(CutForeignText(ForeignText("a&b"), 4), "a");
  EXPECT_EQ(CutForeignText(ForeignText("a&b"), 6), "a&amp;");
  EXPECT_EQ(CutForeignText("short", 64), "short");
  // A cut counts characters, not bytes.
  EXPECT_EQ(CutForeignText("\xc3\xa9\xc3\xa9\xc3\xa9", 2), "\xc3\xa9\xc3\xa9");
}

TEST(ForeignTextTest, OnlySafeAddressesStayLinks) {
  EXPECT_EQ(ForeignUrl("https://example.org/a?b=1&c=2"), "https://example.org/a?b=1&c=2");
  EXPECT_EQ(ForeignUrl("mailto:club@example.org"), "mailto:club@example.org");
  EXPECT_EQ(ForeignUrl("events/fair.html"), "events/fair.html");
  EXPECT_EQ(ForeignUrl(" http://example.org "), "http://example.org");
  EXPECT_EQ(ForeignUrl(""), "http://");
  for (const char* hostile :
       {"javascript:alert(1)", "JavaScript:alert(1)", "data:text/html,x", "vbscript:x",
        "http://x.org/\" onmouseover=\"x", "http://x.org/ onmouseover=alert(1)",
        "http://x.org/'x", "http://x.org/<b>", "java\tscript:alert(1)",
        "javascript&colon;alert(1)", "&#106;avascript:alert(1)", "http://x.org/\x01" "a"}) {
    EXPECT_EQ(ForeignUrl(hostile), "http://") << hostile;
  }
}

TEST(ForeignTextTest, MessagesShowControlCharactersAsEscapes) {
  EXPECT_EQ(PrintableText("a\x1b]0;owned\x07z"), "a\\x1b]0;owned\\x07z");
  EXPECT_EQ(PrintableText("1\n2\r\t3"), "1\\n2\\r\\t3");
  EXPECT_EQ(PrintableText("x\xc2\x9b" "31m"), "x\\u009b31m");
  EXPECT_EQ(PrintableText("abc\xe2\x80\xae" "cba"), "abc\\u202ecba");
  EXPECT_EQ(PrintableText("caf\xc3\xa9 \xe2\x82\xac"), "caf\xc3\xa9 \xe2\x82\xac");
}

}  // namespace
}  // namespace almanix::exchange
