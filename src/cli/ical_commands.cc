#include <ctime>
#include <ostream>

#include "app/dates.h"
#include "app/text.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "generator/ical.h"
#include "store/db_engine.h"

namespace almanix::cli {
namespace {

// The category's name in the year's category table; empty when it has none.
std::string CategoryName(store::Database& db, int year, int category) {
  store::Query q(db);
  if (!q.Open("Select * from calendar" + std::to_string(year) +
              " where ID = " + store::SqlQuote(std::to_string(category)))
           .ok() ||
      q.IsEmpty()) {
    return "";
  }
  return q.AsString("Name");
}

}  // namespace

int RunICalCommand(const Invocation& inv, std::ostream& out, std::ostream& err) {
  if (inv.words.size() != 1) return UsageError(err, "export-ics takes no argument " + inv.words[1]);
  const std::optional<std::string> category_text = inv.Option("--category");
  const std::optional<int> category = category_text ? ParseInt(*category_text) : std::nullopt;
  if (!category || *category < 1 || *category > 30) {
    return UsageError(err, "export-ics needs --category N (1 to 30)");
  }
  const std::optional<std::string> file = inv.Option("-o");
  if (!file || file->empty()) return UsageError(err, "export-ics needs -o FILE");

  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  const std::time_t now = session.now;
  const int year = inv.year.value_or(DecodeDate(DatePart(FromTimeT(now))).year);
  if (!session.Years().EnsureQuiet(EncodeDate(year, 1, 1)).ok()) return kExitFailed;
  const std::string name = CategoryName(session.data.db(), year, *category);
  if (name.empty()) {
    return Failed(err, "no category " + std::to_string(*category) + " in " + std::to_string(year));
  }
  const std::string path = AbsolutePath(*file);
  Result<std::string> done = generator::ExportCategoryICal(
      session.data.db(), *category, name, year, path, session.app.brand, &session.ui, now);
  if (!done.ok()) return Failed(err, done.status().message());
  out << path << "\n";
  return kExitOk;
}

}  // namespace almanix::cli
