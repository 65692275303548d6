#include "desktop/style_editor.h"

#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/desktop_fixture.h"
#include "desktop/publish_form.h"
#include "settings/publish_editor.h"
#include "support/temp_root.h"

namespace almanix::desktop {
namespace {

using almanix::testing::ReadAll;

class StyleEditorTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    editor_ = std::make_unique<publish::PublishEditor>(*app_.dir, "US", nullptr, &ui_, 2010);
    ASSERT_TRUE(editor_->SetUp(data_.db(), 2010, "Club.html", 1).ok());
    editor_->settings.SetText("Page.Title", "Riverside Club");
    editor_->settings.SetInt("Publish.StartMonth", 2);
    editor_->settings.SetInt("Publish.EndMonth", 5);
    editor_->window.chkQuickPreview = false;
    form_ = std::make_unique<PublishForm>(*editor_);
  }
  generator::GeneratorEnv Env() {
    generator::GeneratorEnv env;
    env.db = &data_.db();
    env.now = 1268395200;  // 12 March 2010
    return env;
  }

  std::unique_ptr<publish::PublishEditor> editor_;
  std::unique_ptr<PublishForm> form_;
};

// "Add New Style" with the editor: while it is open the preview shows one
// month with the style and no events, Style.css follows every preview; a
// kept style is listed, selected and applied, and the favorite comes back
// as it was.
TEST_F(StyleEditorTest, NewStyleIsPreviewedWithoutEventsKeptAndTheFavoriteRestored) {
  Add("Regatta", testing::D(2010, 3, 20), 1);
  const auto before = editor_->settings;
  std::string page;
  Result<std::string> added = form_->AddStyle([&](const publish::StyleLibrary::Draft& made) {
    StyleEditorSession session(*editor_, made);
    EXPECT_EQ(made.name, "Club style");
    EXPECT_EQ(editor_->settings.Text("Page.Title"), "");
    EXPECT_EQ(editor_->settings.Int("Publish.EndMonth"), 2);
    EXPECT_FALSE(editor_->settings.Bool("Contents.ShowNavMenu"));
    session.draft().css.page_color = "#123456";
    StyleBlock(session.draft().css, "Events")->font.color = "#ABCDEF";
    Result<std::string> shown = session.Preview(Env());
    EXPECT_TRUE(shown.ok()) << shown.status().message();
    if (shown.ok()) page = ReadAll(shown.value());
    EXPECT_NE(ReadAll(session.Folder() + "Style.css").find("#123456"), std::string::npos);
    EXPECT_TRUE(FileExists(app_.dir->BuildDir + "March2010.html"));
    EXPECT_FALSE(FileExists(app_.dir->BuildDir + "April2010.html"));
    std::optional<publish::StyleLibrary::Draft> kept = session.draft();
    kept->name = "Harbour";
    return kept;
  });
  ASSERT_TRUE(added.ok()) << added.status().message();
  EXPECT_EQ(added.value(), "Harbour");
  EXPECT_EQ(page.find("Regatta"), std::string::npos);
  EXPECT_EQ(form_->Value("Publish.StyleName"), "Harbour");
  const std::string sheet = ReadAll(app_.dir->StylesDir + "Harbour/Style.css");
  EXPECT_NE(sheet.find("#123456"), std::string::npos);
  EXPECT_NE(sheet.find("#ABCDEF"), std::string::npos);
  EXPECT_FALSE(DirectoryExists(app_.dir->StylesDir + "Club style"));
  EXPECT_EQ(editor_->settings.Text("Page.Title"), "Riverside Club");
  EXPECT_EQ(editor_->settings.Int("Publish.EndMonth"), 5);
  EXPECT_EQ(editor_->settings.Bool("Contents.ShowNavMenu"), before.Bool("Contents.ShowNavMenu"));

  // Not kept ("Save changes?" answered No): the folder goes, nothing is listed.
  ui_.answers = {Answer::kNo};
  added = form_->AddStyle([](const publish::StyleLibrary::Draft& made) {
    return std::optional<publish::StyleLibrary::Draft>(made);
  });
  EXPECT_EQ(added.status().code(), Status::Code::kCancelled);
  EXPECT_FALSE(DirectoryExists(app_.dir->StylesDir + "Club style"));
  EXPECT_EQ(form_->Value("Publish.StyleName"), "Harbour");
}

// Pictures in the style editor: a part's background and a month's photo are
// copied into the new style's folder (and only there) and named in its
// sheet; the preview carries them into the build folder and the pages. A
// missing file is refused; "None" takes a picture off.
TEST_F(StyleEditorTest, PicturesAreCopiedIntoTheStyleAndShownInThePreview) {
  const std::string caption = app_.dir->BackgroundsDir + "caption-blue.png";
  const std::string photos = app_.dir->PhotosDir + "Nature/";
  ASSERT_TRUE(FileExists(caption));
  std::string photo;
  for (const auto& entry : std::filesystem::directory_iterator(photos)) {
    if (entry.is_regular_file()) photo = entry.path().string();
  }
  ASSERT_FALSE(photo.empty());
  Result<std::string> added = form_->AddStyle([&](const publish::StyleLibrary::Draft& made) {
    StyleEditorSession session(*editor_, made);
    // A link in the picture's place is replaced, not written through.
    const std::string outside = root_.path() + "/outside.png";
    almanix::testing::WriteAll(outside, "mine");
    std::filesystem::create_symlink(outside, session.Folder() + "caption-blue.png");
    EXPECT_TRUE(session.SetPicture("Month caption", caption).ok());
    EXPECT_EQ(ReadAll(outside), "mine");
    EXPECT_FALSE(std::filesystem::is_symlink(session.Folder() + "caption-blue.png"));
    EXPECT_TRUE(session.SetPicture("Page", caption).ok());
    EXPECT_TRUE(session.SetMonthPhoto(3, photo).ok());
    EXPECT_FALSE(session.SetPicture("Photo", caption).ok());
    EXPECT_FALSE(session.SetMonthPhoto(13, photo).ok());
    EXPECT_FALSE(session.SetPicture("Table", photos + "missing.jpg").ok());
    EXPECT_EQ(session.draft().info.bg_table, "");
    EXPECT_TRUE(FileExists(session.Folder() + "caption-blue.png"));
    EXPECT_TRUE(FileExists(session.Folder() + BaseName(photo)));
    Result<std::string> shown = session.Preview(Env());
    EXPECT_TRUE(shown.ok()) << shown.status().message();
    const std::string sheet = ReadAll(session.Folder() + "Style.css");
    EXPECT_NE(sheet.find("bgCaption=caption-blue.png"), std::string::npos);
    EXPECT_NE(sheet.find("March=" + BaseName(photo)), std::string::npos);
    EXPECT_NE(sheet.find("background: URL('caption-blue.png');"), std::string::npos);
    EXPECT_TRUE(FileExists(app_.dir->BuildDir + BaseName(photo)));
    EXPECT_NE(ReadAll(app_.dir->BuildDir + "March2010.html").find(BaseName(photo)),
              std::string::npos);
    // "None" takes the page picture off; the file stays in the folder.
    EXPECT_TRUE(session.SetPicture("Page", "").ok());
    EXPECT_EQ(session.draft().info.bg_page, "");
    EXPECT_EQ(session.SheetText().find("bgPage="), std::string::npos);
    return std::optional<publish::StyleLibrary::Draft>(session.draft());
  });
  ASSERT_TRUE(added.ok()) << added.status().message();
  const std::string folder = app_.dir->StylesDir + added.value() + "/";
  EXPECT_NE(ReadAll(folder + "Style.css").find("bgCaption=caption-blue.png"), std::string::npos);
  EXPECT_TRUE(FileExists(folder + BaseName(photo)));
}

}  // namespace
}  // namespace almanix::desktop
