#include "app/text.h"

#include <clocale>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace almanix;

using Lines = std::vector<std::string>;

TEST(GeneratorTextTest, UrlTextEscapesBlanksAndEntities) {
  EXPECT_EQ(UrlText("Summer Fair.jpg"), "Summer%20Fair.jpg");
  EXPECT_EQ(UrlText("Tom & Jerry's"), "Tom%20&amp;%20Jerry&apos;s");
  EXPECT_EQ(UrlText("<a href=\"x\">"), "&lt;a%20href=&quot;x&quot;&gt;");
  EXPECT_EQ(UrlText(""), "");
}

TEST(GeneratorTextTest, QuotedUrlCannotBeEnded) {
  EXPECT_EQ(QuotedUrl("page.html?x=1&Date=20250305"), "\"page.html?x=1&Date=20250305\"");
  EXPECT_EQ(QuotedUrl("http://x.org/a b\" onmouseover=\"alert(1)<b>\t"),
            "\"http://x.org/a%20b%22%20onmouseover=%22alert(1)%3Cb%3E%09\"");
  EXPECT_EQ(QuotedUrl("caf\xc3\xa9?q='1'"), "\"caf\xc3\xa9?q='1'\"");
}

TEST(GeneratorTextTest, XmlTextEscapesEachCharacterOnce) {
  EXPECT_EQ(XmlText("say \"hi\""), "say &quot;hi&quot;");
  EXPECT_EQ(XmlText("a&nbsp;b"), "a b");
  EXPECT_EQ(XmlText("a&nbsp;&nbsp;<b> & 'c'"),
            "a  &lt;b&gt; &amp; &apos;c&apos;");
  // An existing entity is text like any other.
  EXPECT_EQ(XmlText("&amp;"), "&amp;amp;");
}

TEST(GeneratorTextTest, HtmlTextEscapesOnlyAngleBrackets) {
  EXPECT_EQ(HtmlText("a &amp; b"), "a &amp; b");
  EXPECT_EQ(HtmlText("<i>\"x\" & 'y'</i>"), "&lt;i&gt;\"x\" & 'y'&lt;/i&gt;");
}

TEST(GeneratorTextTest, BackgroundStyleAttr) {
  EXPECT_EQ(BackgroundStyleAttr(""), "");
  EXPECT_EQ(BackgroundStyleAttr("   "), "");
  EXPECT_EQ(BackgroundStyleAttr("\t"), "");
  EXPECT_EQ(BackgroundStyleAttr("#FF0000"),
            "Style=\"background-color:#FF0000;\"");
  EXPECT_EQ(BackgroundStyleAttr(" red "), "Style=\"background-color: red ;\"");
}

TEST(GeneratorTextTest, TagTextDropsTags) {
  EXPECT_EQ(TagText("<b>bold</b> y"), "bold y");
  EXPECT_EQ(TagText("before <i>in</i> after"), "before in after");
  EXPECT_EQ(TagText("no tags"), "no tags");
  EXPECT_EQ(TagText("open <never closed"), "open ");
  EXPECT_EQ(TagText("<a href='x'><img src=y></a>"), "");
}

TEST(GeneratorTextTest, NumbersWithTwoDigits) {
  EXPECT_EQ(TwoDigits(0), "00");
  EXPECT_EQ(TwoDigits(5), "05");
  EXPECT_EQ(TwoDigits(9), "09");
  EXPECT_EQ(TwoDigits(10), "10");
  EXPECT_EQ(TwoDigits(2024), "2024");
  EXPECT_EQ(PadTwo("7"), "07");
  EXPECT_EQ(PadTwo("12"), "12");
  EXPECT_EQ(PadTwo(""), "");
  EXPECT_EQ(PadTwo("123"), "123");
}

// Dates and stamps were written with printf's "%0*d": the same text.
TEST(GeneratorTextTest, ZeroPaddedNumbersAreWhatPrintfWrote) {
  const long long values[] = {0, 1, 7, 9, 10, 99, 100, 987, 2025, 12345, -1, -5, -42, -2025,
                              2147483647LL, -2147483648LL, 9223372036854775807LL,
                              -9223372036854775807LL - 1};
  for (long long v : values) {
    for (int width : {0, 1, 2, 4, 6}) {
      char expected[40];
      std::snprintf(expected, sizeof expected, "%0*lld", width, v);
      std::string out = "x";
      AppendZeroPadded(out, v, width);
      EXPECT_EQ(out, std::string("x") + expected) << v << " in " << width;
    }
  }
}

TEST(GeneratorTextTest, SmallPieces) {
  EXPECT_EQ(NbspRun(0), "");
  EXPECT_EQ(NbspRun(-3), "");
  EXPECT_EQ(NbspRun(3), "&nbsp;&nbsp;&nbsp;");
  EXPECT_EQ(SingleQuoted("it's"), "'it's'");
  EXPECT_EQ(BoolToTF(true), "T");
  EXPECT_EQ(BoolToTF(false), "F");
  EXPECT_EQ(ListText("\"Smith, John\",x"), "Smith  John x");
}

TEST(TextSearchTest, ContainsTextIgnoresAsciiCase) {
  EXPECT_TRUE(ContainsText("fair", "Summer FAIR 2024"));
  EXPECT_TRUE(ContainsText("SUMMER", "summer"));
  EXPECT_FALSE(ContainsText("fairs", "Summer Fair"));
  EXPECT_FALSE(ContainsText("long needle", "short"));
  // An empty search text matches everything, as an empty filter should.
  EXPECT_TRUE(ContainsText("", "anything"));
  EXPECT_TRUE(ContainsText("", ""));
  // Only ASCII folds; other bytes must match exactly.
  EXPECT_TRUE(ContainsText("caf\xC3\xA9", "CAF\xC3\xA9"));
  EXPECT_FALSE(ContainsText("\xC3\xA9", "\xC3\x89"));
}

TEST(TextCaseTest, AsciiOnlyMappingKeepsUtf8) {
  EXPECT_EQ(ToLower("ABC xyz \xC3\x89"), "abc xyz \xC3\x89");
  EXPECT_EQ(ToUpper("abc XYZ \xC3\xA9"), "ABC XYZ \xC3\xA9");
  EXPECT_TRUE(EqualsIgnoreCase("General", "GENERAL"));
  EXPECT_FALSE(EqualsIgnoreCase("General", "Generals"));
  EXPECT_FALSE(EqualsIgnoreCase("[", "{"));  // differ by the case bit only
  EXPECT_FALSE(EqualsIgnoreCase("@", "`"));
}

TEST(TextTrimTest, TrimsControlCharactersButNotUtf8) {
  EXPECT_EQ(Trim(" \t\r\n\x01 x y \x1F"), "x y");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(std::string("\0a\0", 3)), "a");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
}

TEST(TextReplaceTest, ReplacesLeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("a.b.c", ".", ".."), "a..b..c");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
  EXPECT_EQ(ReplaceAll("xax", "a", ""), "xx");
}

TEST(TextSplitTest, SplitKeepsEmptyParts) {
  EXPECT_EQ(Split("a,,b", ','), (Lines{"a", "", "b"}));
  EXPECT_EQ(Split(",", ','), (Lines{"", ""}));
  EXPECT_EQ(Split("abc", ','), (Lines{"abc"}));
  EXPECT_EQ(Split("", ','), (Lines{""}));
}

TEST(TextSplitTest, SplitLinesAtEveryKindOfBreak) {
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("a"), (Lines{"a"}));
  EXPECT_EQ(SplitLines("a\n"), (Lines{"a"}));
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));  // LF then CR: two
  EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(SplitLines("a\r"), (Lines{"a"}));
}

TEST(TextSplitTest, JoinLinesUndoesSplitLines) {
  const Lines lines = {"[General]", "", "Name=x", " "};
  EXPECT_EQ(JoinLines(lines), "[General]\r\n\r\nName=x\r\n \r\n");
  EXPECT_EQ(SplitLines(JoinLines(lines)), lines);
  EXPECT_EQ(SplitLines(JoinLines(lines, "\n")), lines);
  EXPECT_EQ(JoinLines({}), "");
}

TEST(ParseIntTest, AcceptsWholeNumbersInRange) {
  EXPECT_EQ(ParseInt("0"), 0);
  EXPECT_EQ(ParseInt("42"), 42);
  EXPECT_EQ(ParseInt("  -17 "), -17);
  EXPECT_EQ(ParseInt("+5"), 5);
  EXPECT_EQ(ParseInt("007"), 7);
  EXPECT_EQ(ParseInt("2147483647"), 2147483647);
  EXPECT_EQ(ParseInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseInt("00000000000000000000001"), 1);
}

TEST(ParseIntTest, RefusesEverythingElse) {
  for (const char* bad :
       {"", " ", "12abc", "abc", "99999999999", "2147483648", "-2147483649",
        "0x10", "1.5", "1e3", "+", "-", "+-1", "--1", "1 2", "- 1",
        "184467440737095516160", "\xEF\xBC\x91"}) {
    EXPECT_EQ(ParseInt(bad), std::nullopt) << bad;
  }
}

TEST(ParseDoubleTest, ReadsDecimalNumbers) {
  EXPECT_EQ(ParseDouble("1.5"), 1.5);
  EXPECT_EQ(ParseDouble(" -0.25 "), -0.25);
  EXPECT_EQ(ParseDouble("+2"), 2.0);
  EXPECT_EQ(ParseDouble("3"), 3.0);
  EXPECT_EQ(ParseDouble("1e3"), 1000.0);
  EXPECT_EQ(ParseDouble(".5"), 0.5);
  EXPECT_EQ(ParseDouble("45000.75"), 45000.75);
}

TEST(ParseDoubleTest, RefusesJunkAndNonFiniteValues) {
  for (const char* bad :
       {"", "  ", "1,5", "abc", "1.5x", "inf", "-inf", "nan", "infinity",
        "1e999", "0x10", "+-1", "++1", "1 .5", "."}) {
    EXPECT_EQ(ParseDouble(bad), std::nullopt) << bad;
  }
}

TEST(ParseDoubleTest, IgnoresTheProcessLocale) {
  // A locale with a decimal comma must not change how settings read.
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  }
  EXPECT_EQ(ParseDouble("1.5"), 1.5);
  EXPECT_EQ(ParseDouble("1,5"), std::nullopt);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no decimal-comma locale installed";
}
