#include <unistd.h>

#include <iostream>
#include <ctime>
#include <ostream>
#include <string>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "generator/generator.h"
#include "publish/destinations.h"
#include "publish/ftp_upload.h"
#include "publish/republish_schedule.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"

namespace almanix::cli {
namespace {

using publish::PublishEditor;

constexpr const char* kExtensions[] = {"html", "htm", "php", "asp", "pl"};

generator::GeneratorEnv GeneratorEnvOf(Session& session) {
  generator::GeneratorEnv env;
  env.db = &session.data.db();
  env.brand_short_url = session.app.brand.APP_URL_SHORT;
  env.program_version = ProgramVersion();
  env.now = session.now;
  return env;
}

int Generate(Session& session, const Invocation& inv, const std::string& name, bool publish,
             std::ostream& out, std::ostream& err) {
  TDir& dir = *session.app.dir;
  PublishEditor editor(dir, session.app.config->Country, session.app.log.get(), &session.ui,
                       session.Year());
  const std::string favorite = publish::FavoriteName(publish::CompletePageName(name));
  if (!DirectoryExists(WithTrailingSlash(dir.FavoritesDir) + favorite + "/")) {
    return Failed(err, "there is no favorite " + favorite);
  }
  if (!SetUpEditor(session, inv, name, &editor, err)) return kExitFailed;
  if (auto ext = inv.Option("--extension")) editor.window.cboExtension = *ext;

  if (publish) {
    Status s = PublishWithSavedSettings(session, inv, editor, err);
    if (inv.Flag("--scheduled")) {
      // Nobody watches a timer's run: its end goes to the log (where the
      // schedule's "last run" is read) and a failure to the marker the
      // desktop shows at its next start.
      const bool ok = s.ok() && session.ui.errors_shown() == 0;
      const std::string why = !s.ok() ? s.message() : (ok ? "" : session.ui.last_error());
      LogTo(session.app.log.get(), !ok, publish::ScheduledRunLogLine(favorite, ok, why));
      publish::ScheduledRunMarker marker(publish::ScheduledRunMarker::PathIn(dir.UserDataDir));
      if (Status m = marker.Record(favorite, ok, session.now, why); !m.ok()) {
        err << "almanix: " << m.message() << "\n";
      }
    }
    if (!s.ok()) return session.Fail(err, s.message());
    if (editor.settings.Text("Publish.Destination") == "Webserver") {
      out << publish::PublishedAddress(editor.settings) << "\n";
    } else {
      out << WithTrailingSlash(editor.settings.Text("Publish.DirName")) << "Calendar.html\n";
    }
    return session.ui.errors_shown() == 0 ? kExitOk : kExitFailed;
  }

  generator::Generator gen(editor, GeneratorEnvOf(session));
  editor.window.chkQuickPreview = false;
  const std::string build_dir = WithTrailingSlash(dir.BuildDir);
  // A run with a failed step names what failed and why, and prints no path.
  if (const RunResult run = gen.GenerateCalendar(build_dir, gen.MainPagePath(), ""); !run.ok()) {
    return Failed(err, run.Summary());
  }
  std::string main_page = gen.MainPagePath();
  if (auto target = inv.Option("--out")) {
    const std::string folder = WithTrailingSlash(AbsolutePath(*target));
    if (Status s = publish::CopyBuildFolder(build_dir, folder); !s.ok()) {
      return Failed(err, s.message());
    }
    main_page = folder + BaseName(main_page);
  }
  out << main_page << "\n";
  return session.ui.errors_shown() == 0 ? kExitOk : kExitFailed;
}

}  // namespace

Status PublishWithSavedSettings(Session& session, const Invocation& inv,
                                publish::PublishEditor& editor, std::ostream& err) {
  // The saved settings are published as they are; nothing is written back.
  editor.window.chkAutoUpdate = false;
  generator::Generator gen(editor, GeneratorEnvOf(session));
  publish::PublishOptions options;
  options.open_folder = false;
  options.ftp.create_default = inv.Flag("--create-remote") ? Answer::kOk : Answer::kCancel;
  options.ftp.on_log = [&err](const std::string& line) { err << line << "\n"; };
  const bool terminal = &err == &std::cerr && isatty(STDERR_FILENO);
  session.ui.set_progress(terminal || inv.progress, terminal);
  options.save_calendar_file = [&session](const std::string& path) {
    return session.files->SaveCalendarFile(path);
  };
  return publish::PublishNow(editor, gen, options);
}

int RunGenerateCommand(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const std::string& command = inv.words[0];
  if (inv.words.size() < 2 || inv.words[1].empty()) {
    return UsageError(err, command + " needs the favorite's NAME");
  }
  if (inv.words.size() > 2) return UsageError(err, command + " takes one NAME");
  const std::string& name = inv.words[1];
  if (name.find('/') != std::string::npos || name == "." || name == "..") {
    return UsageError(err, "a favorite's NAME is a plain name, not " + name);
  }
  if (auto ext = inv.Option("--extension")) {
    bool listed = false;
    for (const char* e : kExtensions) listed = listed || *ext == e;
    if (!listed) return UsageError(err, "--extension is one of html, htm, php, asp, pl");
  }
  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  return Generate(session, inv, name, command == "publish", out, err);
}

}  // namespace almanix::cli
