#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "desktop/event_files.h"

namespace almanix {
class App;
class UiSeam;
}  // namespace almanix

namespace almanix::store {
class TDB1;
}

namespace almanix::desktop {

class MainGrid;

// What the add and edit commands ask the event editor to open.
struct EditorRequest {
  std::string category_id;
  bool is_new = false;
  DayNumber date = 0;
  std::string event_id;  // the event to edit; empty for a new one
};

// A note text after an insertion, with the caret behind the inserted text.
struct NoteEdit {
  std::string text;
  int caret = 0;
};

// The main window's commands on one event or one day, without a window:
// add, edit, delete, copy and paste events, the note's insertions, the day
// folder and its attachments, holidays, and clearing a category. They work
// on the grid's selected cell, current category and day event, show their
// refusals through the seam and reload the grid's lines when data changed.
class DayCommands {
 public:
  DayCommands(App& app, store::TDB1& data, UiSeam& ui, MainGrid& grid);

  // The event editor, shown modally by the desktop; tests run its logic.
  using OpenEditor = std::function<Status(const EditorRequest&)>;
  void set_open_editor(OpenEditor open) { open_editor_ = std::move(open); }
  // Called where a command first switches to the "Calendar" page.
  void set_show_calendar_page(std::function<void()> show) { show_calendar_ = std::move(show); }
  // Draws an icon file on white into a bitmap file: drawn at drawn_at
  // pixels, saved at size (16 or 32).
  using RenderIcon = std::function<Status(const std::string& icon, int drawn_at, int size,
                                          const std::string& bitmap)>;
  void set_render_icon(RenderIcon render) { render_icon_ = std::move(render); }
  // The icon chooser that shows both renderings; without it the seam's
  // choice of "16x16" or "32x32" is asked.
  void set_choose_icon(EventFiles::ChooseIcon choose) { choose_icon_ = std::move(choose); }

  // ---- events ----
  Status AddEvent();
  Status EditEvent();
  Status DeleteEvent();
  Status CopyEvent();
  Status PasteEvent();
  bool ClipboardEmpty() const;
  // The same from the "Events" page: a new event on today, the list's
  // current event (its start day, today when unreadable), deleting it.
  Status AddEventFromList(DayNumber today);
  Status EditEventFromList(const std::string& id, const std::string& s_date, DayNumber today);
  Status DeleteEventFromList(const std::string& id);
  // "Event Paste: (summary)" after a copy, "Event Paste" before.
  std::string PasteCaption() const;

  // ---- notes ----
  // "Work : 2010-March-05"
  std::string NoteEditorCaption() const;
  static std::string LinkAnchor(std::string_view url, std::string_view description,
                                bool underline);
  // Replaces the selection (or inserts at the caret; positions count
  // characters) with the insertion.
  static NoteEdit InsertIntoNote(std::string_view text, int caret, int selection_length,
                                 std::string_view insertion);
  // Appends a link to the selected day's note; an empty address adds nothing.
  Status AddLinkToNote(std::string_view url, std::string_view description, bool underline);
  // Opens the day's note.txt, made empty when missing.
  Status LongerNote();

  // ---- the day folder ----
  // Makes the selected day's folder when missing (marking the day) and
  // returns it; with open, shows it in the file manager.
  Result<std::string> EnsureDayFolder(bool open);
  Status OpenDayFolder() { return EnsureDayFolder(true).status(); }
  enum class Attachment { kFile, kPicture, kBackground };
  // Asks for a file and copies it into the day folder by the kind's rule.
  Status AttachToDay(Attachment kind);
  // The same with the file already chosen (a drop, or a test).
  Status AttachFileToDay(Attachment kind, const std::string& path);
  // Asks for an icon and a size and saves its bitmap into the day folder.
  Status AttachIconToDay();
  Status DeleteDayFolder();
  Status SearchAttachments();
  // Files dropped on the grid are copied into the selected day's folder.
  Status DropFiles(const std::vector<std::string>& paths);

  // ---- holidays and categories ----
  Status HolidayAdd();
  Status HolidayDelete();
  Status ClearCategory();

 private:
  bool SelectedDayHasNumber() const;
  void ShowCalendarPage();
  // After a change: the event lines again, and the day panel of the cell.
  Status Reload();
  std::string DayFolder() const;

  App& app_;
  store::TDB1& data_;
  UiSeam& ui_;
  MainGrid& grid_;
  OpenEditor open_editor_;
  std::function<void()> show_calendar_;
  RenderIcon render_icon_;
  EventFiles::ChooseIcon choose_icon_;
  // Every column of the copied event, NULLs kept.
  std::vector<std::pair<std::string, std::optional<std::string>>> clipboard_;
};

}  // namespace almanix::desktop
