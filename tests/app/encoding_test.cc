#include "app/encoding.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

using namespace almanix;

namespace {

// Independent encoder so the validator is checked against the definition,
// not against itself.
std::string Encode(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace

TEST(Utf8ValidatorTest, AcceptsEveryScalarValue) {
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::string bytes = Encode(cp);
    ASSERT_TRUE(IsValidUtf8(bytes))
        << "U+" << std::hex << static_cast<unsigned>(cp);
    ASSERT_EQ(Utf8Length(bytes), 1u)
        << "U+" << std::hex << static_cast<unsigned>(cp);
  }
}

TEST(Utf8ValidatorTest, RejectsMalformedSequences) {
  const char* const kBad[] = {
      "\xC0\x80",                  // overlong NUL
      "\xC1\xBF",                  // overlong 0x7F
      "\xE0\x80\xAF",              // overlong "/"
      "\xE0\x9F\xBF",              // overlong U+07FF
      "\xF0\x80\x80\xAF",          // overlong "/"
      "\xF0\x8F\xBF\xBF",          // overlong U+FFFF
      "\xED\xA0\x80",              // U+D800
      "\xED\xBF\xBF",              // U+DFFF
      "\xED\xA0\xBD\xED\xB8\x80",  // surrogate pair written as two characters
      "\xF4\x90\x80\x80",          // U+110000
      "\xF5\x80\x80\x80",
      "\xF8\x88\x80\x80\x80",  // old five-byte form
      "\xFF",
      "\xFE",
      "\xE2\x82",      // truncated euro sign
      "\xF0\x9F\x98",  // truncated four-byte form
      "\xC3",          // lead byte at the end
      "\x80",          // stray continuation
      "abc\xBF",
      "\xC3\x41",  // lead byte followed by "A"
      "\xE2\x82\x41",
  };
  for (const char* bad : kBad) {
    EXPECT_FALSE(IsValidUtf8(bad))
        << ::testing::PrintToString(std::string(bad));
  }
}

TEST(Utf8ValidatorTest, AcceptsBoundaryCharactersAndNul) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
  EXPECT_TRUE(IsValidUtf8("\xED\x9F\xBF"));      // U+D7FF
  EXPECT_TRUE(IsValidUtf8("\xEE\x80\x80"));      // U+E000
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBF"));      // U+FFFF
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
  EXPECT_TRUE(IsValidUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
}

TEST(Utf8ValidatorTest, AllTwoByteStringsMatchTheRule) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string bytes{static_cast<char>(a), static_cast<char>(b)};
      const bool expected = (a < 0x80 && b < 0x80) ||
                            (a >= 0xC2 && a <= 0xDF && b >= 0x80 && b <= 0xBF);
      ASSERT_EQ(IsValidUtf8(bytes), expected) << a << " " << b;
    }
  }
}

TEST(Cp1252Test, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8Length(utf8), 256u);
  const std::optional<std::string> back = Utf8ToCp1252(utf8);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
}

TEST(Cp1252Test, MapsTheWindowsRangeAndUndefinedBytes) {
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(Cp1252ToUtf8("\x93hi\x94"), "\xE2\x80\x9Chi\xE2\x80\x9D");
  EXPECT_EQ(Cp1252ToUtf8("\x9F"), "\xC5\xB8");  // Y with diaeresis
  EXPECT_EQ(Cp1252ToUtf8("\x8A\x9A"), "\xC5\xA0\xC5\xA1");
  EXPECT_EQ(Cp1252ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
  EXPECT_EQ(Cp1252ToUtf8("\xA0\xFF"), "\xC2\xA0\xC3\xBF");
  for (const char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'}) {
    const auto b = static_cast<unsigned char>(undefined);
    EXPECT_EQ(Cp1252ToUtf8(std::string(1, undefined)),
              std::string({'\xC2', static_cast<char>(b)}));
  }
  EXPECT_EQ(Cp1252ToUtf8(std::string("\0", 1)), std::string("\0", 1));
}

TEST(Cp1252Test, RefusesWhatItCannotHold) {
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC 5"),
            std::optional<std::string>("\x80 5"));
  EXPECT_EQ(Utf8ToCp1252("\xC2\x81"), std::optional<std::string>("\x81"));
  // U+0080 has no byte: 0x80 is the euro sign.
  EXPECT_EQ(Utf8ToCp1252("\xC2\x80"), std::nullopt);
  EXPECT_EQ(Utf8ToCp1252("\xC2\x9F"), std::nullopt);
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), std::nullopt);  // CJK
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), std::nullopt);
  EXPECT_EQ(Utf8ToCp1252("ok\xE9"), std::nullopt);  // not UTF-8 at all
  EXPECT_EQ(Utf8ToCp1252(""), std::optional<std::string>(""));
}

TEST(DecodeTextTest, PicksUtf8OrWindows1252) {
  EXPECT_EQ(DecodeText("plain"), "plain");
  EXPECT_EQ(DecodeText("Caf\xC3\xA9"), "Caf\xC3\xA9");
  EXPECT_EQ(DecodeText("Caf\xE9"), "Caf\xC3\xA9");
  // One bad byte makes the whole text Windows-1252, valid parts included.
  EXPECT_EQ(DecodeText("\xC3\xA9\xE9"), "\xC3\x83\xC2\xA9\xC3\xA9");
}

TEST(DecodeTextTest, SkipsByteOrderMarks) {
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF"), "");
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF[A]"), "[A]");
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xE9"), "\xC3\xA9");
  // Marked twice (saved again by a tool that adds one): the first section of
  // a settings file must still read as a section.
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xEF\xBB\xBF[A]"), "[A]");
  // A partial mark is just Windows-1252 text.
  EXPECT_EQ(DecodeText("\xEF\xBB"), "\xC3\xAF\xC2\xBB");
}

TEST(Utf8LengthTest, CountsCharactersAndBadBytesAsOne) {
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("h\xC3\xA9llo"), 5u);
  EXPECT_EQ(Utf8Length("\xE2\x82\xAC\xF0\x9F\x98\x80"), 2u);
  EXPECT_EQ(Utf8Length("\xFF\xFE"), 2u);
  EXPECT_EQ(Utf8Length("a\xE2\x82"), 3u);     // truncated: two bad bytes
  EXPECT_EQ(Utf8Length("\xED\xA0\x80"), 3u);  // surrogate: three bad bytes
  EXPECT_EQ(Utf8Length(std::string("\0\0", 2)), 2u);
}

TEST(Utf8LeftTest, NeverSplitsACharacter) {
  const std::string text = "h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
  EXPECT_EQ(Utf8Left(text, 0), "");
  EXPECT_EQ(Utf8Left(text, 1), "h");
  EXPECT_EQ(Utf8Left(text, 2), "h\xC3\xA9");
  EXPECT_EQ(Utf8Left(text, 3), "h\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf8Left(text, 4), "h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8Left(text, 5), text);
  EXPECT_EQ(Utf8Left(text, 500), text);
  for (std::size_t n = 0; n <= 6; ++n) {
    const std::string left = Utf8Left(text, n);
    EXPECT_TRUE(IsValidUtf8(left));
    EXPECT_EQ(Utf8Length(left), std::min<std::size_t>(n, 5));
  }
  EXPECT_EQ(Utf8Left("\xFF\xC3\xA9", 1), "\xFF");
  EXPECT_EQ(Utf8Left("\xFF\xC3\xA9", 2), "\xFF\xC3\xA9");
}
