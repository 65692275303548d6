// The note editor, the link window, the small windows, the placement and
// the sizes of the main window, driven as a person would under the
// offscreen platform on a started program with real tables.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

#include <QAction>
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "desktop/day_commands.h"
#include "desktop/main_grid.h"
#include "program/program.h"
#include "shell/day_cell.h"
#include "shell/main_window.h"
#include "shell/shell_fixture.h"
#include "shell/note_window.h"
#include "shell/qt_pictures.h"
#include "shell/qt_ui.h"
#include "shell/small_windows.h"
#include "shell/window_colours.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

using almanix::testing::ReadAll;

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

// Runs act on the modal window of type T once it is up (the caller then
// opens it and blocks in its loop).
template <typename T>
void WhenModal(std::function<void(T&)> act) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [act, tries, poll] {
    if (auto* window = dynamic_cast<T*>(QApplication::activeModalWidget())) {
      act(*window);
      return;
    }
    if (++*tries < 200) {
      QTimer::singleShot(10, *poll);
    } else {
      ADD_FAILURE() << "no modal window came up";
      if (QWidget* other = QApplication::activeModalWidget()) other->close();
    }
  };
  QTimer::singleShot(0, *poll);
}

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path()).ok());
    OpenWindow();
  }

  void OpenWindow() {
    window_ = testing::ShowMainWindow(*program_, ui_, 1024, 700);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 3, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->Refresh();
    ui_.messages.clear();
  }

  int CellIndex(DayNumber day) {
    const auto& cells = window_->grid().cells();
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].date == day) return static_cast<int>(i);
    }
    return -1;
  }

  DayCellWidget* CellOf(DayNumber day) {
    return window_->findChild<DayCellWidget*>(QStringLiteral("dayCell%1").arg(CellIndex(day)));
  }

  void Select(DayNumber day) {
    DayCellWidget* cell = CellOf(day);
    ASSERT_NE(cell, nullptr);
    QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(4, 4));
    ASSERT_EQ(window_->grid().SelectedCell(), CellIndex(day));
  }

  // The note as stored: the year row read again from its table.
  std::string StoredNote(DayNumber day) {
    EXPECT_TRUE(window_->grid().LoadGrid(window_->grid().DisplayDate()).ok());
    window_->Refresh();
    return window_->grid().cells()[static_cast<size_t>(CellIndex(day))].note;
  }

  QAction* MenuAction(const QString& text) {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == text) return action;
    }
    ADD_FAILURE() << text.toStdString();
    return nullptr;
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(WindowsTest, NoteEditorEditsTheNoteAndTheCellShowsIt) {
  ASSERT_TRUE(window_->grid().SetNote(CellIndex(D(2010, 3, 5)), "Bring cake").ok());
  window_->Refresh();
  Select(D(2010, 3, 5));
  QString title;
  QString header;
  WhenModal<NoteWindow>([&](NoteWindow& note) {
    title = note.windowTitle();
    header = note.findChild<QLabel*>(QStringLiteral("noteDay"))->text();
    auto* text = note.findChild<QPlainTextEdit*>(QStringLiteral("noteText"));
    EXPECT_EQ(text->toPlainText(), QStringLiteral("Bring cake"));
    // The caret starts at the end; a selected word is wrapped by a tag button.
    QTest::keyClicks(text, QStringLiteral(" and tea"));
    QTest::keyClick(text, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::mouseClick(note.findChild<QToolButton*>(QStringLiteral("noteTag<b></b>")),
                      Qt::LeftButton);
    QTest::keyClick(text, Qt::Key_End);
    QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);  // a line break, not OK
    QTest::keyClicks(text, QStringLiteral("at 5"));
    EXPECT_TRUE(note.isVisible());
    QTest::keyClick(text, Qt::Key_Return);  // OK
  });
  MenuAction(QStringLiteral("Edit note in HTML Editor"))->trigger();
  EXPECT_EQ(title.toStdString(), window_->grid().CategoryName() + " : 2010-March-05");
  EXPECT_EQ(header, QStringLiteral("5 March"));
  const std::string expected = "Bring cake and <b></b>\nat 5";
  EXPECT_EQ(window_->grid().cells()[static_cast<size_t>(CellIndex(D(2010, 3, 5)))].note,
            expected);
  auto* cell_note = CellOf(D(2010, 3, 5))->findChild<QLineEdit*>(QStringLiteral("note"));
  EXPECT_EQ(cell_note->text().toStdString(), expected);
  EXPECT_EQ(StoredNote(D(2010, 3, 5)), expected);
}

TEST_F(WindowsTest, EscapeLeavesTheNoteUnchanged) {
  ASSERT_TRUE(window_->grid().SetNote(CellIndex(D(2010, 3, 9)), "Dentist").ok());
  window_->Refresh();
  Select(D(2010, 3, 9));
  WhenModal<NoteWindow>([](NoteWindow& note) {
    auto* text = note.findChild<QPlainTextEdit*>(QStringLiteral("noteText"));
    QTest::keyClicks(text, QStringLiteral(" cancelled"));
    QTest::keyClick(text, Qt::Key_Escape);
  });
  MenuAction(QStringLiteral("Edit note in HTML Editor"))->trigger();
  EXPECT_EQ(StoredNote(D(2010, 3, 9)), "Dentist");
  // A filler cell has no note to edit: nothing opens.
  IgnoreResult(window_->grid().ShowDay(0), "a filler cell shows an empty panel");
  ASSERT_EQ(window_->grid().SelectedCell(), 0);
  ASSERT_EQ(window_->grid().cells()[0].day, 0);
  MenuAction(QStringLiteral("Edit note in HTML Editor"))->trigger();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowsTest, LinksGoInAtTheCaretOrAtTheEndOfTheNote) {
  ASSERT_TRUE(window_->grid().SetNote(CellIndex(D(2010, 3, 12)), "See  today").ok());
  window_->Refresh();
  Select(D(2010, 3, 12));
  bool ok_enabled_when_empty = true;
  WhenModal<NoteWindow>([&](NoteWindow& note) {
    auto* text = note.findChild<QPlainTextEdit*>(QStringLiteral("noteText"));
    QTextCursor at = text->textCursor();
    at.setPosition(4);
    text->setTextCursor(at);
    WhenModal<LinkWindow>([&](LinkWindow& link) {
      auto* url = link.findChild<QLineEdit*>(QStringLiteral("linkUrl"));
      EXPECT_EQ(url->text(), QStringLiteral("http://"));
      auto* ok = link.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      url->clear();
      ok_enabled_when_empty = ok->isEnabled();
      QTest::keyClicks(url, QStringLiteral("http://club.example/"));
      QTest::keyClicks(link.findChild<QLineEdit*>(QStringLiteral("linkDescription")),
                       QStringLiteral("the club"));
      QTest::keyClick(url, Qt::Key_Return);
    });
    QTest::mouseClick(note.findChild<QToolButton*>(QStringLiteral("noteLink")), Qt::LeftButton);
    QTest::mouseClick(note.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
  });
  MenuAction(QStringLiteral("Edit note in HTML Editor"))->trigger();
  EXPECT_FALSE(ok_enabled_when_empty);
  EXPECT_EQ(StoredNote(D(2010, 3, 12)),
            "See <a href=\"http://club.example/\"><u>the club</u></a> today");

  // The Note menu's link goes at the end; "underline" off; Cancel adds nothing.
  Select(D(2010, 3, 12));
  WhenModal<LinkWindow>([](LinkWindow& link) {
    auto* url = link.findChild<QLineEdit*>(QStringLiteral("linkUrl"));
    url->setText(QStringLiteral("http://b.example"));
    link.findChild<QLineEdit*>(QStringLiteral("linkDescription"))->setText(QStringLiteral("B"));
    link.findChild<QCheckBox*>(QStringLiteral("linkUnderline"))->setChecked(false);
    QTest::keyClick(url, Qt::Key_Return);
  });
  MenuAction(QStringLiteral("Add Link to a Website"))->trigger();
  WhenModal<LinkWindow>([](LinkWindow& link) {
    QTest::keyClick(link.findChild<QLineEdit*>(QStringLiteral("linkUrl")), Qt::Key_Escape);
  });
  MenuAction(QStringLiteral("Add Link to a Website"))->trigger();
  EXPECT_EQ(StoredNote(D(2010, 3, 12)),
            "See <a href=\"http://club.example/\"><u>the club</u></a> today"
            "<a href=\"http://b.example\">B</a>");
}

TEST_F(WindowsTest, PlacementIsSavedAndComesBackOnAScreen) {
  window_->move(40, 30);
  window_->resize(760, 520);
  QTest::qWait(50);
  window_->close();
  const TConfig& config = *program_->app.config;
  EXPECT_EQ(config.Left, window_->x());
  EXPECT_EQ(config.Top, window_->y());
  EXPECT_EQ(config.Width, 785);
  EXPECT_EQ(config.Heigth, 545);
  // The saved file holds it too.
  const std::string ini = ReadAll(program_->app.dir->ConfigDir + "application.ini");
  EXPECT_NE(ini.find("Width=785"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Heigth=545"), std::string::npos);

  // The next window opens where the last one was, at its size.
  window_.reset();
  window_ = std::make_unique<TfrmMain>(*program_, ui_);
  window_->set_quiet_close(true);
  window_->StartUp();
  EXPECT_EQ(window_->pos(), QPoint(config.Left, config.Top));
  EXPECT_EQ(window_->size(), QSize(760, 520));

  // Saved on a screen that is gone: pulled back onto the one there is.
  program_->app.config->Left = 9000;
  program_->app.config->Top = -4000;
  window_.reset();
  window_ = std::make_unique<TfrmMain>(*program_, ui_);
  window_->set_quiet_close(true);
  window_->StartUp();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect placed(window_->pos(), window_->size());
  EXPECT_TRUE(screen.contains(placed.topLeft())) << placed.x() << "," << placed.y();
  EXPECT_LE(placed.right(), screen.right());
  EXPECT_GE(window_->width(), std::min(700, screen.width()));
}

TEST_F(WindowsTest, ClosingAsksAndSavesThePlacementFirst) {
  window_->set_quiet_close(false);
  window_->move(60, 50);
  ui_.answers = {Answer::kNo};
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  ASSERT_FALSE(ui_.questions.empty());
  EXPECT_EQ(ui_.questions.back(), "Do you really want to end the application?") << ui_.questions[0];
  // Saved before the question, whatever the answer.
  EXPECT_EQ(program_->app.config->Left, window_->x());
  ui_.answers = {Answer::kYes};
  EXPECT_TRUE(window_->close());
  EXPECT_FALSE(window_->isVisible());
}

// Every widget of the window that shows is at least as large as it needs
// to be drawn whole: none cut below its minimum size (the one the layout
// honours: a minimum set on the widget, else its hint, within its maximum),
// and a button's text fits it.
void ExpectNothingCut(QWidget& top) {
  for (QWidget* w : top.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&top) || w->isWindow()) continue;
    // Inside scrolled views the view scrolls; the parts of a spin or combo
    // box are sized by the box's style, which the box itself is checked for.
    QWidget* parent = w->parentWidget();
    if (parent && (parent->objectName() == QLatin1String("qt_scrollarea_viewport") ||
                   dynamic_cast<QAbstractSpinBox*>(parent) || dynamic_cast<QComboBox*>(parent))) {
      continue;
    }
    const QSize hint = w->minimumSizeHint();
    const QSizePolicy policy = w->sizePolicy();
    const std::string name = w->metaObject()->className() + std::string(" ") +
                             w->objectName().toStdString() + " at " +
                             std::to_string(top.width()) + "x" + std::to_string(top.height());
    const int need_w =
        std::min(w->minimumWidth() > 0 ? w->minimumWidth() : hint.width(), w->maximumWidth());
    const int need_h =
        std::min(w->minimumHeight() > 0 ? w->minimumHeight() : hint.height(), w->maximumHeight());
    if (need_w > 0 && policy.horizontalPolicy() != QSizePolicy::Ignored) {
      EXPECT_GE(w->width(), need_w) << name;
    }
    if (need_h > 0 && policy.verticalPolicy() != QSizePolicy::Ignored) {
      EXPECT_GE(w->height(), need_h) << name;
    }
    if (auto* button = dynamic_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
      QString text = button->text();
      text.remove(QLatin1Char('&'));
      EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(text) + 4) << name;
    }
  }
}

TEST_F(WindowsTest, MainWindowFitsAt1024x700AndWithALargerFont) {
  QTest::qWait(50);
  EXPECT_GE(window_->minimumSizeHint().width(), 0);
  EXPECT_LE(window_->minimumSizeHint().width(), 1024);
  EXPECT_LE(window_->minimumSizeHint().height(), 700);
  ExpectNothingCut(*window_);

  const QFont normal = QApplication::font();
  QFont large = normal;
  large.setPointSizeF(normal.pointSizeF() * 1.5);
  QApplication::setFont(large);
  window_.reset();
  OpenWindow();
  QTest::qWait(50);
  EXPECT_LE(window_->minimumSizeHint().width(), 1024);
  EXPECT_LE(window_->minimumSizeHint().height(), 700);
  ExpectNothingCut(*window_);
  // A long calendar path in the corner stays inside the window.
  auto* status = window_->findChild<QLabel*>(QStringLiteral("statusText"));
  status->setText(QStringLiteral("                Calendar: /home/someone/Documents/Calendars/"
                                 "the sports club and its many teams/season 2010.cal"));
  QTest::qWait(20);
  const QRect corner(status->mapTo(window_.get(), QPoint(0, 0)), status->size());
  EXPECT_LE(corner.right(), window_->width()) << corner.x() << "+" << corner.width();
  EXPECT_GE(corner.left(), window_->width() / 3);
  // The note editor at that font too.
  Select(D(2010, 3, 5));
  WhenModal<NoteWindow>([](NoteWindow& note) {
    QTest::qWait(20);
    ExpectNothingCut(note);
    note.reject();
  });
  window_->findChildren<QAction*>();
  for (QAction* a : window_->findChildren<QAction*>()) {
    if (a->text() == QStringLiteral("Edit note in HTML Editor")) a->trigger();
  }
  QApplication::setFont(normal);
}

TEST_F(WindowsTest, EventEditorFitsWithALargerFont) {
  const QFont normal = QApplication::font();
  QFont large = normal;
  large.setPointSizeF(normal.pointSizeF() * 1.5);
  QApplication::setFont(large);
  window_.reset();
  OpenWindow();
  Select(D(2010, 3, 5));
  QSize hint;
  window_->set_on_editor_open([&](QDialog& editor) {
    QTimer::singleShot(0, &editor, [&] {
      hint = editor.minimumSizeHint();
      auto* pages = editor.findChild<QTabWidget*>();
      for (int page = 0; pages && page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QTest::qWait(20);
        ExpectNothingCut(editor);
      }
      editor.reject();
    });
  });
  ASSERT_TRUE(window_->commands().AddEvent().ok());
  QApplication::setFont(normal);
  EXPECT_LE(hint.width(), 1024);
  EXPECT_LE(hint.height(), 700);
}

TEST_F(WindowsTest, TabGoesThroughTheBarTheDaysAndThePanel) {
  // The widgets Tab reaches from the first arrow, by name (notes by day).
  QWidget* w = window_->findChild<QWidget*>(QStringLiteral("previous"));
  std::vector<std::string> chain;
  while (w && chain.size() < 60) {
    std::string name = w->objectName().toStdString();
    if (name == "note") name = "day " + std::to_string(window_->grid().cells()[static_cast<size_t>(
                                   w->parentWidget()->objectName().mid(7).toInt())].day);
    chain.push_back(name);
    do {
      w = w->nextInFocusChain();
    } while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(window_.get()));
    if (w->objectName() == QLatin1String("previous")) break;
  }
  const std::vector<std::string> bar = {"previous", "next",   "years", "categories", "today",
                                        "view31",   "view14", "view7", "view5",      "grid",
                                        "day 1",    "day 2"};
  ASSERT_GE(chain.size(), bar.size());
  EXPECT_EQ(std::vector<std::string>(chain.begin(), chain.begin() + bar.size()), bar);
  // The notes go on day by day to the month's last, then the day panel.
  auto last = std::find(chain.begin(), chain.end(), "day 31");
  ASSERT_NE(last, chain.end());
  EXPECT_EQ(std::vector<std::string>(last + 1, chain.end()),
            (std::vector<std::string>{"hiddenRow", "dayEvents", "dayAdd", "dayEdit", "dayDelete",
                                      "dayNote", "pages"}));
}

TEST_F(WindowsTest, DarkPaletteKeepsTextReadable) {
  const QPalette light = QApplication::palette();
  QApplication::setPalette(DarkPalette());
  window_.reset();
  OpenWindow();
  Select(D(2010, 3, 5));
  DayCellWidget* cell = CellOf(D(2010, 3, 5));
  const QColor ground = cell->palette().color(QPalette::Window);
  const QColor text = cell->palette().color(QPalette::WindowText);
  EXPECT_LT(ground.lightness(), 110) << "the selected cell stays dark";
  EXPECT_GT(text.lightness() - ground.lightness(), 100);
  EXPECT_TRUE(IsDark(window_->palette()));
  EXPECT_TRUE(window_->findChild<QLabel*>(QStringLiteral("dayHoliday"))
                  ->styleSheet()
                  .contains(QStringLiteral("#FF8080")));
  QApplication::setPalette(light);
  EXPECT_FALSE(IsDark(QApplication::palette()));
}

TEST_F(WindowsTest, AboutWaitAndProgressWindows) {
  WhenModal<AboutWindow>([](AboutWindow& about) {
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Web Almanix"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text().toStdString(),
              "Version " + ProgramVersion());
    QTest::keyClick(&about, Qt::Key_Return);
  });
  MenuAction(QStringLiteral("&About"))->trigger();
  const std::string db = program_->app.dir->DbDir;
  // The folders are shown (checked through a second window, kept open).
  AboutWindow about(program_->app, window_.get());
  bool shows_db = false;
  for (QLabel* label : about.findChildren<QLabel*>()) {
    shows_db = shows_db || label->text().toStdString() == db;
  }
  EXPECT_TRUE(shows_db);

  {
    WaitWindow wait(window_.get());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_NE(window_->findChild<QWidget*>(QStringLiteral("waitWindow")), nullptr);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(window_->findChild<QWidget*>(QStringLiteral("waitWindow")), nullptr);

  // The seam's progress: a bar with Cancel and the busy cursor until done.
  QtUi ui;
  ui.set_parent(window_.get());
  ui.ProgressDetail(0, 10, "0 of 10 files");
  ui.Progress(3, 10);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  auto* bar = window_->findChild<QProgressDialog*>(QStringLiteral("progressWindow"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->value(), 3);
  bar->findChild<QPushButton*>()->click();  // "Cancel"
  EXPECT_TRUE(ui.cancelled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ui.Progress(0, 5);  // a new job starts uncancelled
  EXPECT_FALSE(ui.cancelled());
  ui.Progress(5, 5);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(bar->isVisible());
  // The core asks the same Cancel; a job that ended (total 0) leaves none
  // behind for the next one, which may start at step 1.
  ui.Progress(2, 10);
  bar->findChild<QPushButton*>()->click();
  EXPECT_TRUE(ui.Cancelled());
  ui.Progress(0, 0);
  EXPECT_FALSE(ui.Cancelled());
  ui.Progress(1, 100);
  EXPECT_FALSE(ui.Cancelled());
  ui.Progress(0, 0);
}

TEST_F(WindowsTest, IconChooserShowsBothSizesAndConverts) {
  const std::string icon = std::string(ALMANIX_SOURCE_DIR) + "/resources/Icons/Music.ico";
  WhenModal<QDialog>([](QDialog& chooser) {
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Choose icon"));
    EXPECT_EQ(chooser.findChild<QLabel*>(QStringLiteral("icon16"))->pixmap().width(), 16);
    EXPECT_EQ(chooser.findChild<QLabel*>(QStringLiteral("icon32"))->pixmap().width(), 32);
    chooser.findChild<QRadioButton*>(QStringLiteral("size32"))->setChecked(true);
    QTest::keyClick(&chooser, Qt::Key_Return);
  });
  std::optional<desktop::IconChoice> choice = ChooseIcon(icon, window_.get());
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->size, 32);
  EXPECT_EQ(choice->drawn_at, 32);
  // "Convert" under 32x32 draws it from the 16x16 picture and picks it.
  WhenModal<QDialog>([](QDialog& chooser) {
    chooser.findChild<QPushButton*>(QStringLiteral("convert32"))->click();
    EXPECT_EQ(chooser.findChild<QLabel*>(QStringLiteral("icon32"))->pixmap().width(), 32);
    EXPECT_TRUE(chooser.findChild<QRadioButton*>(QStringLiteral("size32"))->isChecked());
    QTest::keyClick(&chooser, Qt::Key_Return);
  });
  choice = ChooseIcon(icon, window_.get());
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->size, 32);
  EXPECT_EQ(choice->drawn_at, 16);
  // What is saved is that rendering: a 32-pixel JPEG.
  const std::string saved = root_.path() + "/converted.jpg";
  QtPictureWorks works;
  ASSERT_TRUE(works.RenderIcon(icon, choice->drawn_at, choice->size, saved).ok());
  EXPECT_EQ(QImage(QString::fromStdString(saved)).size(), QSize(32, 32));
  WhenModal<QDialog>([](QDialog& chooser) { QTest::keyClick(&chooser, Qt::Key_Escape); });
  EXPECT_FALSE(ChooseIcon(icon, window_.get()).has_value());
}

// The note editor and the dark main window for docs/desktop/, taken under
// a real X server by tools/take_desktop_screenshots.sh.
TEST(DesktopScreenshots, NoteEditorAndDarkMainWindow) {
  const std::string out = testing::ScreenshotDir();
  if (out.empty()) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  const QString dir = QString::fromStdString(out);
  almanix::testing::TempRoot root;
  almanix::testing::FakeUi ui;
  Program program(ui);
  ASSERT_TRUE(testing::StartProgram(program, root.path(), testing::SampleCalendar()).ok());
  auto take = [&](const QString& name, bool note) {
    std::unique_ptr<TfrmMain> shown = testing::ShowMainWindow(program, ui, 1180, 760);
    ASSERT_NE(shown, nullptr);
    TfrmMain& window = *shown;
    testing::ShowSampleApril(window);
    if (note) {
      ASSERT_TRUE(window.grid()
                      .SetNote(window.grid().SelectedCell(),
                               "<b>Spring fair</b> at the <a href=\"http://club.example/fair\""
                               " target=_blank><u>town hall</u></a> &amp; park<br>\n"
                               "<!-- bring the banner -->")
                      .ok());
    }
    window.Refresh();
    QTest::qWait(300);
    if (!note) {
      ASSERT_TRUE(window.grab().save(dir + "/" + name));
      return;
    }
    WhenModal<NoteWindow>([dir, name](NoteWindow& editor) {
      QTest::qWait(300);
      editor.grab().save(dir + "/" + name);
      editor.reject();
    });
    for (QAction* a : window.findChildren<QAction*>()) {
      if (a->text() == QStringLiteral("Edit note in HTML Editor")) a->trigger();
    }
  };
  const QPalette light = QApplication::palette();
  QApplication::setPalette(DarkPalette());
  take(QStringLiteral("main-dark.png"), false);
  QApplication::setPalette(light);
  take(QStringLiteral("note-editor.png"), true);
}

}  // namespace
}  // namespace almanix::shell
