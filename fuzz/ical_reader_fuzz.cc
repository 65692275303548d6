// "Import iCal" on a file of any bytes: read by libical, mapped to the
// calendar's rules or expanded date by date, and written into a real events
// table.
#include "exchange/ical_import.h"
#include "fuzz_support.h"
#include "store/db_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  almanix::fuzz::Program& program = almanix::fuzz::TheProgram();
  const std::string path = program.root.Write("events.ics", data, size);
  (void)almanix::exchange::ImportIcsFile(program.data.db(), path, 3, program.ui,
                                         program.app.log.get());
  // The table must not grow from run to run.
  (void)program.data.db().Execute("Delete from Events");
  return 0;
}
