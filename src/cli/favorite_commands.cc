#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"

namespace almanix::cli {
namespace {

using publish::PublishEditor;

struct Assignment {
  int index;
  std::string value;
};

constexpr char kMasked[] = "********";

bool IsPassword(int index) {
  return publish::kSettingDefs[index].kind == publish::SettingKind::kPassword;
}

// One line of standard input, not echoed when a person types it.
std::optional<std::string> ReadSecretLine(const std::string& name, std::ostream& err) {
  const bool terminal = ::isatty(STDIN_FILENO) != 0;
  termios saved {};
  if (terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
    err << name << ": " << std::flush;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string line;
  const bool got = static_cast<bool>(std::getline(std::cin, line));
  if (terminal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    err << "\n";
  }
  if (!got && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The passwords of the assignments: "-" takes ALMANIX_PASSWORD, else a line
// of standard input; a literal password is refused, since every user of the
// machine can read a command line.
std::optional<std::string> ResolvePasswords(std::vector<Assignment>* assignments,
                                            std::ostream& err) {
  for (Assignment& a : *assignments) {
    if (!IsPassword(a.index) || a.value.empty()) continue;
    const std::string name = publish::kSettingDefs[a.index].Name();
    if (a.value != "-") {
      return name + " is not taken from the command line, where ps shows it: give " + name +
             "=- and type or pipe it on standard input, or set ALMANIX_PASSWORD and give " +
             name + "=-";
    }
    if (const char* env = std::getenv("ALMANIX_PASSWORD"); env != nullptr) {
      a.value = env;
      continue;
    }
    std::optional<std::string> line = ReadSecretLine(name, err);
    if (!line) return name + "=- found no line on standard input";
    a.value = *line;
  }
  return std::nullopt;
}

// "Section.Key=Value" for a key of conf.ini; a usage problem otherwise.
std::optional<std::string> ParseAssignment(const std::string& text, Assignment* out) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) return "a setting is written Section.Key=Value, not " + text;
  const std::string name = text.substr(0, eq);
  std::optional<int> index = publish::FindSetting(name);
  if (!index) return "unknown setting " + name;
  out->index = *index;
  out->value = text.substr(eq + 1);
  return std::nullopt;
}

// Sets the values; a ticked-category list also ticks the window's list,
// which is what the save writes. A usage problem when a value does not fit.
std::optional<std::string> Apply(const std::vector<Assignment>& assignments,
                                 PublishEditor& editor) {
  static const int kCalendars = *publish::SettingIndex("Contents.Calendars");
  for (const Assignment& a : assignments) {
    if (Status s = editor.settings.SetValueText(a.index, a.value); !s.ok()) return s.message();
    if (a.index != kCalendars) continue;
    publish::TickList& list = editor.window.chkCalendars;
    list.UntickAll();
    for (const std::string& part : Split(editor.settings.ValueText(a.index), ',')) {
      if (part.empty()) continue;
      if (!list.Tick(*ParseInt(part))) {
        return "Contents.Calendars: position " + part + " is not in the category list (" +
               std::to_string(list.size()) + " categories)";
      }
    }
  }
  return std::nullopt;
}

int Create(Session& session, const Invocation& inv, const std::string& name,
           const std::vector<Assignment>& assignments, std::ostream& out, std::ostream& err) {
  TDir& dir = *session.app.dir;
  PublishEditor editor(dir, session.app.config->Country, session.app.log.get(), &session.ui,
                       session.Year());
  const std::string folder =
      WithTrailingSlash(dir.FavoritesDir) + publish::FavoriteName(publish::CompletePageName(name)) + "/";
  if (DirectoryExists(folder)) return Failed(err, "the favorite " + name + " already exists");
  if (!SetUpEditor(session, inv, name, &editor, err)) return kExitFailed;
  if (auto text = inv.Option("--categories")) {
    auto numbers = ParseNumberList(*text, 1, 30);
    if (!numbers) return UsageError(err, "--categories wants category numbers separated by commas");
    publish::TickList& list = editor.window.chkCalendars;
    list.UntickAll();
    for (int n : *numbers) {
      if (!list.Tick(n - 1)) {
        return UsageError(err, "category " + std::to_string(n) + " is not in the category list (" +
                                   std::to_string(list.size()) + " categories)");
      }
    }
  }
  if (auto problem = Apply(assignments, editor)) return UsageError(err, *problem);
  if (!editor.Save(folder).ok()) return kExitFailed;
  out << folder << "\n";
  return kExitOk;
}

int Change(Session& session, const Invocation& inv, const std::string& name,
           const std::vector<Assignment>& assignments, bool show, std::ostream& out,
           std::ostream& err) {
  TDir& dir = *session.app.dir;
  PublishEditor editor(dir, session.app.config->Country, session.app.log.get(), &session.ui,
                       session.Year());
  const std::string favorite = publish::FavoriteName(publish::CompletePageName(name));
  const std::string folder = WithTrailingSlash(dir.FavoritesDir) + favorite + "/";
  if (!DirectoryExists(folder)) return Failed(err, "there is no favorite " + favorite);
  if (!SetUpEditor(session, inv, name, &editor, err)) return kExitFailed;
  if (show) {
    for (int i = 0; i < publish::kSettingCount; ++i) {
      std::string value = editor.settings.ValueText(i);
      if (IsPassword(i) && !value.empty()) value = kMasked;
      out << publish::kSettingDefs[i].Name() << "=" << value << "\n";
    }
    return kExitOk;
  }
  if (auto problem = Apply(assignments, editor)) return UsageError(err, *problem);
  return editor.Save(folder).ok() ? kExitOk : kExitFailed;
}

}  // namespace

bool SetUpEditor(Session& session, const Invocation& inv, const std::string& name,
                 PublishEditor* editor, std::ostream& err) {
  const int year = inv.year.value_or(session.Year());
  store::YearTables years = session.Years();
  if (!years.EnsureQuiet(EncodeDate(year, 1, 1)).ok()) {
    err << "almanix: the tables of " << year << " could not be made\n";
    return false;
  }
  Status s = editor->SetUp(session.data.db(), year, name, 1);
  if (!s.ok()) {
    err << "almanix: " << s.message() << "\n";
    return false;
  }
  return true;
}

int RunFavoriteCommand(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const std::string sub = inv.words.size() > 1 ? inv.words[1] : "";
  if (inv.words.size() < 3 || inv.words[2].empty()) {
    return UsageError(err, "favorite " + sub + " needs the favorite's NAME");
  }
  const std::string& name = inv.words[2];
  if (name.find('/') != std::string::npos || name == "." || name == "..") {
    return UsageError(err, "a favorite's NAME is a plain name, not " + name);
  }

  std::vector<std::string> texts;
  if (sub == "create") {
    if (inv.words.size() > 3) return UsageError(err, "favorite create takes --set Section.Key=Value");
    texts = inv.All("--set");
  } else if (sub == "set") {
    texts.assign(inv.words.begin() + 3, inv.words.end());
    if (texts.empty()) return UsageError(err, "favorite set needs Section.Key=Value");
  } else if (inv.words.size() > 3) {
    return UsageError(err, "favorite show takes only the NAME");
  }
  std::vector<Assignment> assignments;
  for (const std::string& text : texts) {
    Assignment a;
    if (auto problem = ParseAssignment(text, &a)) return UsageError(err, *problem);
    assignments.push_back(std::move(a));
  }
  if (auto problem = ResolvePasswords(&assignments, err)) return UsageError(err, *problem);

  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  int rc = sub == "create" ? Create(session, inv, name, assignments, out, err)
                           : Change(session, inv, name, assignments, sub == "show", out, err);
  if (rc == kExitOk && sub != "show" && !session.SaveBack(err)) rc = kExitFailed;
  return rc;
}

}  // namespace almanix::cli
