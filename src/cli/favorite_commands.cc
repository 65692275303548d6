#include <ctime>
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
#include "publish/publish_editor.h"
#include "publish/publish_settings.h"

namespace almanix::cli {
namespace {

using publish::PublishEditor;

constexpr char kFavoriteUsage[] =
    "usage: almanix-cli [--year Y] favorite create NAME [--categories 1,3] "
    "[--set Section.Key=Value]...\n"
    "       almanix-cli [--year Y] favorite set NAME Section.Key=Value...\n"
    "       almanix-cli [--year Y] favorite show NAME\n"
    "\n"
    "NAME is the favorite or its page name (Sports or Sports.html). Settings are\n"
    "named as conf.ini names them (Publish.StartMonth, Formatting.TimeFormat, ...);\n"
    "favorite show lists them all. --categories takes category numbers of the\n"
    "year's category list; without it, category 1 is shown.\n";

struct Assignment {
  int index;
  std::string value;
};

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
      out << publish::kSettingDefs[i].Name() << "=" << editor.settings.ValueText(i) << "\n";
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
  if (inv.help) {
    out << kFavoriteUsage;
    return kExitOk;
  }
  if (sub != "create" && sub != "set" && sub != "show") {
    return UsageError(err, "unknown command favorite " + sub);
  }
  if (inv.words.size() < 3 || inv.words[2].empty()) {
    return UsageError(err, "favorite " + sub + " needs the favorite's NAME");
  }
  const std::string& name = inv.words[2];
  if (name.find('/') != std::string::npos || name == "." || name == "..") {
    return UsageError(err, "a favorite's NAME is a plain name, not " + name);
  }
  if (!inv.flags.empty()) {
    return UsageError(err, "favorite " + sub + " does not know " + inv.flags[0]);
  }
  for (const auto& [option, value] : inv.options) {
    const bool known = sub == "create" && (option == "--categories" || option == "--set");
    if (!known) return UsageError(err, "favorite " + sub + " does not know " + option);
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

  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  int rc = sub == "create" ? Create(session, inv, name, assignments, out, err)
                           : Change(session, inv, name, assignments, sub == "show", out, err);
  if (rc == kExitOk && sub != "show" && !session.SaveBack(err)) rc = kExitFailed;
  return rc;
}

}  // namespace almanix::cli
