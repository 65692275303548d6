// The style sheet editor from the Format & Publish window's galleries,
// opened from the real main window on the sample calendar: typed into,
// previewed, saved and left with "&Save and Exit" and "&Exit"; the
// galleries' refusals and "Open folder" through a real opener program.
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/main_grid.h"
#include "desktop/publish_form.h"
#include "desktop/publish_handover.h"
#include "desktop/style_sheet_editor.h"
#include "platform/opener.h"
#include "program/program.h"
#include "shell/main_window.h"
#include "shell/preview_page.h"
#include "shell/publish_window.h"
#include "shell/publish_window_driver.h"
#include "shell/style_editor_window.h"
#include "shell/style_sheet_window.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

namespace fs = std::filesystem;
using almanix::testing::ReadAll;
using testing::Choose;
using testing::WhenOpen;

QPushButton* Button(QWidget& window, const QString& name) {
  return window.findChild<QPushButton*>(name);
}

class StyleSheetWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // "Open folder" runs this program in the file manager's place.
    opened_ = root_.path() + "/opened.txt";
    const std::string opener = root_.path() + "/open.sh";
    almanix::testing::WriteAll(opener, "#!/bin/sh\necho \"$1\" >> '" + opened_ + "'\n");
    fs::permissions(opener, fs::perms::owner_all);
    program_ = std::make_unique<Program>(ui_);
    program_->app.opener = std::make_unique<platform::XdgOpener>(opener);
    Program::Options options;
    options.root = root_.path();
    options.calendar = std::string(ALMANIX_SOURCE_DIR) + "/resources/samples/club.cal";
    ASSERT_TRUE(program_->Start(options).ok());
    window_ = std::make_unique<TfrmMain>(*program_, ui_);
    window_->set_quiet_close(true);
    window_->StartUp();
    window_->resize(1100, 720);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(window_->grid().LoadGrid(EncodeDate(2025, 4, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->grid().LocateCategory("Announcements");
    window_->Refresh();
    ui_.messages.clear();
    ui_.questions.clear();
  }

  void ClickFormat() {
    auto* pages = window_->findChild<QTabWidget*>(QStringLiteral("pages"));
    pages->setCurrentIndex(2);
    QTest::mouseClick(
        window_->preview_page().findChild<QPushButton*>(QStringLiteral("formatButton")),
        Qt::LeftButton);
  }

  // Types at the end of the sheet as a person would.
  static void TypeAtEnd(StyleSheetWindow& editor, const QString& text) {
    QPlainTextEdit* edit = editor.text_edit();
    edit->moveCursor(QTextCursor::End);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
      if (i > 0) QTest::keyClick(edit, Qt::Key_Return);
      QTest::keyClicks(edit, lines[i]);
    }
  }

  // Chooses the preview tab and waits for its page.
  static void ShowPreviewTab(StyleSheetWindow& editor) {
    const int before = editor.previews_shown();
    editor.tabs()->setCurrentWidget(editor.preview());
    for (int i = 0; i < 200 && editor.previews_shown() == before; ++i) QTest::qWait(50);
    EXPECT_GT(editor.previews_shown(), before);
  }

  const TDir& dir() { return *program_->app.dir; }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::string opened_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

// "Edit in Editor": the selected style's Style.css under "File: " + path;
// typing, then the preview tab saves and shows the calendar generated with
// the edit; "&Save and Exit" saves the rest and closes.
TEST_F(StyleSheetWindowTest, EditInEditorPreviewsTheEditAndSaveAndExitKeepsIt) {
  bool edited = false;
  std::string sheet;
  WhenOpen([&](TMC& tmc) {
    tmc.set_on_sheet_editor([&](StyleSheetWindow& editor) {
      QTimer::singleShot(0, &editor, [&] {
        edited = true;
        sheet = editor.sheet().path();
        EXPECT_EQ(editor.windowTitle().toStdString(), "File: " + sheet);
        EXPECT_EQ(ParentPath(sheet), dir().StylesDir + tmc.form().Value("Publish.StyleName") + "/");
        EXPECT_EQ(BaseName(sheet), "Style.css");
        TypeAtEnd(editor, QStringLiteral("\n.Events { letter-spacing: 3px; }"));
        ShowPreviewTab(editor);
        EXPECT_NE(ReadAll(sheet).find("letter-spacing: 3px;"), std::string::npos);
        EXPECT_NE(ReadAll(dir().BuildDir + "style.css").find("letter-spacing: 3px;"),
                  std::string::npos);
        EXPECT_EQ(editor.preview()->url().fileName(), QStringLiteral("Announcements.html"));
        editor.tabs()->setCurrentIndex(0);
        TypeAtEnd(editor, QStringLiteral("\n.Date { word-spacing: 2px; }"));
        QTest::mouseClick(Button(editor, QStringLiteral("saveAndExit")), Qt::LeftButton);
        EXPECT_FALSE(editor.isVisible());
      });
    });
    QTest::mouseClick(Button(tmc, QStringLiteral("Publish.StyleName.edit")), Qt::LeftButton);
    tmc.reject();
  });
  ClickFormat();
  ASSERT_TRUE(edited);
  const std::string saved = ReadAll(sheet);
  EXPECT_NE(saved.find("word-spacing: 2px;"), std::string::npos);
  EXPECT_NE(saved.find("letter-spacing: 3px; }\r\n.Date"), std::string::npos)
      << "the sheet keeps its CR LF line ends";
  EXPECT_TRUE(ui_.questions.empty());
}

// The event list's "Edit Style Sheet" previews the event list page; "&Exit"
// after more typing asks "Save Changes?": No keeps the file as the preview
// saved it. The month tabs' sheet is saved by Exit's Yes, and nothing else
// of the tab style changes.
TEST_F(StyleSheetWindowTest, EventListPreviewAndExitWithNoOrYes) {
  int edited = 0;
  std::string list_sheet, tab_sheet;
  std::map<std::string, std::string> tab_files;
  WhenOpen([&](TMC& tmc) {
    tmc.set_on_sheet_editor([&](StyleSheetWindow& editor) {
      QTimer::singleShot(0, &editor, [&] {
        ++edited;
        if (editor.sheet().gallery() == publish::Gallery::kLists) {
          list_sheet = editor.sheet().path();
          EXPECT_EQ(BaseName(list_sheet), "eventlist.css");
          TypeAtEnd(editor, QStringLiteral("\n.ListMonth { color: #123456; }"));
          ShowPreviewTab(editor);
          // events.html sends the browser on to the year's list.
          EXPECT_TRUE(editor.preview()->url().fileName().startsWith(QStringLiteral("EventList")))
              << editor.preview()->url().toString().toStdString();
          editor.tabs()->setCurrentIndex(0);
          TypeAtEnd(editor, QStringLiteral("\n.ListDate { color: #654321; }"));
          ui_.answers = {Answer::kNo};
        } else {
          tab_sheet = editor.sheet().path();
          EXPECT_EQ(BaseName(tab_sheet), "tabs.css");
          for (const auto& entry : fs::directory_iterator(ParentPath(tab_sheet))) {
            tab_files[entry.path().string()] = ReadAll(entry.path().string());
          }
          TypeAtEnd(editor, QStringLiteral("\n.tabs { margin: 1px; }"));
          ui_.answers = {Answer::kYes};
        }
        QTest::mouseClick(Button(editor, QStringLiteral("exitEditor")), Qt::LeftButton);
        EXPECT_FALSE(editor.isVisible());
      });
    });
    QTest::mouseClick(Button(tmc, QStringLiteral("Publish.List.edit")), Qt::LeftButton);
    QTest::mouseClick(Button(tmc, QStringLiteral("Publish.ShowMenu.edit")), Qt::LeftButton);
    tmc.reject();
  });
  ClickFormat();
  ASSERT_EQ(edited, 2);
  ASSERT_EQ(ui_.questions.size(), 2u);
  EXPECT_EQ(ui_.questions[0], desktop::kSaveChangesQuestion);
  const std::string list = ReadAll(list_sheet);
  EXPECT_NE(list.find("#123456"), std::string::npos);
  EXPECT_EQ(list.find("#654321"), std::string::npos);
  for (const auto& [path, bytes] : tab_files) {
    if (path == tab_sheet) {
      const std::string now = ReadAll(path);
      EXPECT_EQ(now.rfind(bytes, 0), 0u) << "only added to: " << path;
      EXPECT_EQ(now.substr(bytes.size()).find(".tabs { margin: 1px; }"), 1u) << now;
    } else {
      EXPECT_EQ(ReadAll(path), bytes) << path;
    }
  }
  EXPECT_GT(tab_files.size(), 1u);
}

// Entries without a sheet are refused with their gallery's message and no
// editor opens; "Open folder" and "This Style" open the entry's folder
// through the opener.
TEST_F(StyleSheetWindowTest, RefusalsAndOpenFolder) {
  // A toolbar and a tab style without their sheets, listed by the galleries.
  const std::string bar = dir().ActionBarDir + "ActionBar - Bare/";
  fs::create_directories(bar);
  fs::copy_file(dir().ActionBarDir + "ActionBar - Default/actionbar.bmp", bar + "actionbar.bmp");
  fs::create_directories(dir().TabsDir + "tabs - bare");
  bool opened_editor = false;
  WhenOpen([&](TMC& tmc) {
    tmc.set_on_sheet_editor([&](StyleSheetWindow& editor) {
      opened_editor = true;
      QTimer::singleShot(0, &editor, [&editor] { editor.reject(); });
    });
    Choose(tmc, "Publish.ActionBarIndex", QStringLiteral("ActionBar - Bare"));
    QTest::mouseClick(Button(tmc, QStringLiteral("Publish.ActionBarIndex.edit")), Qt::LeftButton);
    EXPECT_EQ(ui_.messages.back(), "This ActionBar does not have a style sheet");
    Choose(tmc, "Publish.ShowMenu", QStringLiteral("tabs - bare"));
    QTest::mouseClick(Button(tmc, QStringLiteral("Publish.ShowMenu.edit")), Qt::LeftButton);
    EXPECT_EQ(ui_.messages.back(), "This Tab style does not have a style sheet");
    EXPECT_FALSE(opened_editor);

    QTest::mouseClick(Button(tmc, QStringLiteral("Publish.ShowMenu.folder")), Qt::LeftButton);
    QTest::mouseClick(Button(tmc, QStringLiteral("Publish.StyleName.folder")), Qt::LeftButton);
    const std::string style = tmc.form().Value("Publish.StyleName");
    std::string opened;
    for (int i = 0; i < 100 && std::count(opened.begin(), opened.end(), '\n') < 2; ++i) {
      QTest::qWait(20);
      opened = FileExists(opened_) ? ReadAll(opened_) : "";
    }
    EXPECT_NE(opened.find(dir().TabsDir + "tabs - bare/\n"), std::string::npos) << opened;
    EXPECT_NE(opened.find(dir().StylesDir + style + "/\n"), std::string::npos) << opened;
    tmc.reject();
  });
  ClickFormat();
}

// "Add New Style": the Calendar Style Editor's picture rows take a picked
// background for the chosen part and a month's photo into the new style's
// folder; the part without a background (the photo) has its row disabled.
TEST_F(StyleSheetWindowTest, StyleEditorTakesPicturesIntoTheNewStyle) {
  const std::string caption = dir().BackgroundsDir + "caption-green.png";
  std::string photo;
  for (const auto& entry : fs::directory_iterator(dir().PhotosDir + "Ocean/")) {
    if (entry.is_regular_file()) photo = entry.path().string();
  }
  ASSERT_FALSE(photo.empty());
  bool edited = false;
  WhenOpen([&](TMC& tmc) {
    tmc.set_on_style_editor([&](StyleEditorWindow& editor) {
      QTimer::singleShot(0, &editor, [&] {
        edited = true;
        editor.findChild<QLineEdit*>(QStringLiteral("styleName"))->setText(QStringLiteral("Lagoon"));
        auto* part = editor.findChild<QComboBox*>(QStringLiteral("styleBlock"));
        part->setCurrentText(QStringLiteral("Photo"));
        EXPECT_FALSE(Button(editor, QStringLiteral("blockPicture"))->isEnabled());
        part->setCurrentText(QStringLiteral("Month caption"));
        ui_.picks = {caption};
        QTest::mouseClick(Button(editor, QStringLiteral("blockPicture")), Qt::LeftButton);
        EXPECT_EQ(editor.findChild<QLabel*>(QStringLiteral("blockPictureName"))->text(),
                  QStringLiteral("caption-green.png"));
        editor.findChild<QComboBox*>(QStringLiteral("photoMonth"))
            ->setCurrentText(QStringLiteral("April"));
        ui_.picks = {photo};
        QTest::mouseClick(Button(editor, QStringLiteral("monthPhoto")), Qt::LeftButton);
        EXPECT_TRUE(editor.findChild<QPlainTextEdit*>(QStringLiteral("styleSheetText"))
                        ->toPlainText()
                        .contains(QString::fromStdString("April=" + BaseName(photo))));
        EXPECT_TRUE(editor.PreviewNow());
        editor.accept();
      });
    });
    QTest::mouseClick(Button(tmc, QStringLiteral("style Add New Style")), Qt::LeftButton);
    tmc.reject();
  });
  ClickFormat();
  ASSERT_TRUE(edited);
  const std::string folder = dir().StylesDir + "Lagoon/";
  const std::string sheet = ReadAll(folder + "Style.css");
  EXPECT_NE(sheet.find("bgCaption=caption-green.png"), std::string::npos);
  EXPECT_NE(sheet.find("April=" + BaseName(photo)), std::string::npos);
  EXPECT_TRUE(FileExists(folder + "caption-green.png"));
  EXPECT_TRUE(FileExists(folder + BaseName(photo)));
}

// The editor's text and preview tabs for docs/desktop/, taken under a real
// X server by tools/take_desktop_screenshots.sh.
TEST_F(StyleSheetWindowTest, DesktopScreenshotsOfTheStyleSheetEditor) {
  const char* out = std::getenv("ALMANIX_SCREENSHOT_DIR");
  if (out == nullptr) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  const QString folder = QString::fromUtf8(out);
  window_->handover().set_now(1744804800);
  WhenOpen([&](TMC& tmc) {
    tmc.set_on_sheet_editor([&](StyleSheetWindow& editor) {
      QTimer::singleShot(0, &editor, [&] {
        editor.resize(1000, 680);
        QTest::qWait(300);
        EXPECT_TRUE(editor.grab().save(folder + "/style-sheet-editor.png"));
        ShowPreviewTab(editor);
        QTest::qWait(1500);
        EXPECT_TRUE(editor.grab().save(folder + "/style-sheet-preview.png"));
        editor.reject();
      });
    });
    tmc.EditStyleSheet("Publish.StyleName");
    tmc.reject();
  });
  ClickFormat();
}

}  // namespace
}  // namespace almanix::shell
