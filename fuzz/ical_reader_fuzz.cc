// "Import iCal" on a file of any bytes: read by libical, mapped to the
// calendar's rules or expanded date by date, and written into a real events
// table.
#include "exchange/ical_import.h"
#include "fuzz_support.h"
#include "store/db_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  almanix::fuzz::Program& program = almanix::fuzz::TheProgram();
  const std::string path = program.root.Write("events.ics", data, size);
  almanix::IgnoreResult(almanix::exchange::ImportIcsFile(program.data.db(), path, 3, program.ui(),
                                                        program.app.log.get())
                            .status(),
                        "a refused file is a result; only a crash is a finding");
  // The table must not grow from run to run.
  almanix::IgnoreResult(program.data.db().Execute("Delete from Events"),
                        "a table left full only slows the next run");
  return 0;
}
