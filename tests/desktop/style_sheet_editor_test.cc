#include "desktop/style_sheet_editor.h"

#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/css_markup.h"
#include "desktop/desktop_fixture.h"
#include "settings/publish_editor.h"
#include "support/temp_root.h"

namespace almanix::desktop {
namespace {

namespace fs = std::filesystem;
using almanix::testing::ReadAll;
using publish::Gallery;

class StyleSheetEditorTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    editor_ = std::make_unique<publish::PublishEditor>(*app_.dir, "US", nullptr, &ui_, 2010);
    ASSERT_TRUE(editor_->SetUp(data_.db(), 2010, "Club.html", 1).ok());
    editor_->settings.SetInt("Publish.StartMonth", 2);
    editor_->settings.SetInt("Publish.EndMonth", 2);
    ui_.messages.clear();
    ui_.questions.clear();
  }
  generator::GeneratorEnv Env() {
    generator::GeneratorEnv env;
    env.db = &data_.db();
    env.now = 1268395200;  // 12 March 2010
    return env;
  }
  // A folder of the tabs gallery with the given sheet bytes.
  std::string TabSheet(const std::string& name, const std::string& bytes) {
    const std::string folder = app_.dir->TabsDir + name + "/";
    fs::create_directories(folder);
    EXPECT_TRUE(WriteFileAtomically(folder + "tabs.css", bytes).ok());
    return folder + "tabs.css";
  }

  std::unique_ptr<publish::PublishEditor> editor_;
};

// The sheet comes to the editor as UTF-8 with "\n" and goes back to the
// file in its own encoding and line ends: an unchanged save writes the same
// bytes, an edit changes only what was typed. A UTF-8 sheet with LF stays so.
TEST_F(StyleSheetEditorTest, SaveKeepsTheFilesEncodingAndLineEnds) {
  const std::string legacy = ".tab {\r\n  font-family: \"Caf\xE9\";\r\n}\r\n";
  const std::string path = TabSheet("Legacy", legacy);
  StyleSheetEditor sheet(ui_, Gallery::kTabs, path);
  EXPECT_EQ(sheet.Title(), "File: " + path);
  ASSERT_TRUE(sheet.Load());
  EXPECT_EQ(sheet.text(), ".tab {\n  font-family: \"Caf\xC3\xA9\";\n}\n");
  EXPECT_FALSE(sheet.Changed(sheet.text()));
  ASSERT_TRUE(sheet.Save(sheet.text()).ok());
  EXPECT_EQ(ReadAll(path), legacy);

  std::string edited = sheet.text();
  edited.replace(edited.find("Caf"), 3, "Tea");
  EXPECT_TRUE(sheet.Changed(edited));
  ASSERT_TRUE(sheet.Save(edited).ok());
  EXPECT_EQ(ReadAll(path), ".tab {\r\n  font-family: \"Tea\xE9\";\r\n}\r\n");
  EXPECT_FALSE(sheet.Changed(edited));

  const std::string modern = TabSheet("Modern", "a {\n  color: \xE2\x80\x94;\n}\n");
  StyleSheetEditor utf8(ui_, Gallery::kTabs, modern);
  ASSERT_TRUE(utf8.Load());
  ASSERT_TRUE(utf8.Save(utf8.text() + "b { }\n").ok());
  EXPECT_EQ(ReadAll(modern), "a {\n  color: \xE2\x80\x94;\n}\nb { }\n");
  EXPECT_TRUE(ui_.messages.empty());
}

// A failed save says so with the cause, keeps the old file, and leaves the
// text counted as changed; a sheet whose folder went away is not written
// anywhere (its folder is not made again). A missing sheet is said.
TEST_F(StyleSheetEditorTest, FailedSaveSaysWhyAndWritesNothing) {
  const std::string path = TabSheet("Gone", "a { }\r\n");
  StyleSheetEditor sheet(ui_, Gallery::kTabs, path);
  ASSERT_TRUE(sheet.Load());
  fs::remove_all(app_.dir->TabsDir + "Gone");
  Status s = sheet.Save("b { }");
  EXPECT_FALSE(s.ok());
  EXPECT_FALSE(fs::exists(app_.dir->TabsDir + "Gone"));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages.back(),
            "The style sheet was not saved. Cannot write " + path + ": its folder is gone");
  EXPECT_TRUE(sheet.Changed("b { }"));

  // The sheet's name taken by a folder: the system's reason is given.
  const std::string blocked = app_.dir->TabsDir + "Blocked/tabs.css";
  fs::create_directories(blocked + "/inside");
  StyleSheetEditor other(ui_, Gallery::kTabs, blocked);
  EXPECT_FALSE(other.Load());
  EXPECT_EQ(ui_.messages.back(), "File not found " + blocked);
  EXPECT_FALSE(other.Save("c { }").ok());
  EXPECT_NE(ui_.messages.back().find("Cannot write " + blocked + ": "), std::string::npos);
  EXPECT_TRUE(fs::is_directory(blocked + "/inside"));
  // A sheet that is a link to a file elsewhere: the save replaces the link
  // inside the entry's folder and leaves the other file alone.
  const std::string outside = root_.path() + "/outside.css";
  almanix::testing::WriteAll(outside, "x { }");
  const std::string linked = app_.dir->TabsDir + "Linked/tabs.css";
  fs::create_directories(app_.dir->TabsDir + "Linked");
  fs::create_symlink(outside, linked);
  StyleSheetEditor through(ui_, Gallery::kTabs, linked);
  ASSERT_TRUE(through.Load());
  ASSERT_TRUE(through.Save("y { }").ok());
  EXPECT_EQ(ReadAll(outside), "x { }");
  EXPECT_FALSE(fs::is_symlink(linked));
  EXPECT_EQ(ReadAll(linked), "y { }");

  // Exit with Yes after such a failure keeps the window open.
  ui_.answers = {Answer::kYes};
  EXPECT_FALSE(other.Exit("c { }"));
  EXPECT_EQ(ui_.questions.back(), kSaveChangesQuestion);
}

// "&Exit": nothing asked when nothing changed; "Save Changes?" No leaves
// the file, Yes saves it. "&Save and Exit" saves without asking.
TEST_F(StyleSheetEditorTest, ExitAsksOnlyAfterAChangeAndSavesOnYes) {
  const std::string path = TabSheet("Plain", "a { }\r\n");
  StyleSheetEditor sheet(ui_, Gallery::kTabs, path);
  ASSERT_TRUE(sheet.Load());
  EXPECT_TRUE(sheet.Exit(sheet.text()));
  EXPECT_TRUE(ui_.questions.empty());
  ui_.answers = {Answer::kNo};
  EXPECT_TRUE(sheet.Exit("a { color: red; }\n"));
  EXPECT_EQ(ReadAll(path), "a { }\r\n");
  ui_.answers = {Answer::kYes};
  EXPECT_TRUE(sheet.Exit("a { color: red; }\n"));
  EXPECT_EQ(ReadAll(path), "a { color: red; }\r\n");
  EXPECT_EQ(ui_.questions.size(), 2u);
  EXPECT_TRUE(sheet.SaveAndExit("a { color: blue; }\n"));
  EXPECT_EQ(ReadAll(path), "a { color: blue; }\r\n");
  EXPECT_EQ(ui_.questions.size(), 2u);
}

// The preview saves the sheet and regenerates: the build folder's copy of
// the tab sheet carries the edit and the main page is shown; an event-list
// sheet shows the event list. The gallery's own refusals come first.
TEST_F(StyleSheetEditorTest, PreviewSavesRegeneratesAndShowsTheRightPage) {
  const std::string tab = publish::SelectedEntry(editor_->settings, editor_->window, Gallery::kTabs);
  ASSERT_FALSE(tab.empty());
  std::optional<StyleSheetEditor> tabs =
      StyleSheetEditor::ForSelected(*app_.dir, ui_, *GalleryOfControl("Publish.ShowMenu"), tab);
  ASSERT_TRUE(tabs.has_value());
  ASSERT_TRUE(tabs->Load());
  Result<std::string> page = tabs->Preview(tabs->text() + "/* harbour */\n", *editor_, Env());
  ASSERT_TRUE(page.ok()) << page.status().message();
  EXPECT_EQ(page.value(), app_.dir->BuildDir + "Club.html");
  EXPECT_NE(ReadAll(app_.dir->BuildDir + "tabs.css").find("/* harbour */"), std::string::npos);
  EXPECT_NE(ReadAll(tabs->path()).find("/* harbour */"), std::string::npos);

  const std::string list = publish::SelectedEntry(editor_->settings, editor_->window, Gallery::kLists);
  std::optional<StyleSheetEditor> lists =
      StyleSheetEditor::ForSelected(*app_.dir, ui_, *GalleryOfControl("Publish.List"), list);
  ASSERT_TRUE(lists.has_value());
  ASSERT_TRUE(lists->Load());
  page = lists->Preview(lists->text() + ".ListMonth { color: #123456; }\n", *editor_, Env());
  ASSERT_TRUE(page.ok()) << page.status().message();
  EXPECT_EQ(BaseName(page.value()), "Events.html");
  EXPECT_NE(ReadAll(app_.dir->BuildDir + "eventlist.css").find("#123456"), std::string::npos);

  EXPECT_FALSE(StyleSheetEditor::ForSelected(*app_.dir, ui_, Gallery::kLists, "").has_value());
  EXPECT_EQ(ui_.messages.back(), "Select a event list style first");
  EXPECT_FALSE(GalleryOfControl("Page.Title").has_value());
}

CssLine Scan(std::u16string_view line, CssLineState state = {}) {
  return ScanCssLine(line, state);
}

// The colouring of Style.css as the style editor writes it: the wrapping
// tag, the INI part inside the comment over many lines, selectors,
// properties and values (a quoted value keeping its ";" and "}"), and a
// rule or value running over a line break.
TEST(CssMarkupTest, StyleSheetLinesAreSplitWithTheStateCarriedOver) {
  CssLine line = Scan(u"<style type=\"text/css\">");
  ASSERT_EQ(line.spans.size(), 1u);
  EXPECT_EQ(line.spans[0].part, CssPart::kTag);
  EXPECT_EQ(line.spans[0].length, 23);

  line = Scan(u"/*");
  EXPECT_TRUE(line.end.in_comment);
  line = Scan(u"bgPage=a;b}{.jpg", line.end);
  ASSERT_EQ(line.spans.size(), 1u);
  EXPECT_EQ(line.spans[0].part, CssPart::kComment);
  EXPECT_TRUE(line.end.in_comment);
  line = Scan(u"*/ Body {", line.end);
  ASSERT_EQ(line.spans.size(), 2u);
  EXPECT_EQ(line.spans[0].part, CssPart::kComment);
  EXPECT_EQ(line.spans[0].length, 2);
  EXPECT_EQ(line.spans[1].part, CssPart::kSelector);
  EXPECT_EQ(line.spans[1].start, 3);
  EXPECT_EQ(line.spans[1].length, 4);
  EXPECT_TRUE(line.end.in_block);
  EXPECT_EQ(CssLineState::FromInt(line.end.ToInt()), line.end);
  EXPECT_EQ(CssLineState::FromInt(-1), CssLineState{});

  line = Scan(u"background: URL('a;}.jpg'); color: #FFF }", line.end);
  std::vector<CssPart> parts;
  for (const CssSpan& s : line.spans) parts.push_back(s.part);
  EXPECT_EQ(parts, (std::vector<CssPart>{CssPart::kProperty, CssPart::kValue, CssPart::kString,
                                         CssPart::kValue, CssPart::kProperty, CssPart::kValue}));
  EXPECT_EQ(line.spans[2].start, 16);
  EXPECT_EQ(line.spans[2].length, 9);
  EXPECT_FALSE(line.end.in_block);

  // A value over two lines, then a comment inside a rule that keeps it.
  line = Scan(u"A:Hover { font-family: Arial,", {});
  EXPECT_TRUE(line.end.in_value);
  line = Scan(u"  Verdana; /* x */ color: red; }", line.end);
  EXPECT_EQ(line.spans[0].part, CssPart::kValue);
  EXPECT_EQ(line.spans[1].part, CssPart::kComment);
  EXPECT_EQ(line.spans[2].part, CssPart::kProperty);
  EXPECT_EQ(line.end, CssLineState{});
  line = Scan(u"@media print {", {});
  EXPECT_EQ(line.spans[0].part, CssPart::kAtRule);
  EXPECT_EQ(line.spans[0].length, 6);
}

}  // namespace
}  // namespace almanix::desktop
