#include "app/ini_file.h"

#include <sys/stat.h>

#include <climits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/encoding.h"
#include "app/text.h"
#include "support/temp_root.h"

using namespace almanix;

using Names = std::vector<std::string>;

namespace {

IniFile FromText(std::string_view text) {
  IniFile ini;
  ini.LoadFromText(text);
  return ini;
}

// What a file reads as after being written out and read back.
IniFile Reloaded(const IniFile& ini) { return FromText(ini.ToText()); }

class IniFileTest : public ::testing::Test {
 protected:
  almanix::testing::TempRoot root_;
};

}  // namespace

// ---- Reading ----

TEST(IniReadTest, SectionsKeysAndValues) {
  const IniFile ini = FromText(
      "[General]\n"
      "  Name  =  Web Almanac  \n"
      "Empty=\n"
      "Equals=a=b=c\n"
      "\n"
      "[ Spaced Section ]\n"
      "x=1\n");
  EXPECT_EQ(ini.Sections(), (Names{"General", "Spaced Section"}));
  EXPECT_EQ(ini.ReadString("general", "NAME", "-"), "Web Almanac");
  EXPECT_EQ(ini.ReadString("General", "Empty", "-"), "");
  EXPECT_TRUE(ini.ValueExists("General", "Empty"));
  EXPECT_EQ(ini.ReadString("General", "Equals", "-"), "a=b=c");
  EXPECT_EQ(ini.ReadString("General", "Missing", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadString("Nowhere", "Name", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadInteger("spaced section", "x", 0), 1);
  EXPECT_TRUE(ini.SectionExists("SPACED SECTION"));
  EXPECT_FALSE(ini.SectionExists("Spaced"));
}

TEST(IniReadTest, CommentsJunkAndKeysOutsideSectionsAreNotValues) {
  const IniFile ini = FromText(
      "orphan=1\n"
      "[A]\n"
      "; semi=1\n"
      "   # hash=2\n"
      "no equals sign\n"
      "=no key\n"
      "  =  \n"
      "[unterminated\n"
      "real=3\n");
  EXPECT_EQ(ini.Sections(), Names{"A"});
  EXPECT_EQ(ini.Keys("A"), Names{"real"});
  EXPECT_FALSE(ini.ValueExists("A", "; semi"));
  EXPECT_FALSE(ini.ValueExists("A", "# hash"));
  EXPECT_FALSE(ini.ValueExists("A", ""));
  EXPECT_FALSE(ini.ValueExists("A", "orphan"));
  EXPECT_FALSE(ini.ValueExists("", "orphan"));
}

TEST(IniReadTest, FirstCopyWinsAndSameNamedSectionsReadAsOne) {
  const IniFile ini = FromText(
      "[A]\n"
      "k=first\n"
      "K=second\n"
      "[B]\n"
      "k=b\n"
      "[a]\n"
      "k=third\n"
      "extra=4\n");
  EXPECT_EQ(ini.ReadString("A", "k", "-"), "first");
  EXPECT_EQ(ini.ReadString("a", "extra", "-"), "4");
  EXPECT_EQ(ini.Sections(), (Names{"A", "B"}));
  EXPECT_EQ(ini.Keys("A"), (Names{"k", "extra"}));
  EXPECT_EQ(ini.SectionValues("a"), (Names{"k=first", "extra=4"}));
  EXPECT_EQ(ini.Keys("Missing"), Names{});
}

TEST(IniReadTest, NumbersAndFlags) {
  const IniFile ini = FromText(
      "[N]\n"
      "int= -12 \n"
      "big=99999999999\n"
      "junk=12abc\n"
      "one=1\n"
      "two=2\n"
      "minus=-1\n"
      "zero=0\n"
      "word=true\n"
      "float=2.5\n"
      "comma=2,5\n"
      "whole=3\n");
  EXPECT_EQ(ini.ReadInteger("N", "int", 0), -12);
  EXPECT_EQ(ini.ReadInteger("N", "big", 7), 7);
  EXPECT_EQ(ini.ReadInteger("N", "junk", 7), 7);
  EXPECT_EQ(ini.ReadInteger("N", "missing", 7), 7);
  EXPECT_TRUE(ini.ReadBool("N", "one", false));
  EXPECT_TRUE(ini.ReadBool("N", "two", false));
  EXPECT_TRUE(ini.ReadBool("N", "minus", false));
  EXPECT_FALSE(ini.ReadBool("N", "zero", true));
  EXPECT_TRUE(ini.ReadBool("N", "word", true));
  EXPECT_FALSE(ini.ReadBool("N", "word", false));
  EXPECT_FALSE(ini.ReadBool("N", "big", false));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "float", 0), 2.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "comma", -1), -1);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "whole", 0), 3);
}

TEST(IniReadTest, DecodesWindows1252AndSkipsTheMark) {
  const IniFile cp1252 = FromText("[A]\r\nName=Caf\xE9 \x80\r\n");
  EXPECT_EQ(cp1252.ReadString("A", "Name", ""), "Caf\xC3\xA9 \xE2\x82\xAC");
  const IniFile utf8 = FromText("\xEF\xBB\xBF[A]\r\nName=Caf\xC3\xA9\r\n");
  EXPECT_TRUE(utf8.SectionExists("A"));
  EXPECT_EQ(utf8.ReadString("A", "Name", ""), "Caf\xC3\xA9");
  // Written back as UTF-8 without a mark.
  EXPECT_EQ(cp1252.ToText(), "[A]\r\nName=Caf\xC3\xA9 \xE2\x82\xAC\r\n");
  EXPECT_EQ(utf8.ToText(), "[A]\r\nName=Caf\xC3\xA9\r\n");
}

TEST(IniReadTest, LoadingReplacesEverything) {
  IniFile ini = FromText("[Old]\nx=1\n");
  ini.LoadFromText("[New]\ny=2\n");
  EXPECT_EQ(ini.Sections(), Names{"New"});
  ini.LoadFromText("");
  EXPECT_EQ(ini.Sections(), Names{});
  EXPECT_EQ(ini.ToText(), "");
}

// ---- Writing ----

TEST(IniWriteTest, RewriteKeepsCommentsJunkAndBlankLines) {
  const IniFile ini = FromText(
      "; header comment\n"
      "orphan = 1\n"
      "\n"
      "[A]\n"
      "  key  =  value  \n"
      "# comment\n"
      "junk line\n"
      "\xFF"
      "binary\n"
      "[B]\n"
      "\n"
      "\n"
      "[C]\n"
      "x=1");
  EXPECT_EQ(ini.ToText(),
            "; header comment\r\n"
            "orphan = 1\r\n"
            "\r\n"
            "[A]\r\n"
            "key=value\r\n"
            "# comment\r\n"
            "junk line\r\n"
            "\xC3\xBF"
            "binary\r\n"
            "[B]\r\n"
            "\r\n"
            "\r\n"
            "[C]\r\n"
            "x=1\r\n");
  EXPECT_EQ(Reloaded(ini).ToText(), ini.ToText());
}

TEST(IniWriteTest, ExistingKeyKeepsItsSpellingAndPlace) {
  IniFile ini = FromText("[Main]\nFirstName=a\nOther=b\n");
  ini.WriteString("MAIN", "firstname", "z");
  EXPECT_EQ(ini.ToText(), "[Main]\r\nFirstName=z\r\nOther=b\r\n");
}

TEST(IniWriteTest, NewKeyFollowsTheLastKeyOfItsSection) {
  IniFile ini = FromText(
      "[A]\n"
      "x=1\n"
      "; about B\n"
      "\n"
      "[B]\n"
      "y=2\n");
  ini.WriteString("a", "z", "3");
  ini.WriteString("B", "w", "4");
  EXPECT_EQ(ini.ToText(),
            "[A]\r\n"
            "x=1\r\n"
            "z=3\r\n"
            "; about B\r\n"
            "\r\n"
            "[B]\r\n"
            "y=2\r\n"
            "w=4\r\n");
}

TEST(IniWriteTest, NewKeyInASectionWithoutKeysGoesBeforeTrailingBlanks) {
  IniFile ini = FromText("[A]\n; settings of A\n\n[B]\n");
  ini.WriteString("A", "k", "v");
  EXPECT_EQ(ini.ToText(), "[A]\r\n; settings of A\r\nk=v\r\n\r\n[B]\r\n");
}

TEST(IniWriteTest, NewSectionsGoToTheEndOneBlankLineApart) {
  IniFile ini;
  ini.WriteString("A", "x", "1");
  ini.WriteString("B", "y", "2");
  ini.WriteString("A", "z", "3");
  EXPECT_EQ(ini.ToText(), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");

  IniFile loaded = FromText("[A]\nx=1\n[B]\ny=2\n");
  loaded.WriteString("C", "z", "3");
  EXPECT_EQ(loaded.ToText(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n\r\n[C]\r\nz=3\r\n");

  IniFile spaced = FromText("[A]\nx=1\n\n");
  spaced.WriteString("B", "y", "2");
  EXPECT_EQ(spaced.ToText(), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");

  IniFile commented = FromText("; only a comment\n");
  commented.WriteString("A", "x", "1");
  EXPECT_EQ(commented.ToText(), "; only a comment\r\n\r\n[A]\r\nx=1\r\n");
}

TEST(IniWriteTest, LineBreaksInValuesBecomeBlanks) {
  IniFile ini;
  ini.WriteString("A", "text", "one\r\ntwo\nthree\rfour");
  EXPECT_EQ(ini.ToText(), "[A]\r\ntext=one  two three four\r\n");
  EXPECT_EQ(Reloaded(ini).ReadString("A", "text", ""), "one  two three four");
}

TEST(IniWriteTest, AwkwardValuesReadBackAfterASave) {
  const std::vector<std::string> values = {
      "",
      "a=b",
      "; not a comment",
      "# nor this",
      "[not a section]",
      "\"quoted\"",
      "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
      "trailing backslash\\",
      std::string("nul\0inside", 10),
  };
  IniFile ini;
  for (std::size_t i = 0; i < values.size(); ++i) {
    ini.WriteString("Values", "v" + std::to_string(i), values[i]);
  }
  const IniFile back = Reloaded(ini);
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(back.ReadString("Values", "v" + std::to_string(i), "-"),
              values[i]);
  }
  // Surrounding blanks cannot survive a file, so they do not survive memory.
  ini.WriteString("Values", "padded", "  x  ");
  EXPECT_EQ(ini.ReadString("Values", "padded", "-"), "x");
}

TEST(IniWriteTest, ATextThatIsNotUtf8DoesNotGarbleTheRest) {
  // One Windows-1252 byte written as it stands made the whole saved file
  // read as Windows-1252 again: every other accented text turned to
  // "CafÃ©" and the section below could no longer be found.
  IniFile ini = FromText("[Caf\xC3\xA9]\r\nName=cr\xC3\xA8me\r\n");
  ini.WriteString("Caf\xC3\xA9", "FilePath", "/home/ann/caf\xE9.csv");
  ini.WriteString("Caf\xE9", "Price", "\x80 5");
  const IniFile back = Reloaded(ini);
  EXPECT_EQ(back.Sections(), Names{"Caf\xC3\xA9"});
  EXPECT_EQ(back.ReadString("Caf\xC3\xA9", "Name", ""), "cr\xC3\xA8me");
  EXPECT_EQ(back.ReadString("Caf\xC3\xA9", "FilePath", ""), "/home/ann/caf\xC3\xA9.csv");
  EXPECT_EQ(back.ReadString("Caf\xC3\xA9", "Price", ""), "\xE2\x82\xAC 5");
}

TEST(IniWriteTest, NamesThatWouldReadBackAsSomethingElseAreRefused) {
  IniFile ini = FromText("[A]\nx=1\n");
  const std::string before = ini.ToText();
  for (const char* key :
       {"", "   ", "a=b", "; c", "#c", "[s]", "a\nb", "a\rb"}) {
    ini.WriteString("A", key, "v");
  }
  ini.WriteString("two\nlines", "k", "v");
  EXPECT_EQ(ini.ToText(), before);
  // Blanks around names are not part of them.
  ini.WriteString("  A  ", "  y  ", "2");
  EXPECT_EQ(ini.ToText(), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST(IniWriteTest, TypedValuesRoundTrip) {
  IniFile ini;
  ini.WriteInteger("T", "min", INT_MIN);
  ini.WriteInteger("T", "max", INT_MAX);
  ini.WriteBool("T", "yes", true);
  ini.WriteBool("T", "no", false);
  const std::vector<double> doubles = {0.1,   -2.5,      45000.75, 1e-300,
                                       1e300, 1.0 / 3.0, 0.0};
  for (std::size_t i = 0; i < doubles.size(); ++i) {
    ini.WriteFloat("F", "d" + std::to_string(i), doubles[i]);
  }
  const IniFile back = Reloaded(ini);
  EXPECT_EQ(back.ReadInteger("T", "min", 0), INT_MIN);
  EXPECT_EQ(back.ReadInteger("T", "max", 0), INT_MAX);
  EXPECT_EQ(back.ReadString("T", "yes", ""), "1");
  EXPECT_EQ(back.ReadString("T", "no", ""), "0");
  EXPECT_TRUE(back.ReadBool("T", "yes", false));
  EXPECT_FALSE(back.ReadBool("T", "no", true));
  for (std::size_t i = 0; i < doubles.size(); ++i) {
    EXPECT_EQ(back.ReadFloat("F", "d" + std::to_string(i), -99), doubles[i]);
  }
  EXPECT_EQ(back.ReadString("F", "d0", ""), "0.1");
}

TEST(IniWriteTest, DeleteKeyRemovesEveryCopy) {
  IniFile ini = FromText("[A]\nk=1\nK=2\nother=3\n[a]\nk=4\n");
  ini.DeleteKey("a", "K");
  EXPECT_FALSE(ini.ValueExists("A", "k"));
  EXPECT_EQ(ini.ToText(), "[A]\r\nother=3\r\n[a]\r\n");
  ini.DeleteKey("A", "missing");
  ini.DeleteKey("Missing", "other");
  EXPECT_EQ(ini.ToText(), "[A]\r\nother=3\r\n[a]\r\n");
}

TEST(IniWriteTest, EraseSectionRemovesEveryCopy) {
  IniFile ini = FromText("[A]\nx=1\n\n[B]\ny=2\n\n[a]\nz=3\n\n[C]\nw=4\n");
  ini.EraseSection("A");
  EXPECT_EQ(ini.Sections(), (Names{"B", "C"}));
  EXPECT_EQ(ini.ToText(), "[B]\r\ny=2\r\n\r\n[C]\r\nw=4\r\n");
  ini.EraseSection("Missing");
  EXPECT_EQ(ini.Sections(), (Names{"B", "C"}));
}

TEST(IniWriteTest, RandomEditsMatchAPlainModel) {
  // The model: case-insensitive section and key, trimmed one-line value.
  std::map<std::pair<std::string, std::string>, std::string> model;
  const std::vector<std::string> sections = {"A", "a", "Long Name", ""};
  const std::vector<std::string> keys = {"k", "K", "x y", "\xC3\x9C"};
  const std::string alphabet = "ab =;[]\"\r\n\t";
  std::mt19937 random(424242);
  IniFile ini;
  for (int step = 0; step < 3000; ++step) {
    const std::string& section = sections[random() % sections.size()];
    const std::string& key = keys[random() % keys.size()];
    const auto model_key = std::make_pair(ToLower(section), ToLower(key));
    const unsigned op = random() % 10;
    if (op < 7) {
      std::string value;
      for (unsigned i = random() % 6; i > 0; --i) {
        value += alphabet[random() % alphabet.size()];
      }
      ini.WriteString(section, key, value);
      model[model_key] =
          Trim(ReplaceAll(ReplaceAll(value, "\r", " "), "\n", " "));
    } else if (op < 9) {
      ini.DeleteKey(section, key);
      model.erase(model_key);
    } else {
      ini.EraseSection(section);
      std::erase_if(model, [&](const auto& entry) {
        return entry.first.first == model_key.first;
      });
    }
    if (step % 100 == 0) ini = Reloaded(ini);
    for (const std::string& s : sections) {
      for (const std::string& k : keys) {
        const auto it = model.find({ToLower(s), ToLower(k)});
        ASSERT_EQ(ini.ValueExists(s, k), it != model.end()) << step;
        if (it != model.end()) {
          ASSERT_EQ(ini.ReadString(s, k, "-"), it->second) << step;
        }
      }
    }
  }
}

// ---- Hostile input ----

TEST(IniHostileTest, OddLinesDoNotConfuseTheReader) {
  const IniFile ini = FromText("[\n]\n[]\n=\n==\n=alone\n[[x]]\n[a]b\n" +
                               std::string("\0\0=\0\n", 5) + "[A]\nk=v\n");
  EXPECT_EQ(ini.ReadString("[x]", "", "-"), "-");
  EXPECT_TRUE(ini.SectionExists("[x]"));
  EXPECT_TRUE(ini.SectionExists(""));
  EXPECT_EQ(ini.ReadString("A", "k", "-"), "v");
  EXPECT_EQ(Reloaded(ini).ToText(), ini.ToText());
}

TEST(IniHostileTest, HugeSingleLine) {
  std::string text = "[Big]\nkey=";
  text.append(10 * 1024 * 1024, 'x');
  const IniFile ini = FromText(text);
  EXPECT_EQ(ini.ReadString("Big", "key", "").size(), 10u * 1024 * 1024);
  const IniFile junk = FromText(std::string(10 * 1024 * 1024, '['));
  EXPECT_EQ(junk.Sections(), Names{});
}

TEST(IniHostileTest, RandomBytesReadAndRewriteStably) {
  const std::string alphabet =
      std::string("[]=;# \r\n\t\0", 10) + "ab\xFF\xC3\xA9\x80";
  std::mt19937 random(99);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const unsigned length = random() % 80;
    for (unsigned i = 0; i < length; ++i) {
      bytes += round % 2 ? static_cast<char>(random() & 0xFF)
                         : alphabet[random() % alphabet.size()];
    }
    const IniFile ini = FromText(bytes);
    const std::string text = ini.ToText();
    ASSERT_TRUE(IsValidUtf8(text));
    const IniFile back = FromText(text);
    ASSERT_EQ(back.ToText(), text) << ::testing::PrintToString(bytes);
    ASSERT_EQ(back.Sections(), ini.Sections());
  }
}

// ---- Files ----

TEST_F(IniFileTest, SaveAndLoad) {
  const std::string path = root_ / "settings.ini";
  IniFile ini(path);
  ini.WriteString("General", "Title", "Caf\xC3\xA9");
  ini.WriteInteger("General", "Count", 3);
  ASSERT_TRUE(ini.Save().ok());
  EXPECT_EQ(almanix::testing::ReadAll(path),
            "[General]\r\nTitle=Caf\xC3\xA9\r\nCount=3\r\n");

  IniFile back(path);
  ASSERT_TRUE(back.Load().ok());
  EXPECT_EQ(back.ReadString("general", "title", ""), "Caf\xC3\xA9");
  EXPECT_EQ(back.ReadInteger("General", "Count", 0), 3);
}

TEST_F(IniFileTest, LoadKeepsTheFileAsWrittenByWindows) {
  const std::string path = root_ / "old.ini";
  almanix::testing::WriteAll(path, "[A]\r\n; note\r\nName=Caf\xE9\r\n");
  IniFile ini(path);
  ASSERT_TRUE(ini.Load().ok());
  ASSERT_TRUE(ini.Save().ok());
  EXPECT_EQ(almanix::testing::ReadAll(path),
            "[A]\r\n; note\r\nName=Caf\xC3\xA9\r\n");
}

TEST_F(IniFileTest, MissingFileIsNotFoundAndEmpty) {
  IniFile ini(root_ / "missing.ini");
  ini.LoadFromText("[Stale]\nx=1\n");
  const Status status = ini.Load();
  EXPECT_EQ(status.code(), Status::Code::kNotFound);
  EXPECT_EQ(ini.Sections(), Names{});
  EXPECT_EQ(ini.ToText(), "");
}

TEST_F(IniFileTest, UnreadableFileIsIoError) {
  // A folder where the file should be cannot be read, even by root.
  const std::string path = root_ / "folder.ini";
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  IniFile ini(path);
  ini.LoadFromText("[Stale]\nx=1\n");
  const Status status = ini.Load();
  EXPECT_EQ(status.code(), Status::Code::kIoError);
  EXPECT_FALSE(status.message().empty());
  EXPECT_EQ(ini.Sections(), Names{});
}

TEST_F(IniFileTest, SaveWithoutAPathFails) {
  IniFile ini;
  ini.WriteString("A", "x", "1");
  EXPECT_FALSE(ini.Save().ok());
}

// ---- Sample files ----

namespace {

std::string SamplePath(const char* name) {
  return std::string(TEST_DATA_DIR) + "/ini/" + name;
}

IniFile LoadSample(const char* name) {
  IniFile ini(SamplePath(name));
  EXPECT_TRUE(ini.Load().ok()) << name;
  return ini;
}

struct StringCase {
  const char* file;
  const char* section;
  const char* key;
  std::string expected;  // "<default>" when the key must not read
};

struct IntegerCase {
  const char* file;
  const char* section;
  const char* key;
  int expected;  // -1 is the default
};

struct FlagCase {
  const char* file;
  const char* section;
  const char* key;
  enum { kTrue, kFalse, kDefault } expected;
};

struct FloatCase {
  const char* file;
  const char* section;
  const char* key;
  double expected;  // -1 is the default
};

const char* const kSamples[] = {"binary_junk.ini", "bom_crlf.ini",
                                "huge_numbers.ini", "invalid_utf8.ini",
                                "wrong_types.ini"};

}  // namespace

TEST(IniSampleTest, EverySampleLoadsAndRewritesStably) {
  for (const char* name : kSamples) {
    const IniFile ini = LoadSample(name);
    const std::string text = ini.ToText();
    EXPECT_TRUE(IsValidUtf8(text)) << name;
    EXPECT_EQ(Reloaded(ini).ToText(), text) << name;
    for (const std::string& line : SplitLines(text)) {
      EXPECT_EQ(line.find('\n'), std::string::npos) << name;
    }
  }
}

TEST(IniSampleTest, Strings) {
  const StringCase cases[] = {
      {"binary_junk.ini", "Good", "key", std::string("value\0with nul", 14)},
      {"binary_junk.ini", "Good", "plain", "still here"},
      {"binary_junk.ini", "Tail", "last", "\xC3\x83( not utf8"},
      {"binary_junk.ini", "Good", "\x01\x02", "<default>"},
      {"binary_junk.ini", "", "empty section key", "1"},
      {"bom_crlf.ini", "General", "Title", "Web \xE2\x82\xAC Almanac"},
      {"bom_crlf.ini", "general", "title", "Web \xE2\x82\xAC Almanac"},
      {"bom_crlf.ini", "General", "Extra", "from second copy"},
      {"bom_crlf.ini", "General", "Mixed", "cr line"},
      {"bom_crlf.ini", "General", "Next", "lf line"},
      {"bom_crlf.ini", "General", "spaced key", "spaced value"},
      {"bom_crlf.ini", "General", "; a comment", "<default>"},
      {"bom_crlf.ini", "General", "# another", "<default>"},
      {"bom_crlf.ini", "Other", "Title", "other"},
      {"invalid_utf8.ini", "Caf\xC3\xA9", "Name", "Caf\xC3\xA9 cr\xC3\xA8me"},
      {"invalid_utf8.ini", "caf\xC3\xA9", "Price", "\xE2\x82\xAC 5"},
      {"invalid_utf8.ini", "Caf\xC3\xA9", "Quote",
       "\xE2\x80\x9CHello\xE2\x80\x9D \xE2\x80\x93 it\xE2\x80\x99s"},
      {"invalid_utf8.ini", "Caf\xC3\xA9", "Undefined",
       "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {"wrong_types.ini", "Types", "count_empty", ""},
  };
  for (const StringCase& c : cases) {
    const IniFile ini = LoadSample(c.file);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected)
        << c.file << " [" << c.section << "] " << c.key;
  }
}

TEST(IniSampleTest, Integers) {
  const IntegerCase cases[] = {
      {"huge_numbers.ini", "Numbers", "max", 2147483647},
      {"huge_numbers.ini", "Numbers", "min", -2147483647 - 1},
      {"huge_numbers.ini", "Numbers", "over", -1},
      {"huge_numbers.ini", "Numbers", "under", -1},
      {"huge_numbers.ini", "Numbers", "huge", -1},
      {"huge_numbers.ini", "Numbers", "padded", 42},
      {"huge_numbers.ini", "Numbers", "leading_zeros", 17},
      {"huge_numbers.ini", "Numbers", "float_big", -1},
      {"wrong_types.ini", "Types", "count", -1},
      {"wrong_types.ini", "Types", "count_hex", -1},
      {"wrong_types.ini", "Types", "count_frac", -1},
      {"wrong_types.ini", "Types", "count_trailing", -1},
      {"wrong_types.ini", "Types", "count_empty", -1},
      {"binary_junk.ini", "", "empty section key", 1},
  };
  for (const IntegerCase& c : cases) {
    const IniFile ini = LoadSample(c.file);
    EXPECT_EQ(ini.ReadInteger(c.section, c.key, -1), c.expected)
        << c.file << " [" << c.section << "] " << c.key;
  }
}

TEST(IniSampleTest, Flags) {
  const FlagCase cases[] = {
      {"wrong_types.ini", "Types", "flag_word", FlagCase::kDefault},
      {"wrong_types.ini", "Types", "flag_true", FlagCase::kDefault},
      {"wrong_types.ini", "Types", "flag_zero", FlagCase::kFalse},
      {"wrong_types.ini", "Types", "flag_minus", FlagCase::kTrue},
      {"wrong_types.ini", "Types", "count_empty", FlagCase::kDefault},
      {"huge_numbers.ini", "Numbers", "flag_huge", FlagCase::kDefault},
      {"huge_numbers.ini", "Numbers", "max", FlagCase::kTrue},
  };
  for (const FlagCase& c : cases) {
    const IniFile ini = LoadSample(c.file);
    const bool if_true = ini.ReadBool(c.section, c.key, true);
    const bool if_false = ini.ReadBool(c.section, c.key, false);
    const auto got = if_true && if_false     ? FlagCase::kTrue
                     : !if_true && !if_false ? FlagCase::kFalse
                                             : FlagCase::kDefault;
    EXPECT_EQ(got, c.expected) << c.file << " [" << c.section << "] " << c.key;
  }
}

TEST(IniSampleTest, Floats) {
  const FloatCase cases[] = {
      {"huge_numbers.ini", "Numbers", "float_big", 1e308},
      {"huge_numbers.ini", "Numbers", "float_over", -1},
      {"huge_numbers.ini", "Numbers", "float_tiny", 0.0025},
      {"huge_numbers.ini", "Numbers", "max", 2147483647.0},
      {"wrong_types.ini", "Types", "ratio_comma", -1},
      {"wrong_types.ini", "Types", "ratio_nan", -1},
      {"wrong_types.ini", "Types", "ratio_inf", -1},
      {"wrong_types.ini", "Types", "ratio_ok", 0.75},
  };
  for (const FloatCase& c : cases) {
    const IniFile ini = LoadSample(c.file);
    EXPECT_EQ(ini.ReadFloat(c.section, c.key, -1), c.expected)
        << c.file << " [" << c.section << "] " << c.key;
  }
}

TEST(IniSampleTest, SectionsAndKeysInFileOrder) {
  const IniFile junk = LoadSample("binary_junk.ini");
  EXPECT_EQ(junk.Sections(), (Names{"Good", "", "Tail"}));
  EXPECT_EQ(junk.Keys("Good"), (Names{"key", "plain"}));
  const IniFile bom = LoadSample("bom_crlf.ini");
  EXPECT_EQ(bom.Sections(), (Names{"General", "Other"}));
  EXPECT_EQ(bom.Keys("General"),
            (Names{"Title", "Mixed", "Next", "Spaced Key", "Extra"}));
  EXPECT_EQ(bom.SectionValues("Other"), Names{"TITLE=other"});
}
