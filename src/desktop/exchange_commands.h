#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/status.h"
#include "app/ui_seam.h"

namespace almanix {
class App;
namespace store {
class TDB1;
}
}  // namespace almanix

// The File menu's Import and Export commands without their windows: the
// file choices, the questions, the core's import or export, the result and
// the grid reloaded afterwards. The CSV import's mapping is CsvMapping.
namespace almanix::desktop {

class MainGrid;

// The file dialogs' captions and filters.
inline constexpr std::string_view kCsvOpenCaption = "Select a Comma Seperated File to Import from";
inline constexpr std::string_view kCsvFilter = "CSV Files (*.csv);;Text Files (*.txt)";
inline constexpr std::string_view kIcalOpenCaption = "Select an iCal/vCalendar File to import";
inline constexpr std::string_view kIcalSaveCaption = "Select an iCal/vCalendar to export";
inline constexpr std::string_view kIcalFilter = "iCal Files (*.ics *.ICS)";
inline constexpr std::string_view kEventsSaveCaption = "Select an file to export";
inline constexpr std::string_view kEventsOpenCaption = "Select an file to Import";
inline constexpr std::string_view kEventsFilter = "Database Files (*.db)";

// The event table windows' captions and choices.
inline constexpr std::string_view kExportEventsCaption = "Export Events from Database";
inline constexpr std::string_view kImportEventsCaption = "Import Events to Database";
inline constexpr std::string_view kAllEvents = "All Events";
inline constexpr std::string_view kKeepCategories =
    "Keep events in the same category as in the import file";
std::string OnlyCurrentCategoryChoice(std::string_view category_name);
std::string AddToCurrentCategoryChoice(std::string_view category_name);

// A chosen name without an extension gets the dialog's one ("Events" gives
// "Events.db"); a name with any extension is kept.
std::string WithDefaultExtension(const std::string& path, std::string_view extension);

class ExchangeCommands {
 public:
  // The file dialog: kind, caption, filter ("iCal Files (*.ics)"), start
  // folder or proposed path. Nullopt when cancelled.
  using Picker = std::function<std::optional<std::string>(
      PickKind kind, std::string_view caption, std::string_view filter, std::string_view start)>;

  ExchangeCommands(App& app, store::TDB1& data, UiSeam& ui, MainGrid& grid);

  // Replaces the seam's plain picker by one that knows filters.
  void set_picker(Picker picker) { picker_ = std::move(picker); }

  // Where the dialogs start: the user's home (the root under a --root).
  std::string StartFolder() const;

  // "Import CSV": the file for the mapping window; nullopt when cancelled.
  std::optional<std::string> PickCsvFile();

  // "&Import iCal ...": the file, the question naming the current category,
  // the import and its result (the events written and those not
  // understood). Cancelled when the person stops at the dialog or the
  // question.
  Status ImportIcal();
  // "&Export iCal ...": the notes and events of the current category in
  // the selected year, to a file proposed as category name + year + ".ics".
  Status ExportIcal(std::time_t now);
  // "Export Events": all events or those made in the current category.
  // Cancelled when the dialog is cancelled (no message).
  Status ExportEvents(bool only_current_category);
  // "Import Events": the rows of a table file, put into the current
  // category or kept in theirs. Cancelled when the dialog is cancelled.
  Status ImportEvents(bool add_to_current_category);

 private:
  std::optional<std::string> Pick(PickKind kind, std::string_view caption,
                                  std::string_view filter, std::string_view start);
  // Reloads the grid after the events changed.
  void ReloadGrid();
  // The current category's ID as a number; nullopt when it has none.
  std::optional<int> CategoryId() const;

  App& app_;
  store::TDB1& data_;
  UiSeam& ui_;
  MainGrid& grid_;
  Picker picker_;
};

}  // namespace almanix::desktop
