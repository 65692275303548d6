#include <ostream>

#include "app/dir.h"
#include "app/file_util.h"
#include "cli/commands.h"
#include "cli/session.h"

namespace almanix::cli {

int RunFileCommand(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const std::string& command = inv.words[0];
  bool wants_file = command != "new";
  if (inv.words.size() != (wants_file ? 2u : 1u)) {
    return UsageError(err, wants_file ? command + " needs one FILE" : "new takes no FILE");
  }
  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  store::CalendarFile& files = *session.files;
  Status s;
  if (command == "new") {
    s = files.New();
  } else if (command == "save") {
    s = files.SaveCalendarFile(AbsolutePath(inv.words[1]));
  } else if (command == "open") {
    std::string path = AbsolutePath(inv.words[1]);
    if (!FileExists(path)) return Failed(err, "no calendar file " + path);
    s = files.File_Open(path);
    if (s.ok()) files.AddRecentCalendarFile(path);
  } else if (command == "backup") {
    s = files.Backup(AbsolutePath(inv.words[1]));
  }
  if (!s.ok()) return kExitFailed;
  IgnoreResult(session.app.config->Save(), "the recent lists only, as the desktop saves at exit");
  if (command == "save" || command == "backup") {
    out << AbsolutePath(inv.words[1]) << "\n";
  } else {
    out << session.app.dir->WorkDir << "\n";
  }
  return session.ui.errors_shown() == 0 ? kExitOk : kExitFailed;
}

}  // namespace almanix::cli
