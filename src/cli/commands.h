#pragma once

#include <iosfwd>
#include <string>

#include "app/status.h"
#include "cli/invocation.h"

namespace almanix::cli {

// event add|list|delete, note set, holiday set.
int RunStoreCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// new, save FILE.cal, open FILE.cal, backup FILE.zip.
int RunFileCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// favorite create|set|show.
int RunFavoriteCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// generate NAME, publish NAME.
int RunGenerateCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// import-csv (and the other imports and exports).
int RunExchangeCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// The program's own command line: FILE.cal [FILE.csv] [-p].
int RunProgramLine(const Invocation& inv, std::ostream& out, std::ostream& err);
// export-ics --category N -o FILE.
int RunICalCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// schedule NAME daily|weekly|off, schedule --list.
int RunScheduleCommand(const Invocation& inv, std::ostream& out, std::ostream& err);

class Session;
}  // namespace almanix::cli
namespace almanix::publish {
class PublishEditor;
}
namespace almanix::cli {

// Starts the Format & Publish window's logic for the --year (default: this
// year) and the page name, loading the favorite when it exists. The year's
// tables are made when missing, as the main window has them before the
// window opens. False (with the reason on err) on failure.
bool SetUpEditor(Session& session, const Invocation& inv, const std::string& name,
                 publish::PublishEditor* editor, std::ostream& err);
// "Publish Now" with the favorite's saved settings (never written back): no
// folder opened, the upload's log on err, the create question answered by
// --create-remote, calendar.cal packed when the settings ask for it.
Status PublishWithSavedSettings(Session& session, const Invocation& inv,
                                publish::PublishEditor& editor, std::ostream& err);

}  // namespace almanix::cli
