// "Import From CSV" on a file of any bytes, into a real events table. The
// columns are fixed (name, start date, start time, end date, end time,
// description, location, URL, URL name); the formats and the duplicate
// policy follow the input's length so that every choice is reached.
#include <cstdio>
#include <cstdlib>

#include "app/config.h"
#include "app/dir.h"
#include "exchange/csv_import.h"
#include "fuzz_support.h"
#include "store/db_engine.h"

using almanix::exchange::CsvDateFormat;
using almanix::exchange::CsvDuplicates;
using almanix::exchange::CsvField;
using almanix::exchange::CsvTimeFormat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  almanix::fuzz::Program& program = almanix::fuzz::TheProgram();
  const std::string path = program.root.Write("events.csv", data, size);
  almanix::exchange::TfrmCSV form(*program.app.dir, *program.app.config, program.data.db(),
                                  program.ui(), program.app.log.get());
  // Each run starts without the choices the previous one saved.
  std::remove(form.SettingsPath(path).c_str());
  if (!form.LoadFile(path).ok()) return 0;

  const CsvField order[] = {CsvField::kEventName,        CsvField::kStartDate,
                            CsvField::kStartTime,        CsvField::kEndDate,
                            CsvField::kEndTime,          CsvField::kEventDescription,
                            CsvField::kEventLocation,    CsvField::kURL,
                            CsvField::kURLName};
  int column = 0;
  for (CsvField field : order) form.settings.column(field) = ++column;
  form.settings.date_format =
      size % 2 ? CsvDateFormat::kDayMonthYear : CsvDateFormat::kMonthDayYear;
  form.settings.time_format = size / 2 % 2 ? CsvTimeFormat::kTwentyFour : CsvTimeFormat::kAmPm;
  form.settings.duplicates = static_cast<CsvDuplicates>(size / 4 % 3);
  form.target_category = 2;
  almanix::Result<almanix::exchange::CsvImportResult> result = form.Import(path, /*quiet=*/true);

  // Without replacing, every row counted as imported is a new row.
  if (result.ok() && form.settings.duplicates != CsvDuplicates::kReplace) {
    almanix::store::Query rows(program.data.db());
    if (rows.Open("Select ID from Events").ok() &&
        rows.RecordCount() != result.value().imported) {
      std::fprintf(stderr, "csv_reader_fuzz: %d rows imported, %d in the table\n",
                   result.value().imported, rows.RecordCount());
      std::abort();
    }
  }

  // The table must not grow from run to run.
  almanix::IgnoreResult(program.data.db().Execute("Delete from Events"),
                        "a table left full only slows the next run");
  return 0;
}
