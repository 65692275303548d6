#include "desktop/day_commands.h"

#include <filesystem>
#include <system_error>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "desktop/main_grid.h"
#include "store/db.h"
#include "store/event_draft.h"

namespace almanix::desktop {

namespace {

constexpr char kNoEventSelected[] = "No event Selected. Select an event first.";

// Byte offset of the n-th character of UTF-8 text (its end when shorter).
size_t ByteOffset(std::string_view text, int chars) {
  size_t i = 0;
  for (int n = 0; n < chars && i < text.size(); ++n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return i;
}

int CharCount(std::string_view text) {
  int n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

Status CopyOver(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) return Status::IoError("could not copy " + from + " to " + to + " (" + ec.message() + ")");
  TDir::ClearReadOnly(to);
  return Status::Ok();
}

std::string Extension(const std::string& path) {
  return std::filesystem::path(path).extension().string();
}

}  // namespace

DayCommands::DayCommands(App& app, store::TDB1& data, UiSeam& ui, MainGrid& grid)
    : app_(app), data_(data), ui_(ui), grid_(grid) {}

bool DayCommands::SelectedDayHasNumber() const {
  int cell = grid_.SelectedCell();
  return cell >= 0 && cell < static_cast<int>(grid_.cells().size()) &&
         grid_.cells()[static_cast<size_t>(cell)].day > 0;
}

void DayCommands::ShowCalendarPage() {
  if (show_calendar_) show_calendar_();
}

Status DayCommands::Reload() {
  int cell = grid_.SelectedCell();
  Status s = grid_.Panel_LoadEvets();
  if (cell >= 0) {
    Status shown = grid_.ShowDay(cell);
    if (s.ok()) s = shown;
  }
  return s;
}

// ---- events ----

Status DayCommands::AddEvent() {
  if (!SelectedDayHasNumber()) {
    ui_.ShowMessage("Select a day on the calendar first, to add events to it");
    return Status::Invalid("no day selected");
  }
  Status s = open_editor_ ? open_editor_({grid_.CategoryID(), true, grid_.SelectedDay(), ""})
                          : Status::Invalid("no event editor");
  Status reloaded = Reload();
  return s.ok() ? reloaded : s;
}

Status DayCommands::EditEvent() {
  if (!SelectedDayHasNumber()) {
    ui_.ShowMessage("Select a valid Date first");
    return Status::Invalid("no day selected");
  }
  int current = grid_.CurrentEvent();
  if (current < 0 || grid_.DayEvents()[static_cast<size_t>(current)].id.empty()) {
    ui_.ShowMessage(kNoEventSelected);
    return Status::Invalid("no event selected");
  }
  const std::string& id = grid_.DayEvents()[static_cast<size_t>(current)].id;
  Status s = open_editor_ ? open_editor_({grid_.CategoryID(), false, grid_.SelectedDay(), id})
                          : Status::Invalid("no event editor");
  // Also after a failed edit the lines are loaded again.
  Status reloaded = Reload();
  return s.ok() ? reloaded : s;
}

Status DayCommands::DeleteEvent() {
  int current = grid_.CurrentEvent();
  if (grid_.DayEvents().empty() || current < 0) return Status::Ok();
  const DayEvent& e = grid_.DayEvents()[static_cast<size_t>(current)];
  if (ui_.Ask("Are you sure you want to delete '" + e.summary + "' event?", Buttons::kYesNo,
              Answer::kNo) != Answer::kYes) {
    return Status::Cancelled("not deleted");
  }
  store::Query write(data_.db());
  if (Status s = write.ExecSql(" Delete from Events where ID =" + store::SqlQuote(e.id));
      !s.ok()) {
    return s;
  }
  return Reload();
}

Status DayCommands::AddEventFromList(DayNumber today) {
  Status s = open_editor_ ? open_editor_({grid_.CategoryID(), true, today, ""})
                          : Status::Invalid("no event editor");
  Status reloaded = Reload();
  return s.ok() ? reloaded : s;
}

Status DayCommands::EditEventFromList(const std::string& id, const std::string& s_date,
                                      DayNumber today) {
  if (id.empty()) {
    ui_.ShowMessage(kNoEventSelected);
    return Status::Invalid("no event selected");
  }
  DayNumber day = ParseInt(Trim(s_date)).value_or(today);
  Status s = open_editor_ ? open_editor_({grid_.CategoryID(), false, day, id})
                          : Status::Invalid("no event editor");
  Status reloaded = Reload();
  return s.ok() ? reloaded : s;
}

Status DayCommands::DeleteEventFromList(const std::string& id) {
  if (id.empty()) {
    ui_.ShowMessage(kNoEventSelected);
    return Status::Invalid("no event selected");
  }
  if (ui_.Ask("Are you sure you want to delete this event?", Buttons::kYesNo, Answer::kNo) !=
      Answer::kYes) {
    return Status::Cancelled("not deleted");
  }
  store::Query write(data_.db());
  if (Status s = write.ExecSql(" Delete from Events where ID =" + store::SqlQuote(id)); !s.ok()) {
    return s;
  }
  return Reload();
}

Status DayCommands::CopyEvent() {
  ShowCalendarPage();
  int current = grid_.CurrentEvent();
  if (grid_.DayEvents().empty() || current < 0) return Status::Ok();
  store::Query q(data_.db());
  const std::string& id = grid_.DayEvents()[static_cast<size_t>(current)].id;
  if (Status s = q.Open(" Select * from Events where ID =" + store::SqlQuote(id)); !s.ok()) {
    return s;
  }
  if (q.IsEmpty()) return Status::NotFound("the event is no longer there");
  clipboard_.clear();
  for (const store::FieldDef& f : q.FieldDefs()) {
    std::optional<std::string> value;
    if (!q.IsNull(f.name)) value = q.AsString(f.name);
    clipboard_.emplace_back(f.name, std::move(value));
  }
  return Status::Ok();
}

bool DayCommands::ClipboardEmpty() const {
  return clipboard_.empty() || !clipboard_.front().second ||
         clipboard_.front().second->empty();
}

std::string DayCommands::PasteCaption() const {
  if (ClipboardEmpty()) return "Event Paste";
  for (const auto& [name, value] : clipboard_) {
    if (EqualsIgnoreCase(name, "Summary")) return "Event Paste: (" + value.value_or("") + ")";
  }
  return "Event Paste: ()";
}

Status DayCommands::PasteEvent() {
  ShowCalendarPage();
  if (ClipboardEmpty()) {
    ui_.ShowMessage("Nothing to paste. First, right click and select an event to copy");
    return Status::Invalid("nothing to paste");
  }
  if (!SelectedDayHasNumber()) {
    ui_.ShowMessage("This is not a valid calendar date. Can not paste here");
    return Status::Invalid("no day selected");
  }
  const DayCell& cell = grid_.cells()[static_cast<size_t>(grid_.SelectedCell())];
  const std::string year = grid_.YearBoxText();
  const DayNumber day = EncodeDate(ParseInt(year).value_or(DecodeDate(cell.date).year),
                                   cell.month, cell.day);
  auto time_of = [&](std::string_view column) {
    for (const auto& [name, value] : clipboard_) {
      if (EqualsIgnoreCase(name, column)) return ParseInt(Trim(value.value_or(""))).value_or(0);
    }
    return 0;
  };

  store::Query q(data_.db());
  if (Status s = q.Open(" Select * from Events "); !s.ok()) return s;
  if (Status s = q.Append(); !s.ok()) return s;
  Status s;
  for (const auto& [name, value] : clipboard_) {
    if (EqualsIgnoreCase(name, "ID") || !s.ok()) continue;
    s = value ? q.SetString(name, *value) : q.SetNull(name);
  }
  const std::vector<std::pair<std::string, std::string>> fixed = {
      {"Visible", "True"},
      {"iDay", std::to_string(cell.day)},
      {"iYear", year},
      {"iMonth", std::to_string(cell.month)},
      {"CalendarID", grid_.CategoryID()},
      {"sDateTime", store::DateValueText(day + time_of("sTime") / 1000000.0)},
      {"eDateTime", store::DateValueText(day + time_of("eTime") / 1000000.0)},
      {"sDate", std::to_string(day)},
      {"eDate", std::to_string(day)}};
  for (const auto& [name, value] : fixed) {
    if (s.ok()) s = q.SetString(name, value);
  }
  if (s.ok()) s = q.Post();
  if (!s.ok()) {
    q.Cancel();
    return s;
  }
  return Reload();
}

// ---- notes ----

std::string DayCommands::NoteEditorCaption() const {
  std::string day = "00";
  int cell = grid_.SelectedCell();
  if (cell >= 0 && cell < static_cast<int>(grid_.cells().size())) {
    day = TwoDigits(grid_.cells()[static_cast<size_t>(cell)].day);
  }
  return grid_.CategoryName() + " : " + grid_.YearBoxText() + "-" +
         grid_.selected().MonthName() + "-" + day;
}

std::string DayCommands::LinkAnchor(std::string_view url, std::string_view description,
                                    bool underline) {
  std::string text(description);
  if (underline) text = "<u>" + text + "</u>";
  // A double quote would end the attribute early and spill the rest of the
  // address into the page's markup.
  return "<a href=\"" + ReplaceAll(url, "\"", "%22") + "\">" + text + "</a>";
}

NoteEdit DayCommands::InsertIntoNote(std::string_view text, int caret, int selection_length,
                                     std::string_view insertion) {
  caret = std::max(0, std::min(caret, CharCount(text)));
  size_t from = ByteOffset(text, caret);
  size_t to = from + ByteOffset(text.substr(from), std::max(0, selection_length));
  NoteEdit edit;
  edit.text = std::string(text.substr(0, from)) + std::string(insertion) +
              std::string(text.substr(to));
  edit.caret = caret + CharCount(insertion);
  return edit;
}

Status DayCommands::AddLinkToNote(std::string_view url, std::string_view description,
                                  bool underline) {
  ShowCalendarPage();
  if (url.empty()) return Status::Ok();
  int cell = grid_.SelectedCell();
  if (cell < 0 || cell >= static_cast<int>(grid_.cells().size())) {
    return Status::Invalid("no day selected");
  }
  std::string note = grid_.cells()[static_cast<size_t>(cell)].note;
  return grid_.SetNote(cell, note + LinkAnchor(url, description, underline));
}

Status DayCommands::LongerNote() {
  Result<std::string> folder = EnsureDayFolder(false);
  if (!folder.ok()) return folder.status();
  std::string note = folder.value() + "note.txt";
  if (!FileExists(note)) {
    if (Status s = WriteFileAtomically(note, ""); !s.ok()) return s;
  }
  return app_.dir->OpenInBrowser(note);
}

// ---- the day folder ----

std::string DayCommands::DayFolder() const {
  int cell = grid_.SelectedCell();
  if (cell < 0 || cell >= static_cast<int>(grid_.cells().size()) || !app_.dir) return "";
  const DayCell& c = grid_.cells()[static_cast<size_t>(cell)];
  if (c.day == 0) return "";
  return app_.dir->DayFolderPath(grid_.CategoryName(), grid_.YearBoxText(),
                                 grid_.selected().MonthText(), std::to_string(c.day));
}

Result<std::string> DayCommands::EnsureDayFolder(bool open) {
  std::string folder = DayFolder();
  if (folder.empty()) return Status::Invalid("no day selected");
  TDir& dir = *app_.dir;
  TDir::EnsureDirQuiet(dir.CategoryRoot(grid_.CategoryName()) + grid_.CategoryName() + "/");
  dir.DayAttachDir = folder;
  if (!DirectoryExists(folder)) {
    if (Status s = TDir::EnsureDir(folder); !s.ok()) return s;
    // The day is marked as having attachments.
    IgnoreResult(grid_.SetDayColumn(grid_.SelectedCell(), "State", "T"),
                "the mark only speeds up the generator's look for folders");
  }
  if (open) {
    if (Status s = dir.ShellOpen(folder); !s.ok()) return s;
  }
  return folder;
}

Status DayCommands::AttachToDay(Attachment kind) {
  ShowCalendarPage();
  const char* title = kind == Attachment::kFile      ? "Select a file to attach"
                      : kind == Attachment::kPicture ? "Select a picture to import"
                                                     : "Select a background to attach";
  std::optional<std::string> path = ui_.PickPath(PickKind::kOpenFile, title, app_.dir->InstallDir);
  if (!path) {
    // The attach-a-file command shows the folder even when nothing was chosen.
    if (kind == Attachment::kFile) return EnsureDayFolder(true).status();
    return Status::Cancelled("no file chosen");
  }
  return AttachFileToDay(kind, *path);
}

Status DayCommands::AttachFileToDay(Attachment kind, const std::string& path) {
  if (!FileExists(path)) return Status::NotFound("no file " + path);
  Result<std::string> folder = EnsureDayFolder(false);
  if (!folder.ok()) return folder.status();
  std::string name = BaseName(path);
  if (kind == Attachment::kPicture) name = "picture" + Extension(path);
  if (kind == Attachment::kBackground) name = "background" + Extension(path);
  Status s = CopyOver(path, folder.value() + name);
  if (kind == Attachment::kFile) {
    Status opened = app_.dir->ShellOpen(folder.value());
    if (s.ok()) s = opened;
  }
  IgnoreResult(grid_.ShowDay(grid_.SelectedCell()), "the panel shows the files when it can");
  return s;
}

Status DayCommands::AttachIconToDay() {
  ShowCalendarPage();
  std::optional<std::string> icon =
      ui_.PickPath(PickKind::kOpenFile, "Select an Icon", app_.dir->IconsDir);
  if (!icon) return Status::Cancelled("no icon chosen");
  Result<std::string> folder = EnsureDayFolder(false);
  if (!folder.ok()) return folder.status();
  std::optional<IconChoice> choice;
  if (choose_icon_) {
    choice = choose_icon_(*icon);
  } else if (std::optional<int> size = ui_.Choose("Choose icon", {"16x16", "32x32"}, 0)) {
    const int pixels = *size == 0 ? 16 : 32;
    choice = IconChoice{pixels, pixels};
  }
  if (!choice) return Status::Cancelled("no size chosen");
  if (!render_icon_) return Status::Invalid("no icon drawing here");
  std::string bitmap = folder.value() + StemName(BaseName(*icon)) + ".bmp";
  Status drawn = render_icon_(*icon, choice->drawn_at, choice->size, bitmap);
  // The day panel lists the new picture.
  IgnoreResult(grid_.ShowDay(grid_.SelectedCell()), "the panel shows the files when it can");
  return drawn;
}

Status DayCommands::DeleteDayFolder() {
  std::string folder = DayFolder();
  if (folder.empty() || !DirectoryExists(folder)) return Status::Ok();
  if (!app_.dir->Zapdir1(folder)) return Status::IoError("could not delete " + folder);
  IgnoreResult(grid_.ShowDay(grid_.SelectedCell()), "the panel shows the files when it can");
  return Status::Ok();
}

Status DayCommands::SearchAttachments() {
  // The desktop has no common search verb: the category's folder is opened,
  // where the file manager's own search starts.
  std::string folder = app_.dir->CategoryRoot(grid_.CategoryName()) + grid_.CategoryName() + "/";
  TDir::EnsureDirQuiet(folder);
  return app_.dir->ShellOpen(folder);
}

Status DayCommands::DropFiles(const std::vector<std::string>& paths) {
  if (!SelectedDayHasNumber()) {
    ui_.ShowMessage("Select a day on the calendar first, to add events to it");
    return Status::Invalid("no day selected");
  }
  Result<std::string> folder = EnsureDayFolder(false);
  if (!folder.ok()) return folder.status();
  Status first;
  for (const std::string& path : paths) {
    if (!FileExists(path)) continue;
    Status s = CopyOver(path, folder.value() + BaseName(path));
    if (first.ok() && !s.ok()) first = s;
  }
  IgnoreResult(grid_.ShowDay(grid_.SelectedCell()), "the panel shows the files when it can");
  return first;
}

// ---- holidays and categories ----

Status DayCommands::HolidayAdd() {
  return grid_.SetDayColumn(grid_.SelectedCell(), grid_.HolidayColumn(), "New Holiday");
}

Status DayCommands::HolidayDelete() {
  return grid_.SetDayColumn(grid_.SelectedCell(), grid_.HolidayColumn(), "");
}

Status DayCommands::ClearCategory() {
  ShowCalendarPage();
  const std::string name = grid_.CategoryName();
  if (ui_.Ask("Are you sure you want to clear calendar category '" + name +
                  "' ? All data will be erased. ",
              Buttons::kYesNo, Answer::kNo) != Answer::kYes) {
    return Status::Cancelled("not cleared");
  }
  const std::string year = grid_.YearBoxText();
  const std::string number = std::to_string(grid_.CategoryNumber());
  Status first;
  if (data_.db().TableExists("year" + year)) {
    // One statement clears the notes: a row-by-row post would take a
    // transaction per day.
    Status s = data_.db().Execute("UPDATE year" + year + " SET data" + number + " = ''");
    if (!s.ok()) first = s;
    store::Query q(data_.db());
    if (Status open = q.Open(" Select * from year" + year); open.ok()) {
      for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
        std::string day = q.AsString("iDay");
        if (day.empty()) continue;
        std::string folder = app_.dir->DayFolderPath(name, year, q.AsString("iMonth"), day);
        if (DirectoryExists(folder) && !app_.dir->Zapdir1(folder)) {
          ui_.ShowMessage("Could not earase data or directory for " + q.AsString("ShortMonth") +
                              " " + day,
                          MessageKind::kError);
        }
      }
    } else if (first.ok()) {
      first = open;
    }
    store::Query write(data_.db());
    Status deleted =
        write.ExecSql("Delete From events where CalendarID = " + store::SqlQuote(number));
    if (first.ok()) first = deleted;
  }
  Status chosen = grid_.ChooseYear(year);
  return first.ok() ? chosen : first;
}

}  // namespace almanix::desktop
