#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/text.h"
#include "generator/day_cell.h"
#include "generator/run_fixture.h"

namespace almanix::generator::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// An entry's parts are made once per event and its link once per day: these
// pin every part of an entry, its legend rows and where its time stands for
// the settings that change them, on days of several pages.
class DayCellTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    UsePlainCells();
    auto& s = settings();
    s.SetBool("Formatting.PopUpDesc", false);
    s.SetInt("Publish.StartMonth", 1);  // February and March
    s.SetInt("Publish.EndMonth", 2);
  }

  // The content line of a day's cell on a month page.
  static std::string Cell(const std::string& page, int day) {
    const std::vector<std::string> lines = Lines(page);
    const std::string date = "<div class=\"Date\" >" + std::to_string(day) + "<br /></div>";
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i].find(date) != std::string::npos) {
        return lines[i + 1];
      }
    }
    return "(no cell)";
  }

  // The rows of a small page's legend.
  static std::vector<std::string> LegendRows(const std::string& page) {
    const std::string open = "<table class=\"Legend\" ><tr>";
    const size_t from = page.find(open);
    const size_t to = page.find("</tr></table>", from);
    std::vector<std::string> rows;
    if (from == std::string::npos || to == std::string::npos) return rows;
    const std::string body = page.substr(from + open.size(), to - from - open.size());
    size_t at = 0;
    for (size_t next; (next = body.find("</tr><tr>", at)) != std::string::npos;
         at = next + 9) {
      rows.push_back(body.substr(at, next - at));
    }
    return rows;
  }
};

TEST_F(DayCellTest, LinksNamesPlacesAndStylesOfEntries) {
  auto& s = settings();
  s.SetBool("Formatting.EventnameBold", true);
  s.SetBool("Formatting.EventLocation", true);
  s.SetBool("Formatting.UnderlineLinks", true);
  s.SetText("Formatting.EventSeperator", "*");
  s.SetText("Formatting.Target", "side");
  store::EventDraft talk = Timed("Talk tea", 2025, 3, 5, 9, 10);
  talk.url = "talk.html";
  talk.append_date = true;
  talk.append_category = true;
  talk.location = "Hall 2";
  Add(talk);
  store::EventDraft walk = Timed("Walk", 2025, 3, 5, 11, 12);
  walk.url = "walk.html?x=1";
  walk.link_new_window = true;
  Add(walk);
  store::EventDraft styled = Timed("Styled", 2025, 3, 6, 14, 15);
  styled.custom = 2;
  styled.font_color = "#112233";
  styled.font_size = 11;
  styled.underline = true;
  Add(styled);
  store::EventDraft fair = Timed("Fair", 2025, 3, 6, 0, 0);
  fair.all_day = true;
  fair.show_end_time = false;
  Add(fair);
  Generate();

  const std::string march = Page("March2025.html");
  const std::string category = editor_->window.chkCalendars.items[0];
  EXPECT_EQ(Cell(march, 5),
            "<a class=\"itr\"  href=\"talk.html?Date=20250305&Category=" + category +
                "&Event=Talk%20tea\" target=side >*&nbsp;<span class=\"dt\" >9:00 "
                "am-10:00 am&nbsp;</span><u><b>Talk tea</b></u><br><span class=dt ><i>Hall "
                "2</i></span></a><br /><a class=\"itr\"  href=\"walk.html?x=1\" "
                "target=_blank>*&nbsp;<span class=\"dt\" >11:00 am-12:00 "
                "pm&nbsp;</span><u><b>Walk</b></u></a><br />");
  EXPECT_EQ(Cell(march, 6),
            "<a class=\"itr\"  href=EventList2025.html#M3D6 >*&nbsp;<b>Fair</b></a><br /><a "
            "class=\"itr\" style=\"display: block;  font-family:Helvetica;  color:#112233;  "
            "Font-Size:11pt; text-decoration: underline; \" href=EventList2025.html#M3D6 "
            ">*&nbsp;<span class=\"dt\" >2:00 pm-3:00 pm&nbsp;</span><b>Styled</b></a><br />");
  EXPECT_THAT(
      LegendRows(Page("SmallMarch2025.html")),
      ElementsAre(
          "<td  ><span class=\"Date\">&diams;</span></td><td><a class=\"itr\"  "
          "href=\"talk.html?Date=20250305&Category=" +
              category +
              "&Event=Talk%20tea\" target=side >Mar 5, <span class=\"dt\" >9:00 am-10:00 "
              "am&nbsp;</span>&nbsp;<u><b>Talk tea</b></u></a></td>",
          "<td  ><span class=\"Date\">&diams;</span></td><td><a class=\"itr\"  "
          "href=\"walk.html?x=1\" target=_blank>Mar 5, <span class=\"dt\" >11:00 am-12:00 "
          "pm&nbsp;</span>&nbsp;<u><b>Walk</b></u></a></td>",
          "<td  ><span class=\"Date\">&diams;</span></td><td><a class=\"itr\"  "
          "href=EventList2025.html#M3D6 >Mar 6, &nbsp;<b>Fair</b></a></td>",
          "<td  ><span class=\"Date\">&diams;</span></td><td><a class=\"itr\" style=\"display: "
          "block;  font-family:Helvetica;  color:#112233;  Font-Size:11pt; text-decoration: "
          "underline; \" href=EventList2025.html#M3D6 >Mar 6, <span class=\"dt\" >2:00 pm-3:00 "
          "pm&nbsp;</span>&nbsp;<b>Styled</b></a></td>"));
}

TEST_F(DayCellTest, AppendedNamesStayOneValueOfTheAddress) {
  // The receiving page splits its query at "&" and reads "+" as a blank:
  // the name must arrive whole, as it was typed.
  store::EventDraft quiz = Timed("Q&A #2 + 50% = \"fun\"", 2025, 3, 5, 9, 10);
  quiz.url = "quiz.php?room=1";
  quiz.append_category = true;
  Add(quiz);
  Generate();

  const std::string category = editor_->window.chkCalendars.items[0];
  EXPECT_THAT(Cell(Page("March2025.html"), 5),
              HasSubstr("href=\"quiz.php?room=1&Category=" + QueryValue(category) +
                        "&Event=Q%26A%20%232%20%2B%2050%25%20%3D%20%22fun%22\""));
}

TEST_F(DayCellTest, ListLinksFollowTheListSettingsAndTheSmallestSize) {
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  settings().SetBool("List.Box", true);
  settings().SetBool("List.NewWindow", true);
  Generate();
  EXPECT_THAT(Cell(Page("March2025.html"), 5),
              HasSubstr("<a  href=\"EventList2025.html#M3D5?KeepThis=true&TB_iframe=true"));
  EXPECT_THAT(Cell(Page("March2025.html"), 5),
              HasSubstr("\" class=\"itr thickbox\"  target=_blank><span class=\"dt\" >9:00 "
                        "am-10:00 am&nbsp;</span>Meeting</a><br /><br /><br />"));

  settings().SetBool("List.CanCreate", false);
  Generate();
  EXPECT_EQ(Cell(Page("March2025.html"), 5),
            "<a class=\"itr\"  href=\"#\" ><span class=\"dt\" >9:00 am-10:00 "
            "am&nbsp;</span>Meeting</a><br /><br /><br />");

  settings().SetBool("List.CanCreate", true);
  settings().SetBool("List.Box", false);
  editor_->ApplySizePreset(0);
  Generate();
  EXPECT_EQ(Cell(Page("March2025.html"), 5),
            "<a class=\"itr\"  href=EventList2025.html#M3D5  target=_blank><span class=\"dt\" "
            ">9:00 am-10:00 am&nbsp;</span>..</a><br /><br /><br />");
}

TEST_F(DayCellTest, TimesStandWhereTheSettingsPutThem) {
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  store::EventDraft blank = Timed("  ", 2025, 3, 5, 11, 12);
  Add(blank);
  settings().SetBool("Formatting.DateTimeBelow", true);
  Generate();
  // A blank name shows no time; its legend row none either.
  EXPECT_EQ(Cell(Page("March2025.html"), 5),
            "<a class=\"itr\"  href=EventList2025.html#M3D5 >Meeting<br clear=all><span "
            "class=\"dt\" >9:00 am-10:00 am&nbsp;</span></a><br /><a class=\"itr\"  "
            "href=EventList2025.html#M3D5 >  </a><br />");
  EXPECT_THAT(LegendRows(Page("SmallMarch2025.html")),
              ElementsAre("<td  ><span class=\"Date\">&diams;</span></td><td><a class=\"itr\"  "
                          "href=EventList2025.html#M3D5 >Mar 5, <span class=\"dt\" >9:00 "
                          "am-10:00 am&nbsp;</span>&nbsp;Meeting</a></td>",
                          "<td  ><span class=\"Date\">&diams;</span></td><td><a class=\"itr\"  "
                          "href=EventList2025.html#M3D5 >Mar 5, &nbsp;  </a></td>"));

  settings().SetBool("Formatting.DateTimeBelow", false);
  settings().SetBool("Formatting.TimeOnNewLine", true);
  Generate();
  EXPECT_THAT(Cell(Page("March2025.html"), 5),
              HasSubstr("<span class=\"dt\" >9:00 am-10:00 am<br /></span><a class=\"itr\"  "
                        "href=EventList2025.html#M3D5 >Meeting</a><br />"));
}

TEST_F(DayCellTest, RepeatedEventsShowTheSameEntryOnEveryPageAndOneYearLegendRow) {
  settings().SetBool("Year.Legend", true);
  settings().SetBool("Small.Legend", true);
  store::EventDraft fair = Timed("Fair", 2025, 2, 27, 10, 11);
  fair.repeat = store::RepeatKind::kDaily;
  fair.repeat_until = EncodeDate(2025, 3, 2);
  fair.cell_color = "#FFCC00";
  Add(fair);
  // Another event of the same name and colour has the same legend row.
  store::EventDraft twin = Timed("Fair", 2025, 3, 20, 12, 13);
  twin.cell_color = "#FFCC00";
  Add(twin);
  // Two entries alike on one day make one legend row.
  Add(Timed("Choir", 2025, 3, 12, 19, 20));
  Add(Timed("Choir", 2025, 3, 12, 19, 20));
  Generate();

  EXPECT_THAT(Cell(Page("February2025.html"), 28), HasSubstr("#M2D28 ><span class=\"dt\" " +
                                                                std::string(">10:00 am-11:00 am")));
  EXPECT_EQ(Cell(Page("March2025.html"), 1),
            "<a class=\"itr\"  href=EventList2025.html#M3D1 ><span class=\"dt\" >10:00 "
            "am-11:00 am&nbsp;</span>Fair</a><br /><br /><br />");
  EXPECT_EQ(Cell(Page("March2025.html"), 12),
            "<a class=\"itr\"  href=EventList2025.html#M3D12 ><span class=\"dt\" >7:00 pm-8:00 "
            "pm&nbsp;</span>Choir</a><br /><a class=\"itr\"  href=EventList2025.html#M3D12 "
            "><span class=\"dt\" >7:00 pm-8:00 pm&nbsp;</span>Choir</a><br />");

  const std::vector<std::string> march = LegendRows(Page("SmallMarch2025.html"));
  ASSERT_EQ(march.size(), 4u);  // the fair's two days, the choir once, the twin
  EXPECT_THAT(march[0], HasSubstr("<td Style=\"background-color:#FFCC00;\" ><span "
                                  "class=\"Date\">&diams;</span></td><td><a class=\"itr\"  "
                                  "href=EventList2025.html#M3D1 >Mar 1, "));
  EXPECT_THAT(march[2], HasSubstr(">Mar 12, <span class=\"dt\" >7:00 pm-8:00 pm&nbsp;</span>"
                                  "&nbsp;Choir</a></td>"));
  EXPECT_EQ(LegendRows(Page("SmallFebruary2025.html")).size(), 2u);

  const std::string year = Page("Year.html");
  const std::string row =
      "<td Style=\"background-color:#FFCC00;\" > &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;  </td><td>Fair"
      "</td>";
  const size_t first = year.find(row);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(year.find(row, first + 1), std::string::npos);
}

TEST_F(DayCellTest, MergedCategoriesAreGroupedUnderTheirNames) {
  settings().SetBool("Contents.CategoryMerge", true);
  settings().SetBool("Contents.GroupEvents", true);
  Tick({1, 2});
  Add(Timed("Choir", 2025, 3, 12, 19, 21), 1);
  Add(Timed("Football", 2025, 3, 12, 10, 12), 2);
  Generate();
  const std::vector<std::string>& names = editor_->window.chkCalendars.items;
  EXPECT_EQ(Cell(Page("March2025.html"), 12),
            "<center><u>" + names[0] +
                "</u></center><a class=\"itr\"  href=EventList2025.html#M3D12 ><span "
                "class=\"dt\" >7:00 pm-9:00 pm&nbsp;</span>Choir</a><br /><br /><center><u>" +
                names[1] +
                "</u></center><a class=\"itr\"  href=EventList2025.html#M3D12 ><span "
                "class=\"dt\" >10:00 am-12:00 pm&nbsp;</span>Football</a><br /><br /><br /><br />");
}

// The legend lists: each text once, in the order it came, however many
// there are and however often the list is emptied and filled again.
TEST(UniqueListTest, KeepsEachTextOnceInOrderAcrossGrowthAndClearing) {
  UniqueList list;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 500; ++i) EXPECT_TRUE(list.Add("row " + std::to_string(i)));
    for (int i = 499; i >= 0; --i) EXPECT_FALSE(list.Add("row " + std::to_string(i)));
    ASSERT_EQ(list.size(), 500u);
    EXPECT_EQ(list.items()[0], "row 0");
    EXPECT_EQ(list.items()[499], "row 499");
    list.Clear();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_TRUE(list.items().empty());
  }
  // A shorter text after a longer one in the same place is itself.
  EXPECT_TRUE(list.Add("a"));
  EXPECT_TRUE(list.Add(""));
  EXPECT_FALSE(list.Add(""));
  EXPECT_THAT(list.items(), ElementsAre("a", ""));
}

TEST(UniqueListTest, AppendedTextsAreNeitherCheckedNorInTheWay) {
  UniqueList list;
  list.Append("<br>");
  list.Append("<br>");
  EXPECT_TRUE(list.Add("<br>"));
  EXPECT_FALSE(list.Add("<br>"));
  EXPECT_TRUE(list.Add("Jan. 1 - New Year"));
  list.Append("<br>");
  for (int i = 0; i < 200; ++i) list.Add("entry " + std::to_string(i % 100));
  EXPECT_EQ(list.size(), 105u);
  EXPECT_THAT(std::vector<std::string>(list.items().begin(), list.items().begin() + 5),
              ElementsAre("<br>", "<br>", "<br>", "Jan. 1 - New Year", "<br>"));
}

}  // namespace
}  // namespace almanix::generator::testing
