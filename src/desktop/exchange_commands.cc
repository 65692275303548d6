#include "desktop/exchange_commands.h"

#include "app/config.h"
#include "app/file_util.h"
#include "app/run_result.h"
#include "app/startup.h"
#include "app/text.h"
#include "desktop/csv_mapping.h"
#include "desktop/main_grid.h"
#include "exchange/event_table.h"
#include "exchange/ical_import.h"
#include "generator/ical.h"
#include "platform/places.h"
#include "store/db.h"

namespace almanix::desktop {
namespace {

constexpr size_t kListedProblems = 20;

void AppendProblems(const std::vector<std::string>& problems, std::string* text) {
  for (size_t i = 0; i < problems.size() && i < kListedProblems; ++i) *text += "\n" + problems[i];
  if (problems.size() > kListedProblems) {
    *text += "\n... and " + std::to_string(problems.size() - kListedProblems) + " more";
  }
}

}  // namespace

std::string OnlyCurrentCategoryChoice(std::string_view category_name) {
  return "Only Events in the current slected category '" + std::string(category_name) + "'";
}

std::string AddToCurrentCategoryChoice(std::string_view category_name) {
  return "Add all events to the current category '" + std::string(category_name) + "'";
}

std::string WithDefaultExtension(const std::string& path, std::string_view extension) {
  const std::string name = BaseName(path);
  if (name.find('.') != std::string::npos) return path;
  return path + std::string(extension);
}

ExchangeCommands::ExchangeCommands(App& app, store::TDB1& data, UiSeam& ui, MainGrid& grid)
    : app_(app), data_(data), ui_(ui), grid_(grid) {}

std::string ExchangeCommands::StartFolder() const {
  if (!app_.places.root.empty()) return WithTrailingSlash(app_.places.root);
  return WithTrailingSlash(platform::HomeDir());
}

std::optional<std::string> ExchangeCommands::Pick(PickKind kind, std::string_view caption,
                                                  std::string_view filter,
                                                  std::string_view start) {
  if (picker_) return picker_(kind, caption, filter, start);
  return ui_.PickPath(kind, caption, start);
}

void ExchangeCommands::ReloadGrid() {
  // The month on the screen stays; its cells show the new events.
  IgnoreResult(grid_.LoadGrid(grid_.DisplayDate()), "LoadGrid shows its own message");
}

std::optional<int> ExchangeCommands::CategoryId() const {
  return ParseInt(Trim(grid_.CategoryID()));
}

std::optional<std::string> ExchangeCommands::PickCsvFile() {
  // The file imported last is offered again: the same export comes back.
  const std::string& last = app_.config->ImportFilePath;
  return Pick(PickKind::kOpenFile, kCsvOpenCaption, kCsvFilter,
              FileExists(last) ? last : StartFolder());
}

Status ExchangeCommands::ImportIcal() {
  std::optional<std::string> path =
      Pick(PickKind::kOpenFile, kIcalOpenCaption, kIcalFilter, StartFolder());
  if (!path) return Status::Cancelled("no file chosen");
  if (!FileExists(*path)) {
    const std::string message = "File " + *path + " does not exist.";
    ui_.ShowMessage(message, MessageKind::kError);
    return Status::NotFound(message);
  }
  const std::string name = grid_.CategoryName();
  if (ui_.Ask(exchange::ImportIcsQuestion(name), Buttons::kYesNo, Answer::kYes) != Answer::kYes) {
    ReloadGrid();
    return Status::Cancelled("import not started");
  }
  // The events the file's reader could not take are listed once at the end.
  LineProblemSeam seam(ui_);
  seam.set_collecting(true);
  Result<exchange::IcsImportResult> result = exchange::ImportIcsFile(
      data_.db(), *path, grid_.CategoryNumber(), seam, app_.log.get());
  std::vector<std::string> problems = seam.TakeProblems();
  ReloadGrid();
  if (!result.ok()) {
    ui_.ShowMessage("Could not import " + *path + ":\n" + result.status().message() +
                        "\nNothing was imported.",
                    MessageKind::kError);
    return result.status();
  }
  const exchange::IcsImportResult& r = result.value();
  std::string text = std::to_string(r.written) + " events imported from " + BaseName(*path) +
                     " into the \"" + name + "\" calendar.";
  if (r.vevents == 0) text += "\nThe file holds no events.";
  if (r.expanded > 0) {
    text += "\n" + std::to_string(r.expanded) +
            " repeating events were imported as one event a date.";
  }
  if (r.not_understood > 0) {
    text += "\n" + std::to_string(r.not_understood) + " of " + std::to_string(r.vevents) +
            " events could not be understood and were left out.";
  }
  AppendProblems(problems, &text);
  ui_.ShowMessage(text, r.not_understood > 0 || r.vevents == 0 ? MessageKind::kWarning
                                                               : MessageKind::kInformation);
  return Status::Ok();
}

Status ExchangeCommands::ExportIcal(std::time_t now) {
  const std::string name = grid_.CategoryName();
  const int year = ParseInt(grid_.YearBoxText()).value_or(grid_.selected().Year());
  std::optional<std::string> path =
      Pick(PickKind::kSaveFile, kIcalSaveCaption, kIcalFilter,
           StartFolder() + name + std::to_string(year) + ".ics");
  if (!path) return Status::Cancelled("no file chosen");
  const std::string target = WithDefaultExtension(*path, ".ics");
  Result<std::string> done = generator::ExportCategoryICal(
      data_.db(), grid_.CategoryNumber(), name, year, target, app_.brand, &ui_, now);
  ui_.Progress(0, 0);
  ReloadGrid();
  if (!done.ok()) {
    ui_.ShowMessage("Could not export to " + target + ":\n" + done.status().message(),
                    MessageKind::kError);
    return done.status();
  }
  return Status::Ok();
}

Status ExchangeCommands::ExportEvents(bool only_current_category) {
  std::optional<std::string> path =
      Pick(PickKind::kSaveFile, kEventsSaveCaption, kEventsFilter, StartFolder() + "Events.db");
  if (!path) return Status::Cancelled("no file chosen");
  const std::string target = WithDefaultExtension(*path, ".db");
  std::optional<int> category;
  if (only_current_category) {
    category = CategoryId();
    if (!category) {
      ui_.ShowMessage("There is no current category to export.", MessageKind::kError);
      return Status::NotFound("no current category");
    }
  }
  Status s = exchange::ExportEvents(data_.db(), target, category, ui_);
  if (!s.ok()) {
    ui_.ShowMessage("Could not export the events to " + target + ":\n" + s.message(),
                    MessageKind::kError);
  }
  return s;
}

Status ExchangeCommands::ImportEvents(bool add_to_current_category) {
  std::optional<std::string> path =
      Pick(PickKind::kOpenFile, kEventsOpenCaption, kEventsFilter, StartFolder());
  if (!path) return Status::Cancelled("no file chosen");
  std::optional<int> category;
  if (add_to_current_category) {
    category = CategoryId();
    if (!category) {
      ui_.ShowMessage("There is no current category to import into.", MessageKind::kError);
      return Status::NotFound("no current category");
    }
  }
  RunResult rows("rows", "could not be imported");
  Result<int> n = exchange::ImportEvents(data_.db(), *path, category, ui_, &rows);
  ReloadGrid();
  if (!n.ok()) {
    ui_.ShowMessage("Could not import events from " + *path + ":\n" + n.status().message() +
                        "\nNothing was imported.",
                    MessageKind::kError);
    return n.status();
  }
  if (!rows.ok()) ui_.ShowMessage(rows.Summary(), MessageKind::kWarning);
  return Status::Ok();
}

}  // namespace almanix::desktop
