#include "desktop/publish_form.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/ui_seam.h"
#include "desktop/desktop_fixture.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"

namespace almanix::desktop {
namespace {

using publish::kSettingDefs;

class PublishFormTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    editor_ = std::make_unique<publish::PublishEditor>(*app_.dir, "US", nullptr, &ui_, 2010);
    ASSERT_TRUE(editor_->SetUp(data_.db(), 2010, "Club.html", 1).ok());
    form_ = std::make_unique<PublishForm>(*editor_);
  }

  publish::PublishSettings& settings() { return editor_->settings; }

  std::unique_ptr<publish::PublishEditor> editor_;
  std::unique_ptr<PublishForm> form_;
};

TEST_F(PublishFormTest, EveryEditableKeyHasOneControlOfItsKind) {
  std::map<std::string, int> seen;
  for (const FormPage& page : form_->pages()) {
    EXPECT_FALSE(page.fields.empty()) << page.title;
    for (const FormField& field : page.fields) ++seen[field.name];
  }
  for (const auto& def : kSettingDefs) {
    const bool editable = def.kind != publish::SettingKind::kReadOnly &&
                          def.kind != publish::SettingKind::kTicks;
    auto it = seen.find(def.Name());
    EXPECT_EQ(it == seen.end() ? 0 : it->second, editable ? 1 : 0) << def.Name();
  }
  for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << name;

  EXPECT_EQ(form_->Find("Page.PageColor")->kind, ControlKind::kColour);
  EXPECT_EQ(form_->Find("Page.Title")->kind, ControlKind::kText);
  EXPECT_EQ(form_->Find("FTP.Password")->kind, ControlKind::kPassword);
  EXPECT_EQ(form_->Find("Formatting.TimeSeperator")->kind, ControlKind::kOpenList);
  EXPECT_EQ(form_->Find("Text.header.txt")->kind, ControlKind::kTemplate);
  const FormField* align = form_->Find("Page.CalendarAlign");
  ASSERT_EQ(align->kind, ControlKind::kList);
  EXPECT_EQ(align->items, (std::vector<std::string>{"Left", "Right", "Center"}));
  // The galleries list the shipped library folders by name.
  const FormField* tabs = form_->Find("Publish.ShowMenu");
  ASSERT_EQ(tabs->kind, ControlKind::kGallery);
  EXPECT_NE(std::find(tabs->items.begin(), tabs->items.end(), "Month Name"), tabs->items.end());
  const FormField* styles = form_->Find("Publish.StyleName");
  EXPECT_NE(std::find(styles->items.begin(), styles->items.end(), "Slate"), styles->items.end());
  EXPECT_EQ(form_->Find("Publish.StartMonth")->items.front(), "January");
}

TEST_F(PublishFormTest, ValuesReadAndChangeAsTheControlsShowThem) {
  EXPECT_EQ(form_->Value("Page.CalendarAlign"), "Center");
  EXPECT_EQ(form_->Value("Publish.StartMonth"), "January");
  EXPECT_EQ(form_->Value("Publish.EndMonth"), "December");
  EXPECT_EQ(form_->Value("Contents.ShowList"), "1");

  ASSERT_TRUE(form_->Change("Page.CalendarAlign", "Left").ok());
  EXPECT_EQ(settings().Text("Page.CalendarAlign"), "Left");
  ASSERT_TRUE(form_->Change("Publish.ShowMenu", "Month Name").ok());
  EXPECT_EQ(form_->Value("Publish.ShowMenu"), "Month Name");
  ASSERT_TRUE(form_->Change("Text.footer.txt", "<p>Our footer</p>").ok());
  EXPECT_EQ(settings().text_file(publish::TextFile::kFooter), "<p>Our footer</p>");

  // What does not fit is refused and changes nothing.
  const int width = settings().Int("Page.CalendarWidth");
  EXPECT_FALSE(form_->Change("Page.CalendarWidth", "wide").ok());
  EXPECT_EQ(settings().Int("Page.CalendarWidth"), width);
  EXPECT_FALSE(form_->Change("Publish.ShowMenu", "No Such Tabs").ok());
  EXPECT_EQ(form_->Value("Publish.ShowMenu"), "Month Name");
  EXPECT_FALSE(form_->Change("No.Such", "1").ok());

  // The page name is completed as the field is left.
  ASSERT_TRUE(form_->Change("Publish.FileName", "Sports").ok());
  EXPECT_EQ(form_->Value("Publish.FileName"), "Sports.html");
}

TEST_F(PublishFormTest, AStyleChosenInTheFormCouplesItsGalleriesAndSize) {
  const int revision = form_->revision();
  ASSERT_TRUE(form_->Change("Publish.StyleName", "Slate").ok());
  EXPECT_GT(form_->revision(), revision);
  EXPECT_EQ(form_->Value("Publish.StyleName"), "Slate");
  EXPECT_EQ(form_->Value("Publish.ShowMenu"), "tabs - dark black");
  EXPECT_EQ(form_->Value("Page.CalendarWidth"), "960");
  EXPECT_EQ(form_->Value("Size.Slider"), std::to_string(editor_->size_position()));
  EXPECT_EQ(form_->SizeLabel(), "960px");
  // The galleries show the chosen entries' pictures.
  EXPECT_TRUE(form_->PreviewPicture("Publish.StyleName").ends_with("Slate/snapshot.bmp"))
      << form_->PreviewPicture("Publish.StyleName");
  EXPECT_TRUE(form_->PreviewPicture("Publish.ShowMenu").ends_with("tabs - dark black/tab.bmp"))
      << form_->PreviewPicture("Publish.ShowMenu");
  EXPECT_EQ(form_->PreviewPicture("Page.Title"), "");

  // The slider applies its preset; a width typed moves the slider.
  ASSERT_TRUE(form_->Change("Size.Slider", "0").ok());
  EXPECT_EQ(form_->Value("Size.Slider"), "0");
  EXPECT_NE(form_->Value("Page.CalendarWidth"), "960");
  ASSERT_TRUE(form_->Change("Page.CalendarWidth", "960").ok());
  EXPECT_NE(form_->Value("Size.Slider"), "0");
  EXPECT_FALSE(form_->Change("Size.Slider", "big").ok());
}

TEST_F(PublishFormTest, TheRangeStaysInOrderAndTheTabFontFollowsIt) {
  ASSERT_TRUE(form_->Change("Formatting.CalendarAutoSize", "1").ok());
  ASSERT_TRUE(form_->Change("Publish.StartMonth", "June").ok());
  ASSERT_TRUE(form_->Change("Publish.EndMonth", "March").ok());
  EXPECT_EQ(form_->Value("Publish.EndMonth"), "June");  // not before the start
  EXPECT_EQ(settings().Int("Menu.FontSize"), 10);        // one month: span 0

  // A start year above the end year takes the end year along.
  ASSERT_TRUE(form_->Change("Publish.StartYear", "2011").ok());
  EXPECT_EQ(settings().Int("Publish.EndYear"), 2011);
  EXPECT_FALSE(form_->Change("Publish.EndYear", "next").ok());

  // With autosize on the tab font is not typed: the editor says why.
  ui_.messages.clear();
  EXPECT_FALSE(form_->Change("Menu.FontSize", "12").ok());
  EXPECT_NE(settings().Int("Menu.FontSize"), 12);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], publish::kAutoSizeMessage);
  ASSERT_TRUE(form_->Change("Formatting.CalendarAutoSize", "0").ok());
  ASSERT_TRUE(form_->Change("Menu.FontSize", "12").ok());
  EXPECT_EQ(settings().Int("Menu.FontSize"), 12);
}

TEST_F(PublishFormTest, EmbedTicksRssFillAndTicksGoThroughTheEditor) {
  ASSERT_TRUE(form_->Change("Embed.Iframe", "1").ok());
  EXPECT_EQ(form_->Value("List.Box"), "1");
  EXPECT_EQ(form_->Value("Formatting.Target"), "_blank");
  ASSERT_TRUE(form_->Change("Embed.Paste", "1").ok());
  EXPECT_EQ(form_->Value("Embed.Iframe"), "0");
  EXPECT_EQ(form_->Value("Page.Embed"), "1");
  EXPECT_FALSE(form_->Shown("Page.Insert"));
  ASSERT_TRUE(form_->Change("Embed.Paste", "0").ok());
  EXPECT_TRUE(form_->Shown("Page.Insert"));
  form_->ClearEmbed();
  EXPECT_EQ(form_->Value("List.Box"), "0");

  ASSERT_TRUE(form_->Change("Publish.URL", "http://example.org/Calendar.html").ok());
  ASSERT_TRUE(form_->Change("Page.Title", "Club").ok());
  ASSERT_TRUE(form_->Change("RSS.Title", "").ok());
  form_->AutoFillRss();
  EXPECT_EQ(form_->Value("RSS.FileURL"), "http://example.org/rss.xml");
  EXPECT_EQ(form_->Value("RSS.Title"), "Club");

  // iCal links must be webcal ones.
  ui_.messages.clear();
  ASSERT_TRUE(form_->Change("iCal.Link", "http://example.org/ical.ics").ok());
  EXPECT_EQ(ui_.messages, std::vector<std::string>{std::string(publish::kICalLinkMessage)});
  EXPECT_EQ(form_->Value("iCal.Link").rfind("webcal://", 0), 0u);

  // Ticks beyond a list are ignored.
  const publish::TickList& months = form_->Ticks(TickListId::kMonths);
  ASSERT_EQ(months.size(), 12);
  form_->SetTick(TickListId::kMonths, 2, false);
  EXPECT_FALSE(months.IsTicked(2));
  form_->SetTick(TickListId::kMonths, 2, true);
  EXPECT_TRUE(months.IsTicked(2));
  form_->SetTick(TickListId::kMonths, 12, true);
  form_->SetTick(TickListId::kCategories, -1, true);
}

TEST_F(PublishFormTest, ATemplateEditedInTheFormIsSavedWithTheFavorite) {
  ASSERT_TRUE(form_->Change("Text.title.txt", "<h1>Club days</h1>").ok());
  ASSERT_TRUE(form_->Change("Page.PageColor", "#102030").ok());
  ASSERT_TRUE(editor_->Save().ok());
  publish::PublishEditor again(*app_.dir, "US", nullptr, &ui_, 2010);
  ASSERT_TRUE(again.SetUp(data_.db(), 2010, "Club.html", 1).ok());
  PublishForm reread(again);
  EXPECT_EQ(reread.Value("Text.title.txt"), "<h1>Club days</h1>");
  EXPECT_EQ(reread.Value("Page.PageColor"), "#102030");
}

TEST_F(PublishFormTest, TheLogoPickedIsCopiedForTheFavoriteAndCleared) {
  const std::string source = root_.path() + "/Our Logo.PNG";
  std::ofstream(source, std::ios::binary) << "\x89PNG picture";
  ASSERT_TRUE(form_->PickPicture(true, source).ok());
  EXPECT_EQ(form_->Value("Page.Logo"), "logo.png");
  EXPECT_TRUE(FileExists(editor_->FavoriteFolder() + "logo.png"));
  EXPECT_TRUE(FileExists(app_.dir->BuildDir + "logo.png"));
  form_->ClearPicture(true);
  EXPECT_EQ(form_->Value("Page.Logo"), "");
  EXPECT_FALSE(FileExists(editor_->FavoriteFolder() + "logo.png"));
  EXPECT_FALSE(form_->PickPicture(false, root_.path() + "/missing.jpg").ok());
}

TEST_F(PublishFormTest, StyleCommandsRenameExportImportAndDeleteThroughTheLibrary) {
  ASSERT_TRUE(form_->Change("Publish.StyleName", "Slate").ok());
  ui_.texts.push_back("Slate Two");
  ASSERT_TRUE(form_->RunStyleCommand(StyleCommand::kRename).ok());
  EXPECT_EQ(form_->Value("Publish.StyleName"), "Slate Two");
  EXPECT_EQ(settings().Text("Publish.StyleName"), "Slate Two");
  const auto& items = form_->Find("Publish.StyleName")->items;
  EXPECT_NE(std::find(items.begin(), items.end(), "Slate Two"), items.end());
  EXPECT_EQ(std::find(items.begin(), items.end(), "Slate"), items.end());

  // Exported as a template and brought back under the file's name.
  const std::string tem = root_.path() + "/Harbour.tem";
  ui_.picks.push_back(tem);
  ASSERT_TRUE(form_->RunStyleCommand(StyleCommand::kExport).ok());
  ui_.picks.push_back(tem);
  ASSERT_TRUE(form_->RunStyleCommand(StyleCommand::kImport).ok());
  EXPECT_EQ(form_->Value("Publish.StyleName"), "Harbour");
  EXPECT_TRUE(form_->PreviewPicture("Publish.StyleName").ends_with("Harbour/snapshot.bmp"));

  // Deleted after the question: the first style takes its place.
  ui_.answers.push_back(Answer::kOk);
  ASSERT_TRUE(form_->RunStyleCommand(StyleCommand::kDelete).ok());
  const auto& left = form_->Find("Publish.StyleName")->items;
  EXPECT_EQ(std::find(left.begin(), left.end(), "Harbour"), left.end());
  EXPECT_EQ(form_->Value("Publish.StyleName"), left.front());

  // A rename cancelled changes nothing.
  const std::string before = form_->Value("Publish.StyleName");
  EXPECT_FALSE(form_->RunStyleCommand(StyleCommand::kRename).ok());
  EXPECT_EQ(form_->Value("Publish.StyleName"), before);
}

}  // namespace
}  // namespace almanix::desktop
