#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "app/ui_seam.h"
#include "exchange/csv_import.h"

namespace almanix {
class App;
namespace store {
class TDB1;
}
}  // namespace almanix

namespace almanix::desktop {

// The seam an import runs through: questions, progress and pending work
// reach the person; the per-line error messages are kept for the summary
// instead of one message box per line.
class LineProblemSeam : public UiSeam {
 public:
  explicit LineProblemSeam(UiSeam& ui) : ui_(ui) {}

  void ShowMessage(std::string_view text, MessageKind kind) override;
  Answer Ask(std::string_view text, Buttons buttons, Answer default_answer) override;
  std::optional<int> Choose(std::string_view prompt, const std::vector<std::string>& choices,
                            int default_index) override {
    return ui_.Choose(prompt, choices, default_index);
  }
  void Progress(int done, int total) override { ui_.Progress(done, total); }
  void ProcessEvents() override { ui_.ProcessEvents(); }
  std::optional<std::string> PickPath(PickKind kind, std::string_view caption,
                                      std::string_view start) override {
    return ui_.PickPath(kind, caption, start);
  }
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view initial) override {
    return ui_.AskText(caption, prompt, initial);
  }

  // While on, error and warning messages are kept, not shown.
  void set_collecting(bool on) { collecting_ = on; }
  std::vector<std::string> TakeProblems();

 private:
  UiSeam& ui_;
  bool collecting_ = false;
  std::vector<std::string> problems_;
};

// A category the import can write into: its number (the row of the year's
// category table, which the grid and the events' Calendars use) and name.
struct CategoryChoice {
  int number = 0;
  std::string name;
};

// One line of the file as the window's table shows it: its number and its
// fields, each cut for a cell.
struct CsvSampleRow {
  int line = 0;
  std::vector<std::string> fields;
};

// What an import did, as the window reports it.
struct CsvImportReport {
  Status status;  // Ok, Cancelled, Invalid (a refused mapping) or the failure
  exchange::CsvImportResult counts;
  // The lines that were not imported, each with its cause, in file order.
  std::vector<std::string> problems;
  // The text shown when the import is over.
  std::string Text() const;
};

// The CSV mapping window without its widgets: the file's columns against
// the nine event values, the date and time formats, the duplicate policy,
// the first line and the category, the preselection and the checks before
// the import runs.
class CsvMapping {
 public:
  CsvMapping(App& app, store::TDB1& data, UiSeam& ui);

  // The labels of the nine values, in the window's order ("Event Name *" ...).
  static const std::vector<std::string>& FieldLabels();
  // At most this many characters of a sample value are shown in a choice.
  static constexpr size_t kSampleWidth = 40;

  // Loads the file and preselects its columns: the choices saved with the
  // file's last import, or, for a file imported for the first time whose
  // first line names its columns, the columns those names give (the import
  // then starts on line 2). NotFound or Invalid with the message to show
  // when the file cannot be used.
  Status Load(const std::string& path);
  // Opening the window: the file imported last, when it is still there.
  // Ok without a file when there is none to offer.
  Status LoadLast();
  const std::string& path() const { return path_; }
  // Whether a file is loaded: the window shows its fields only then.
  bool has_file() const { return !path_.empty(); }
  int line_count() const { return line_count_; }
  // Whether the columns were taken from the file's first line.
  bool guessed_from_header() const { return guessed_; }

  // "none" and one sample item per column of line StartLine.
  const std::vector<std::string>& ColumnItems() const { return items_; }
  exchange::CsvSettings& settings() { return form_.settings; }
  const exchange::CsvSettings& settings() const { return form_.settings; }
  // Changes the first line to import; the column items follow it, and a
  // column beyond the new line's columns falls back to "none".
  void SetStartLine(int line);

  // The visible categories of the year; `current` is the number selected
  // at first.
  void LoadCategories(int year, int current);
  const std::vector<CategoryChoice>& categories() const { return categories_; }
  int category_index() const { return category_index_; }
  void set_category_index(int index) { category_index_ = index; }

  // What the first line to import gives under the mapping, one line per
  // chosen value ("Start Date: 1/31/2008 = 2008-01-31"), so that a wrong
  // column or format shows before anything is written.
  std::vector<std::string> Preview() const;
  // The first `count` lines that hold something, from StartLine on, split
  // into their fields: the table the columns are chosen from.
  std::vector<CsvSampleRow> SampleRows(int count) const;
  // The file's text for the "Import File" page, at most max_lines lines of
  // it; the rest is counted on a last line.
  std::string FileText(int max_lines) const;
  // Why the import cannot start as chosen; nullopt when it can.
  std::optional<std::string> Problem() const;

  // Asked between lines; true cancels the import (nothing is kept).
  void set_cancel_check(std::function<bool()> check) { cancel_check_ = std::move(check); }
  // Runs the import into the chosen category and remembers the choices
  // with the file.
  CsvImportReport Run();

 private:
  void BuildItems();
  bool GuessFromHeader();

  App& app_;
  store::TDB1& data_;
  LineProblemSeam seam_;
  exchange::TfrmCSV form_;
  std::string path_;
  int line_count_ = 0;
  bool guessed_ = false;
  std::vector<std::string> items_;
  std::vector<CategoryChoice> categories_;
  int category_index_ = 0;
  std::function<bool()> cancel_check_;
};

}  // namespace almanix::desktop
