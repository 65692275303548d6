#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "app/status.h"

class QAction;
class QDialog;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QSystemTrayIcon;
class QTabWidget;
class QTableWidget;
class QLineEdit;
class QToolButton;
class QWidget;

namespace almanix {
class Program;
class UiSeam;
namespace publish {
class PublishEditor;
}  // namespace publish
}  // namespace almanix

namespace almanix::desktop {
class DayCommands;
class PublishHandOver;
class FileMenu;
class MainGrid;
struct EditorRequest;
}  // namespace almanix::desktop

namespace almanix::shell {

class CalendarPanel;
class DayCellWidget;
class WaitWindow;
class OnlinePage;
class PreviewPage;
class PublishMenu;
class FtpWindow;
class RepublishWindow;
class DesktopServiceSet;
class ExchangeWindows;
class FileMenuBinding;
class QtUi;

// The main window: the month grid with its day panel, the commands on
// events and days, and the pages of the event list, the preview and the
// published calendar. The logic lives in desktop::MainGrid and
// desktop::DayCommands; this class draws them and passes the person's
// clicks and keys on.
class TfrmMain : public QMainWindow {
 public:
  // ui is the seam the core shows its messages through: a QtUi in the
  // program, a scripted one in tests.
  TfrmMain(Program& program, UiSeam& ui);
  ~TfrmMain() override;

  // The start-up sequence's window steps: the grid for today, the boxes,
  // the placement saved last time.
  void StartUp();
  // Raises the window from the tray or from under others (a second start).
  void BringToFront();

  // Called with the event editor before it is shown modally: tests drive it.
  void set_on_editor_open(std::function<void(QDialog&)> hook) { on_editor_open_ = std::move(hook); }
  // Called with the FTP window before it runs its own loop (tests drive it).
  void set_on_ftp_window(std::function<void(FtpWindow&)> hook) { on_ftp_window_ = std::move(hook); }
  // Called with the Republish window before it runs its own loop.
  void set_on_republish_window(std::function<void(RepublishWindow&)> hook) {
    on_republish_window_ = std::move(hook);
  }

  // While true, closing asks nothing (tests and the command line's batch).
  void set_quiet_close(bool quiet) { quiet_close_ = quiet; }

  desktop::MainGrid& grid() { return *grid_; }
  desktop::DayCommands& commands() { return *commands_; }
  desktop::PublishHandOver& handover() { return *handover_; }
  PreviewPage& preview_page() { return *preview_; }
  OnlinePage& online_page() { return *online_; }
  // RefreshFavoritesMenu.
  void RefreshFavoritesMenu();
  ExchangeWindows& exchange() { return *exchange_; }
  desktop::FileMenu& file_menu() { return *file_menu_; }
  // The Exit command: ask is false for the command line's batch. Stays
  // open when the save it asked for failed or was cancelled.
  void Exit(bool ask);
  // Redraws every cell, the caption, the boxes and the day panel.
  void Refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildCalendarPage();
  QWidget* BuildDatePanel();
  QWidget* BuildEventsPage();
  // ReloadEventList on the Events page, sorted by the column.
  void ReloadList(int column);
  // The Events page's current event: its ID and start day; empty when none.
  std::pair<std::string, std::string> ListEvent() const;
  void OnPageChanged(int page);
  // The format box refilled from the favorites and the year's categories.
  void RefillFormatBox(bool run);
  // "New Calendar...", "New Calendar" and a favorite of the Publish menu.
  void FormatCategory(bool new_calendar);
  void PublishFavorite(const std::string& favorite);
  // "FTP Settings...": the FTP window on a favorite (asked for when there
  // are several).
  void OpenFtpWindow();
  // The FTP window on the Format & Publish window's editor, and "Republish
  // ...", over the window that is open.
  void OpenFtpWindowOn(publish::PublishEditor& editor);
  void OpenRepublishWindow();
  void SelectCell(int index);
  void RefreshDayPanel();
  void RefreshHeader();
  void Report(const Status& status);
  Status OpenEditor(const desktop::EditorRequest& request);
  void SavePlacement();
  void ShowDayMenu(int index, const QPoint& global);
  void ShowNoteEditor();
  void AddLinkToNote();
  void ImportCsv();
  void ImportIcal();
  void ExportIcal();
  void ImportEvents();
  void ExportEvents();
  void About();
  // The settings window; the categories, holidays and grid reload after it.
  // On a category row (0-based) of the Categories page, its name open for
  // typing with rename.
  void ShowSettings(int category_row = -1, bool rename = false);
  QWidget* BuildCalendarPanel();
  void RefreshCalendarPanel();
  // The waiting window of a calendar file that opens; gone a second later.
  void ShowWait(const std::string& text);

  Program& program_;
  UiSeam& ui_;
  std::unique_ptr<desktop::MainGrid> grid_;
  std::unique_ptr<desktop::DayCommands> commands_;
  std::unique_ptr<desktop::PublishHandOver> handover_;
  // The printer, start page and wallpaper "Publish Now" uses here.
  std::unique_ptr<DesktopServiceSet> services_;
  std::unique_ptr<PublishMenu> publish_menu_;
  PreviewPage* preview_ = nullptr;
  OnlinePage* online_ = nullptr;
  std::unique_ptr<ExchangeWindows> exchange_;
  std::unique_ptr<desktop::FileMenu> file_menu_;
  std::unique_ptr<FileMenuBinding> file_binding_;
  std::function<void(QDialog&)> on_editor_open_;
  std::function<void(FtpWindow&)> on_ftp_window_;
  std::function<void(RepublishWindow&)> on_republish_window_;
  bool quiet_close_ = false;
  bool ending_ = false;

  QTabWidget* pages_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* caption_ = nullptr;
  QComboBox* years_ = nullptr;
  QComboBox* categories_ = nullptr;
  QPushButton* hidden_row_ = nullptr;
  std::vector<QLabel*> weekday_labels_;
  QWidget* weekday_header_ = nullptr;
  QWidget* grid_area_ = nullptr;
  std::vector<DayCellWidget*> cells_;
  CalendarPanel* calendar_panel_ = nullptr;
  QAction* calendar_panel_action_ = nullptr;
  std::unique_ptr<WaitWindow> wait_;
  int wait_shown_ = 0;
  QWidget* date_panel_ = nullptr;
  QLabel* date_label_ = nullptr;
  QLabel* day_holiday_ = nullptr;
  QListWidget* day_events_ = nullptr;
  QPlainTextEdit* day_note_ = nullptr;
  QListWidget* day_files_ = nullptr;
  QWidget* event_panel_ = nullptr;
  QLabel* event_time_ = nullptr;
  QLabel* event_summary_ = nullptr;
  QLabel* event_description_ = nullptr;
  QComboBox* show_ = nullptr;
  QLineEdit* search_ = nullptr;
  QTableWidget* event_list_ = nullptr;
  std::vector<std::pair<std::string, std::string>> list_events_;  // ID, sDate
  int sort_column_ = 0;
  QAction* date_panel_action_ = nullptr;
  QAction* event_panel_action_ = nullptr;
  std::vector<QAction*> paste_actions_;
  QSystemTrayIcon* tray_ = nullptr;
  bool refreshing_ = false;
};

}  // namespace almanix::shell
