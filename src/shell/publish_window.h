#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QDialog>

#include "app/status.h"

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class QWebEngineView;

namespace almanix {
class UiSeam;
namespace generator {
struct GeneratorEnv;
}
namespace publish {
class PublishEditor;
struct PublishOptions;
}
namespace desktop {
class PublishForm;
struct FormField;
enum class TickListId;
}
}  // namespace almanix

namespace almanix::shell {

class StyleEditorWindow;
class StyleSheetWindow;

// The Format & Publish window ("Publish Editor"): one page of controls per
// group of settings, built from the form model, beside its own preview of
// the calendar that follows every change. Cancel puts the favorite back as it
// was opened; OK keeps the changes and saves them when "Save settings to
// Favorites" is ticked.
class TMC : public QDialog {
 public:
  struct Hooks {
    // What a generation run needs of the program, read at each run.
    std::function<generator::GeneratorEnv()> env;
    // Routes the runs' progress (0..100) to this window's bar while it is
    // open; called with an empty function when it closes.
    std::function<void(std::function<void(int)>)> route_progress;
    // "Publish Now" to a folder opens it in the file manager.
    bool open_folder = true;
    // Runs "Publish Now" with the program's desktop services (printer,
    // wallpaper, start page); without it the window generates and publishes
    // on its own.
    std::function<Status(publish::PublishEditor&, publish::PublishOptions)> publish_now;
    // Routes this window's Cancel to the runs and uploads (the seam's
    // Cancelled) while it is open; called with an empty function when it
    // closes.
    std::function<void(std::function<bool()>)> route_cancel;
    // The destination page's "FTP Settings..." (the FTP window on this
    // editor) and "Republish ..."; the buttons are left out without them.
    std::function<void(publish::PublishEditor&)> open_ftp;
    std::function<void()> open_republish;
    // The folder of the upload records and trusted keys (TDir's FtpDir),
    // for "suggest".
    std::string ftp_dir;
  };

  TMC(publish::PublishEditor& editor, UiSeam& ui, Hooks hooks, QWidget* parent);
  ~TMC() override;

  // "Publish >>": the destination page with "Publish Now".
  void ShowPublishStep();
  // The quick preview: regenerates now and shows the main page.
  bool PreviewNow();
  // "Preview": the full preview run (with the linking help), its first
  // month page shown, the favorite saved when it exists.
  bool FullPreview();
  // "Publish Now"; the result is also written beside the button.
  Status PublishNow();
  // "suggest" beside the FTP folder: the server's candidate folders added
  // to the folder list.
  bool SuggestFtpFolders();
  // Whether "Publish Now" is under way (Cancel then stops it).
  bool publishing() const { return publishing_; }

  QWebEngineView* preview() { return view_; }
  desktop::PublishForm& form() { return *form_; }
  // How long the last preview run took, in milliseconds.
  qint64 last_preview_ms() const { return last_preview_ms_; }
  // Bumped when a preview page has been loaded.
  int previews_shown() const { return previews_shown_; }

  // "Add New Style": the style editor on a new style, kept or dropped as it
  // closes; a kept style is selected and applied.
  Result<std::string> AddNewStyle();
  void set_on_style_editor(std::function<void(StyleEditorWindow&)> hook) {
    on_style_editor_ = std::move(hook);
  }
  // "Edit in Editor" / "Edit Style Sheet" of the gallery `control` shows
  // ("Publish.StyleName", "Publish.ShowMenu", "Publish.List",
  // "Publish.ActionBarIndex"): the style sheet editor on the selected
  // entry's sheet. False when the gallery said why not.
  bool EditStyleSheet(const std::string& control);
  // "This Style" / "Open folder": the selected entry's folder in the file
  // manager.
  Status OpenGalleryFolder(const std::string& control);
  void set_on_sheet_editor(std::function<void(StyleSheetWindow&)> hook) {
    on_sheet_editor_ = std::move(hook);
  }
  // Called with a word-list window before it is shown modally (tests).
  void set_on_word_list(std::function<void(QDialog&)> hook) { on_word_list_ = std::move(hook); }

  void accept() override;
  void reject() override;

 private:
  QWidget* BuildPage(int page);
  QWidget* BuildControl(const desktop::FormField& field, QWidget* parent);
  QWidget* BuildTicks(desktop::TickListId list, const QString& title, QWidget* parent);
  QWidget* BuildPublishStep(QWidget* parent);
  // A gallery's "Edit Style Sheet" and "Open folder" (publish_window_sheets.cc).
  QWidget* BuildSheetCommands(const std::string& control, QWidget* parent);
  // The language gallery with its picture and the word-list editors.
  QWidget* BuildLanguageTools(QWidget* parent);
  // After a change: every control shows its value again (a rule may have
  // moved others) and the preview is due.
  void Changed(const std::string& name, const std::string& text);
  void Refresh();
  void SchedulePreview();

  publish::PublishEditor& editor_;
  UiSeam& ui_;
  Hooks hooks_;
  std::unique_ptr<desktop::PublishForm> form_;
  struct Snapshot;
  std::unique_ptr<Snapshot> opened_;  // the favorite as opened, for Cancel
  std::map<std::string, QWidget*> controls_;
  std::map<std::string, QLabel*> gallery_pictures_;
  QTabWidget* pages_ = nullptr;
  QWidget* publish_page_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QLabel* preview_state_ = nullptr;
  QLabel* size_label_ = nullptr;
  QTimer* preview_timer_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* publish_now_ = nullptr;
  QLabel* result_ = nullptr;
  QPushButton* cancel_publish_ = nullptr;
  QComboBox* languages_ = nullptr;
  QLabel* language_picture_ = nullptr;
  std::function<void(QDialog&)> on_word_list_;
  std::function<void(StyleEditorWindow&)> on_style_editor_;
  std::function<void(StyleSheetWindow&)> on_sheet_editor_;
  bool refreshing_ = false;
  bool publishing_ = false;
  bool cancel_asked_ = false;
  qint64 last_preview_ms_ = 0;
  int previews_shown_ = 0;
};

}  // namespace almanix::shell
