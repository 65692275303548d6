#include "generator/style_sheets.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/publish_settings.h"
#include "support/temp_root.h"

namespace almanix::generator {
namespace {

using publish::PublishSettings;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

using Lines = std::vector<std::string>;

// The sheet without the rules for readable pop-ups, marked small cells and
// narrow windows, which come after ".right" (their own tests below).
Lines Base(Lines lines) {
  auto right = std::find(lines.begin(), lines.end(), ".right { float: right;} ");
  if (right == lines.end()) return lines;
  auto media = std::find(right, lines.end(), "@media (max-width: 600px) {");
  if (media == lines.end()) return lines;
  auto end = std::find(media, lines.end(), "}");
  if (end == lines.end()) return lines;
  lines.erase(right + 1, end + 1);
  return lines;
}

// A favorite that changes every setting the sheets branch on.
PublishSettings ChangedSettings() {
  PublishSettings s;
  s.SetText("Page.PageColor", "#102030");
  s.SetBool("Page.Insert", true);
  s.SetText("Page.CalendarAlign", "Left");
  s.SetText("Page.FontColor", "#222222");
  s.SetInt("Page.CalendarWidth", 90);
  s.SetText("Page.CalendarWidthUnits", "%");
  s.SetInt("Page.CalendarMarginTop", 12);
  s.SetText("Page.CalendarMarginTopUnits", "%");
  s.SetBool("Print.BreakPage", false);
  s.SetText("Formatting.EventPopUpColor", "#EEEEEE");
  s.SetText("Contents.HolidayColor", "#AA0000");
  s.SetBool("Calendar.CustomColor", true);
  s.SetText("Calendar.ColorMonthCaption", "#111111");
  s.SetText("Calendar.ColorDay", "#333333");
  s.SetText("Calendar.ColorGrid", "#444444");
  s.SetBool("List.CustomColor", true);
  s.SetText("List.ColorGrid", "#555555");
  s.SetText("List.ColorMonthCaption", "#666666");
  s.SetText("List.ColorDay", "#777777");
  s.SetInt("List.Width", 640);
  s.SetInt("Small.Width", 200);
  s.SetInt("Year.Year_CalPerRow", 4);
  s.SetText("Formatting.EventFontFamily", "Verdana");
  s.SetText("Formatting.EventFontWeight", "Bold");
  s.SetText("Formatting.EventFontColor", "#008000");
  s.SetInt("Formatting.EventFontSzie", 10);
  s.SetBool("Formatting.EventUnderline", false);
  s.SetText("Formatting.DateFontFamily", "Geneva");
  s.SetText("Formatting.DateFontWeight", "Lighter");
  s.SetText("Formatting.DateFontColor", "#800000");
  s.SetInt("Formatting.DateFontSzie", 6);
  s.SetText("Formatting.DateFontStyle", "Italic");
  s.SetInt("Menu.FontSize", 11);
  s.SetText("Menu.LinkColor", "#000001");
  s.SetText("Menu.LinkColorHover", "#000002");
  s.SetText("Menu.LinkColorActive", "#000003");
  s.SetInt("ActionBar.LinkSize", 12);
  s.SetText("ActionBar.LinkColor", "#000004");
  s.SetText("ActionBar.LinkColorHover", "#000005");
  s.SetText("ActionBar.LinkColorActive", "#000006");
  s.SetText("Page.TitleFontFamily", "Georgia");
  s.SetText("Page.TitleSize", "30");
  s.SetText("Page.TitleColor", "#0A0B0C");
  return s;
}

TEST(StyleSheetsTest, CalendarCssForTheDefaults) {
  EXPECT_EQ(Base(CalendarCssLines(PublishSettings(), "")),
            (Lines{
                " Body { background-color: #FFFFFF;",
                " text-align: Center; ",
                " color: #000000; ",
                " }",
                " .Calendar { ",
                "width: 960px;",
                "margin-right  : auto; ",
                "margin-left  : auto; ",
                "margin-top: 5px;",
                " } ",
                " #header {",
                "width: 960px;",
                " } ",
                " .Canvas { width: 97%;  ",
                "page-break-after: always; ",
                "margin-right : 10px; ",
                "margin-right  : auto; ",
                "margin-left  : auto; ",
                "text-align:center;",
                "}",
                ".bpop  {",
                "-webkit-border-radius: 5px;",
                "-moz-border-radius: 5px;",
                "}",
                ".itr:hover .bpop {\tbackground-color: #FCFFE0; } ",
                ".itr:hover .bpopleft {\tbackground-color: #FCFFE0; } ",
                ".itr:hover .bpopupright {\tbackground-color: #FCFFE0; } ",
                ".itr:hover .bpopupleft {\tbackground-color: #FCFFE0; } ",
                ".Holidays {\tcolor: #000000; } ",
                "td.events a:link    { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events a:visited { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events a:hover   { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events a:active  { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events .dt { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; font-style: Normal; }",
                ".NavMenu a:link    {  color: #AD4F00; font-size:9pt;}",
                ".NavMenu a:visited {  color: #AD4F00; font-size:9pt;}",
                ".NavMenu a:hover   {  color: #AD4F00; font-size:9pt;}",
                ".NavMenu a:active  {  color: #AD4F00; font-size:9pt;}",
                ".ActionBar a:link    { font-size: 14pt; color: #AD4F00; }",
                ".ActionBar a:visited { font-size: 14pt; color: #AD4F00; }",
                ".ActionBar a:hover   { font-size: 14pt; color: #AD4F00; }",
                ".ActionBar a:active  { font-size: 14pt; color: #AD4F00; }",
                ".PageTitle           { text-align: center; margin:10px; font-weight:bold; "
                "font-Family: Arial; font-size: 24pt; color: #000000;  }",
                ".left {  float: left; } ",
                ".right { float: right;} ",
                ".header { color: #FFFFFF;",
            }));
}

TEST(StyleSheetsTest, CalendarCssForChangedSettings) {
  EXPECT_EQ(Base(CalendarCssLines(ChangedSettings(), "Page.gif")),
            (Lines{
                " Body { background-color: #102030;",
                " border:0;",
                " overflow:visible;",
                " text-align: Left; ",
                " color: #222222; ",
                "background: URL('Page.gif');",
                " }",
                " .Calendar { ",
                "width: 90%;",
                "margin-right  : auto; ",
                "margin-top: 12%;",
                " } ",
                " #header {",
                "width: 90%;",
                " } ",
                " .Canvas { width: 97%;  ",
                "margin-right : 5px; ",
                "margin-right  : auto; ",
                "text-align:left; ",
                "}",
                ".bpop  {",
                "-webkit-border-radius: 5px;",
                "-moz-border-radius: 5px;",
                "}",
                ".itr:hover .bpop {\tbackground-color: #EEEEEE; } ",
                ".itr:hover .bpopleft {\tbackground-color: #EEEEEE; } ",
                ".itr:hover .bpopupright {\tbackground-color: #EEEEEE; } ",
                ".itr:hover .bpopupleft {\tbackground-color: #EEEEEE; } ",
                ".Holidays {\tcolor: #AA0000; } ",
                ".MonthCaption {\tcolor: #111111; } ",
                ".Date {\tcolor: #333333; } ",
                "table.calendar {\t\tbackground-color: #444444; } ",
                "table.calendar .Events {\t\tbackground-color: #444444; } ",
                "td.events a:link    { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events a:visited { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events a:hover   { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events a:active  { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events .dt { font-family:Geneva; font-weight:Lighter; color: #800000; "
                "font-size: 6pt; font-style: Italic; }",
                ".NavMenu a:link    {  color: #000001; font-size:11pt;}",
                ".NavMenu a:visited {  color: #000001; font-size:11pt;}",
                ".NavMenu a:hover   {  color: #000002; font-size:11pt;}",
                ".NavMenu a:active  {  color: #000003; font-size:11pt;}",
                ".ActionBar a:link    { font-size: 12pt; color: #000004; }",
                ".ActionBar a:visited { font-size: 12pt; color: #000004; }",
                ".ActionBar a:hover   { font-size: 12pt; color: #000005; }",
                ".ActionBar a:active  { font-size: 12pt; color: #000006; }",
                ".PageTitle           { text-align: center; margin:10px; font-weight:bold; "
                "font-Family: Georgia; font-size: 30pt; color: #0A0B0C;  }",
                ".left {  float: left; } ",
                ".right { float: right;} ",
                ".header { color: #102030;",
            }));
}

TEST(StyleSheetsTest, RightAlignmentKeepsOnlyTheLeftMargin) {
  PublishSettings s;
  s.SetText("Page.CalendarAlign", "Right");
  const Lines lines = CalendarCssLines(s, "");
  EXPECT_EQ(Lines(lines.begin() + 4, lines.begin() + 19),
            (Lines{
                " .Calendar { ",
                "width: 960px;",
                "margin-left  : auto; ",
                "margin-top: 5px;",
                " } ",
                " #header {",
                "width: 960px;",
                " } ",
                " .Canvas { width: 97%;  ",
                "page-break-after: always; ",
                "margin-right : 10px; ",
                "margin-left  : auto; ",
                "text-align:right; ",
                "}",
                ".bpop  {",
            }));
  EXPECT_EQ(lines[1], " text-align: Right; ");
  // The small sheet's body stays left; its canvas follows the alignment.
  EXPECT_THAT(SmallCssLines(s, ""), Contains(" text-align: left;"));
  EXPECT_THAT(SmallCssLines(s, ""), Contains("text-align:right; "));
}

const Lines kSmallYearBlocks = {
    ".Year_Header{ ",
    "margin-left  : auto;",
    "margin-right  : auto;",
    "}",
    ".Year_Footer{ ",
    "margin-left  : auto;",
    "margin-right  : auto;",
    "}",
    ".Holiday_List { ",
    "width : 600px;",
    "margin-left  : auto;",
    "margin-right  : auto;",
    "}",
    ".Legend {",
    "border-width:1px;",
    "border-spacing: 5px",
    "margin:15px;",
    "font-size:8pt;",
    "}",
    "td.legend {",
    "border-width:1px;",
    "padding: 2px;",
    "-webkit-border-radius: 5px;",
    "-moz-border-radius: 5px;",
    "}",
    ".Year_Table { ",
    "margin-left  : auto;",
    "margin-right  : auto;",
    "border-width:0px;",
    "border-spacing: 15px; ",
    "padding-left: 15px; ",
    "border-collapse:seperate;",
    "vertical-align:center;",
};

// The bytes of a generated file: every line followed by CR LF.
std::string Crlf(const Lines& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(StyleSheetsTest, SmallCssForTheDefaults) {
  const Lines expected = Concat({
      {
          " Body { background-color: #FFFFFF;",
          " text-align: left;",
          " color: #000000; ",
          " }",
          " .Calendar { ",
          "width: 250px;",
          "display: box;",
          "margin-right  : auto; ",
          "margin-left  : auto; ",
          " } ",
          " .SmallMenu { ",
          "width: 250px;",
          "margin-right  : auto; ",
          "margin-left  : 1px; ",
          "text-align:center;",
          " } ",
          ".Canvas { ",
          "width: 250px;",
          "margin-right  : 15px; ",
          "margin-left  : 1px; ",
          "text-align:center;",
          "}",
      },
      kSmallYearBlocks,
      {
          "width:850px;",
          "}",
          ".bpop  {",
          "-webkit-border-radius: 5px;",
          "-moz-border-radius: 5px;",
          "}",
          ".itr:hover .bpop {\tbackground-color: #FCFFE0; } ",
          ".itr:hover .bpopleft {\tbackground-color: #FCFFE0; } ",
          ".itr:hover .bpopupright {\tbackground-color: #FCFFE0; } ",
          ".itr:hover .bpopupleft {\tbackground-color: #FCFFE0; } ",
          ".Holidays {\tcolor: #000000; } ",
          ".MonthCaption { font-size: 17pt; }",
          "td.events a:link    { font-family:Arial; font-weight:Normal; "
          "font-size: 9pt; text-decoration: none;}",
          "td.events a:visited { font-family:Arial; font-weight:Normal; "
          "font-size: 9pt; text-decoration: none;}",
          "td.events a:hover   { font-family:Arial; font-weight:Normal; "
          "font-size: 9pt; text-decoration: none;}",
          "td.events a:active  { font-family:Arial; font-weight:Normal; "
          "font-size: 9pt; text-decoration: none;}",
          "td.events { font-family:Arial; font-weight:Normal; "
          "font-size: 9pt; text-decoration: none;}",
          "td.events .dt { font-family:Arial; font-weight:Normal; "
          "font-size: 9pt; font-style: Normal; }",
          ".NavMenu a:link    {  color: #AD4F00; font-size:13pt;}",
          ".NavMenu a:visited {  color: #AD4F00; font-size:13pt;}",
          ".NavMenu a:hover   {  color: #AD4F00; font-size:13pt;}",
          ".NavMenu a:active  {  color: #AD4F00; font-size:13pt;}",
          ".PageTitle           { text-align: center; margin:10px; font-weight:bold; "
          "font-Family: Arial; font-size: 24pt; color: #000000;  }",
          ".left {  float: left; } ",
          ".right { float: right;} ",
          ".header { color: #FFFFFF;",
      },
  });
  EXPECT_EQ(Base(SmallCssLines(PublishSettings(), "")), expected);
}

TEST(StyleSheetsTest, SmallCssForChangedSettings) {
  const Lines expected = Concat({
      {
          " Body { background-color: #102030;",
          " border:0;",
          " text-align: left;",
          " color: #222222; ",
          "background: URL('Page.gif');",
          " }",
          " .Calendar { ",
          "width: 200px;",
          "display: box;",
          "margin-right  : auto; ",
          "margin-left  : auto; ",
          " } ",
          " .SmallMenu { ",
          "width: 200px;",
          "margin-right  : auto; ",
          "margin-left  : 1px; ",
          "text-align:center;",
          " } ",
          ".Canvas { ",
          "width: 200px;",
          "margin-right  : 15px; ",
          "margin-left  : 1px; ",
          "text-align:left; ",
          "}",
      },
      kSmallYearBlocks,
      {
          "width:900px;",
          "}",
          ".bpop  {",
          "-webkit-border-radius: 5px;",
          "-moz-border-radius: 5px;",
          "}",
          ".itr:hover .bpop {\tbackground-color: #EEEEEE; } ",
          ".itr:hover .bpopleft {\tbackground-color: #EEEEEE; } ",
          ".itr:hover .bpopupright {\tbackground-color: #EEEEEE; } ",
          ".itr:hover .bpopupleft {\tbackground-color: #EEEEEE; } ",
          ".Holidays {\tcolor: #AA0000; } ",
          ".MonthCaption { color: #111111; } ",
          ".Date {\tcolor: #333333; } ",
          "table.calendar {\t\tbackground-color: #444444; } ",
          "table.calendar .Events {\t\tbackground-color: #444444; } ",
          ".Date { font-size:13pt; }",
          ".MonthCaption { font-size: 15pt; }",
          "td.events a:link    { font-family:Verdana; font-weight:Bold; color: #008000; "
          "font-size: 10pt; text-decoration: none;}",
          "td.events a:visited { font-family:Verdana; font-weight:Bold; color: #008000; "
          "font-size: 10pt; text-decoration: none;}",
          "td.events a:hover   { font-family:Verdana; font-weight:Bold; color: #008000; "
          "font-size: 10pt; text-decoration: none;}",
          "td.events a:active  { font-family:Verdana; font-weight:Bold; color: #008000; "
          "font-size: 10pt; text-decoration: none;}",
          "td.events { font-family:Verdana; font-weight:Bold; color: #008000; "
          "font-size: 10pt; text-decoration: none;}",
          "td.events .dt { font-family:Geneva; font-weight:Lighter; color: #800000; "
          "font-size: 6pt; font-style: Italic; }",
          ".NavMenu a:link    {  color: #000001; font-size:15pt;}",
          ".NavMenu a:visited {  color: #000001; font-size:15pt;}",
          ".NavMenu a:hover   {  color: #000002; font-size:15pt;}",
          ".NavMenu a:active  {  color: #000003; font-size:15pt;}",
          ".PageTitle           { text-align: center; margin:10px; font-weight:bold; "
          "font-Family: Georgia; font-size: 30pt; color: #0A0B0C;  }",
          ".left {  float: left; } ",
          ".right { float: right;} ",
          ".header { color: #102030;",
      },
  });
  EXPECT_EQ(Base(SmallCssLines(ChangedSettings(), "Page.gif")), expected);
}

// The size rules of small.css, between the holiday colour and the event links.
Lines SmallSizeRules(int width) {
  PublishSettings s;
  s.SetInt("Small.Width", width);
  const Lines lines = SmallCssLines(s, "");
  Lines rules;
  bool inside = false;
  for (const std::string& line : lines) {
    if (line.starts_with("td.events")) break;
    if (inside) rules.push_back(line);
    if (line.starts_with(".Holidays")) inside = true;
  }
  return rules;
}

TEST(StyleSheetsTest, SmallSizeRulesFollowTheWidth) {
  const Lines small = {".Date { font-size:13pt; }", ".MonthCaption { font-size: 15pt; }"};
  EXPECT_EQ(SmallSizeRules(100), small);
  EXPECT_EQ(SmallSizeRules(249), small);
  EXPECT_THAT(SmallSizeRules(250), ElementsAre(".MonthCaption { font-size: 17pt; }"));
  EXPECT_THAT(SmallSizeRules(300), ElementsAre(".MonthCaption { font-size: 17pt; }"));
  EXPECT_THAT(SmallSizeRules(301), ElementsAre(".MonthCaption { font-size: 19pt; }"));
  EXPECT_THAT(SmallSizeRules(700), ElementsAre(".MonthCaption { font-size: 19pt; }"));
  EXPECT_THAT(SmallSizeRules(701), IsEmpty());
  EXPECT_THAT(SmallSizeRules(800), IsEmpty());
}

TEST(StyleSheetsTest, ListCssForTheDefaults) {
  EXPECT_EQ(Base(ListCssLines(PublishSettings(), "")),
            (Lines{
                " Body { background-color: #FFFFFF;",
                " text-align: Center; ",
                " color: #000000; ",
                " }",
                " .Calendar { ",
                "width: 496px;",
                "margin-right  : auto; ",
                "margin-left  : auto; ",
                "margin-top: 5px;",
                " } ",
                " .Canvas { width: 97%;  ",
                "margin-right : 10px; ",
                "margin-right  : auto; ",
                "margin-left  : auto; ",
                "text-align:center;",
                "}",
                ".itr:hover .bpop {\tbackground-color: #FCFFE0; } ",
                ".itr:hover .bpopleft {\tbackground-color: #FCFFE0; } ",
                ".itr:hover .bpopupright {\tbackground-color: #FCFFE0; } ",
                ".itr:hover .bpopupleft {\tbackground-color: #FCFFE0; } ",
                ".Holidays {\tcolor: #000000; } ",
                "td.events a:link    { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events a:visited { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events a:hover   { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                "td.events a:active  { font-family:Arial; font-weight:Normal; "
                "font-size: 9pt; text-decoration: none;}",
                ".NavMenu a:link    {  color: #AD4F00; font-size:9pt;}",
                ".NavMenu a:visited {  color: #AD4F00; font-size:9pt;}",
                ".NavMenu a:hover   {  color: #AD4F00; font-size:9pt;}",
                ".NavMenu a:active  {  color: #AD4F00; font-size:9pt;}",
                ".ActionBar a:link    { font-size: 14pt; color: #AD4F00; }",
                ".ActionBar a:visited { font-size: 14pt; color: #AD4F00; }",
                ".ActionBar a:hover   { font-size: 14pt; color: #AD4F00; }",
                ".ActionBar a:active  { font-size: 14pt; color: #AD4F00; }",
                ".PageTitle           { text-align: center; margin:10px; font-weight:bold; "
                "font-Family: Arial; font-size: 24pt; color: #000000;  }",
                ".left {  float: left; } ",
                ".right { float: right;} ",
            }));
}

TEST(StyleSheetsTest, ListCssForChangedSettings) {
  EXPECT_EQ(Base(ListCssLines(ChangedSettings(), "Page.gif")),
            (Lines{
                " Body { background-color: #102030;",
                " border:0;",
                " text-align: Left; ",
                " color: #222222; ",
                "background: URL('Page.gif');",
                " }",
                " .Calendar { ",
                "width: 636px;",
                "margin-right  : auto; ",
                "margin-top: 12%;",
                " } ",
                " .Canvas { width: 97%;  ",
                "margin-right : 5px; ",
                "margin-right  : auto; ",
                "text-align:left; ",
                "}",
                ".itr:hover .bpop {\tbackground-color: #EEEEEE; } ",
                ".itr:hover .bpopleft {\tbackground-color: #EEEEEE; } ",
                ".itr:hover .bpopupright {\tbackground-color: #EEEEEE; } ",
                ".itr:hover .bpopupleft {\tbackground-color: #EEEEEE; } ",
                ".Holidays {\tcolor: #AA0000; } ",
                ".MonthCaption {\tcolor: #111111; } ",
                ".Date {\tcolor: #333333; } ",
                "table.calendar {\t\tbackground-color: #444444; } ",
                "table.calendar .Events {\t\tbackground-color: #444444; } ",
                ".ListEvent {\t\tbackground-color: #555555; } ",
                ".ListEvent2 {\t\tbackground-color: #555555; } ",
                ".ListDate {\t\t  background-color: #555555; } ",
                ".ListDate2 {\t\tbackground-color: #555555; } ",
                ".ListMonth {\t\tbackground-color: #555555; } ",
                ".Downloads {\t\tbackground-color: #555555; } ",
                ".ListCanvas {\t\tbackground-color: #555555; } ",
                ".ListTable {\t\tbackground-color: #555555; } ",
                ".ListMonth {\t\tcolor: #666666; } ",
                ".ListDate {\tcolor: #777777; } ",
                ".ListDate2 {\tcolor: #777777; } ",
                ".ListDate a:link {\tcolor: #777777; } ",
                ".ListDate a:visited {\tcolor: #777777; } ",
                ".ListDate a:hover {\tcolor: #777777; } ",
                ".ListDate a:active {\tcolor: #777777; } ",
                ".ListDate2 a:link {\tcolor: #777777; } ",
                ".ListDate2 a:visited {\tcolor: #777777; } ",
                ".ListDate2 a:hover {\tcolor: #777777; } ",
                ".ListDate2 a:active {\tcolor: #777777; } ",
                "td.events a:link    { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events a:visited { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events a:hover   { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                "td.events a:active  { font-family:Verdana; font-weight:Bold; color: #008000; "
                "font-size: 10pt; text-decoration: none;}",
                ".NavMenu a:link    {  color: #000001; font-size:11pt;}",
                ".NavMenu a:visited {  color: #000001; font-size:11pt;}",
                ".NavMenu a:hover   {  color: #000002; font-size:11pt;}",
                ".NavMenu a:active  {  color: #000003; font-size:11pt;}",
                ".ActionBar a:link    { font-size: 12pt; color: #000004; }",
                ".ActionBar a:visited { font-size: 12pt; color: #000004; }",
                ".ActionBar a:hover   { font-size: 12pt; color: #000005; }",
                ".ActionBar a:active  { font-size: 12pt; color: #000006; }",
                ".PageTitle           { text-align: center; margin:10px; font-weight:bold; "
                "font-Family: Georgia; font-size: 30pt; color: #0A0B0C;  }",
                ".left {  float: left; } ",
                ".right { float: right;} ",
            }));
}

TEST(StyleSheetsTest, ListColoursNeedTheirOwnSwitch) {
  PublishSettings s = ChangedSettings();
  s.SetBool("List.CustomColor", false);
  const Lines lines = ListCssLines(s, "");
  EXPECT_THAT(lines, Contains("table.calendar .Events {\t\tbackground-color: #444444; } "));
  EXPECT_THAT(lines, Not(Contains(".ListMonth {\t\tcolor: #666666; } ")));
  EXPECT_THAT(lines, Not(Contains(".ListEvent {\t\tbackground-color: #555555; } ")));
}

TEST(StyleSheetsTest, WritesAllThreeWithCrLfAndThePagePicture) {
  testing::TempRoot root;
  const std::string favorite = root / "fav/";
  const std::string build = root / "build/";
  testing::WriteAll(root / "fav/.keep", "");
  testing::WriteAll(root / "build/.keep", "");
  testing::WriteAll(favorite + "Page.gif", "GIF89a");
  testing::WriteAll(favorite + "Page.png", "PNG");
  testing::WriteAll(build + "calendar.css", "old");

  const PublishSettings settings = ChangedSettings();
  ASSERT_TRUE(WriteStyleSheets(settings, favorite, build).ok());

  EXPECT_EQ(testing::ReadAll(build + "calendar.css"),
            Crlf(CalendarCssLines(settings, "Page.gif")));
  EXPECT_EQ(testing::ReadAll(build + "small.css"),
            Crlf(SmallCssLines(settings, "Page.gif")));
  EXPECT_EQ(testing::ReadAll(build + "list.css"),
            Crlf(ListCssLines(settings, "Page.gif")));
  EXPECT_EQ(testing::ReadAll(build + "Page.gif"), "GIF89a");
  EXPECT_FALSE(testing::Exists(build + "Page.png"));
}

TEST(StyleSheetsTest, TheFirstPagePictureWinsAndAnExistingCopyStays) {
  testing::TempRoot root;
  const std::string favorite = root / "fav/";
  const std::string build = root / "build/";
  testing::WriteAll(favorite + "Page.jpg", "new jpg");
  testing::WriteAll(favorite + "Page.gif", "gif");
  testing::WriteAll(build + "Page.jpg", "kept jpg");

  EXPECT_EQ(PreparePagePicture(favorite, build), "Page.jpg");
  EXPECT_EQ(testing::ReadAll(build + "Page.jpg"), "kept jpg");
  EXPECT_FALSE(testing::Exists(build + "Page.gif"));

  ASSERT_TRUE(WriteCalendarCss(PublishSettings(), favorite, build).ok());
  const std::string bytes = testing::ReadAll(build + "calendar.css");
  EXPECT_TRUE(bytes.starts_with(" Body { background-color: #FFFFFF;\r\n"
                                " text-align: Center; \r\n"
                                " color: #000000; \r\n"
                                "background: URL('Page.jpg');\r\n"
                                " }\r\n"))
      << bytes;
  EXPECT_NE(bytes.find(".right { float: right;} \r\n"), std::string::npos);
  EXPECT_TRUE(bytes.ends_with("}\r\n.header { color: #FFFFFF;\r\n"));
}

TEST(StyleSheetsTest, NoPagePictureLeavesItsLineOut) {
  testing::TempRoot root;
  const std::string favorite = root / "fav/";
  const std::string build = root / "build/";
  testing::WriteAll(favorite + "other.gif", "gif");
  testing::WriteAll(build + ".keep", "");

  EXPECT_EQ(PreparePagePicture(favorite, build), "");
  ASSERT_TRUE(WriteListCss(PublishSettings(), favorite, build).ok());
  EXPECT_EQ(testing::ReadAll(build + "list.css"), Crlf(ListCssLines(PublishSettings(), "")));
  ASSERT_TRUE(WriteSmallCss(PublishSettings(), favorite, build).ok());
  EXPECT_EQ(testing::ReadAll(build + "small.css"), Crlf(SmallCssLines(PublishSettings(), "")));
}

TEST(StyleSheetsTest, AMissingBuildFolderFailsTheWrite) {
  testing::TempRoot root;
  EXPECT_FALSE(WriteStyleSheets(PublishSettings(), root / "fav/", root / "missing/").ok());
  EXPECT_FALSE(testing::Exists(root / "missing/calendar.css"));
}

}  // namespace
TEST(StyleSheetsTest, NewFavoritesGetReadableEventsInTheStylesColours) {
  // 9 pt is 12 px for event names and times; no colour part, so the
  // style's own link colours show, and no underline.
  const Lines lines = CalendarCssLines(PublishSettings(), "");
  EXPECT_THAT(lines, Contains("td.events a:link    { font-family:Arial; font-weight:Normal; "
                              "font-size: 9pt; text-decoration: none;}"));
  EXPECT_THAT(lines, Contains("td.events .dt { font-family:Arial; font-weight:Normal; "
                              "font-size: 9pt; font-style: Normal; }"));
  for (const std::string& line : lines) EXPECT_EQ(line.find("color: ;"), std::string::npos);
}

TEST(StyleSheetsTest, SolidSmallCellsGetTheDayNumberColourThatReads) {
  PublishSettings s;
  s.SetText("Small.Eventcolor", "#FF0000");     // black reads at 5.3:1, white at 4.0:1
  s.SetText("Small.Holidaycolor", "#008040");   // white reads at 5.0:1, black at 4.2:1
  Lines lines = SmallCssLines(s, "");
  EXPECT_THAT(lines, Contains("td.events[style*=\"background-color:#FF0000;\" i] .Date, "
                              "td.events[style*=\"background-color:#FF0000;\" i] a "
                              "{ color: #000000 !important; }"));
  EXPECT_THAT(lines, Contains("td.events[style*=\"background-color:#008040;\" i] .Date, "
                              "td.events[style*=\"background-color:#008040;\" i] a "
                              "{ color: #FFFFFF !important; }"));
  // A colour the sheet cannot weigh gets no rule; the month page has none.
  s.SetText("Small.Eventcolor", "red");
  s.SetText("Small.Holidaycolor", "");
  for (const std::string& line : SmallCssLines(s, "")) {
    EXPECT_EQ(line.find("td.events[style*="), std::string::npos) << line;
  }
  for (const std::string& line : CalendarCssLines(s, "")) {
    EXPECT_EQ(line.find("td.events[style*="), std::string::npos) << line;
  }
}

TEST(StyleSheetsTest, NarrowWindowRulesAreClosedAndComeBeforeTheOpenHeaderRule) {
  // calendar.css and small.css end in a rule left open on purpose; a block
  // after it would be read as its declarations and lost.
  for (const Lines& lines : {CalendarCssLines(PublishSettings(), ""),
                             SmallCssLines(PublishSettings(), ""),
                             ListCssLines(PublishSettings(), "")}) {
    auto media = std::find(lines.begin(), lines.end(), "@media (max-width: 600px) {");
    ASSERT_NE(media, lines.end());
    int depth = 0;
    auto it = media;
    for (; it != lines.end(); ++it) {
      depth += static_cast<int>(std::count(it->begin(), it->end(), '{')) -
               static_cast<int>(std::count(it->begin(), it->end(), '}'));
      if (depth == 0) break;
    }
    ASSERT_NE(it, lines.end()) << "the block is never closed";
    const Lines after(it + 1, lines.end());
    EXPECT_TRUE(after.empty() || after == Lines{".header { color: #FFFFFF;"});
  }
  const Lines calendar = CalendarCssLines(PublishSettings(), "");
  // The days with nothing are hidden by a rule that outranks the one
  // showing every day.
  const auto shown = std::find(calendar.begin(), calendar.end(),
                               " table.calendar td.events { display: flow-root; width: auto "
                               "!important; height: auto !important; min-height: 0; "
                               "overflow: visible; }");
  const auto hidden = std::find_if(calendar.begin(), calendar.end(), [](const std::string& l) {
    return l.find("table.calendar td.events.day-empty { display: none; }") != std::string::npos;
  });
  ASSERT_NE(shown, calendar.end());
  ASSERT_NE(hidden, calendar.end());
  EXPECT_LT(shown, hidden);
  EXPECT_THAT(calendar, Contains("div.itr-float { background-color: #FCFFE0; }"));
  EXPECT_THAT(SmallCssLines(PublishSettings(), ""),
              Contains(" .Year_Table { width: auto !important; border-spacing: 0; "
                       "padding-left: 0; }"));
}

}  // namespace almanix::generator
