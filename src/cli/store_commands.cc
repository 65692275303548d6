#include <algorithm>
#include <ostream>

#include "app/dir.h"
#include "app/text.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "store/db_engine.h"
#include "store/event_draft.h"
#include "store/event_queries.h"
#include "store/occurrence.h"

namespace almanix::cli {
namespace {

constexpr int kCategories = 30;

std::optional<int> Category(const Invocation& inv, std::ostream& err, bool required) {
  auto text = inv.Option("--category");
  if (!text) {
    if (required) err << "almanix: --category N is needed (1 to 30)\n";
    return std::nullopt;
  }
  auto n = ParseInt(*text);
  if (!n || *n < 1 || *n > kCategories) {
    err << "almanix: --category wants a number from 1 to 30, not " << *text << "\n";
    return std::nullopt;
  }
  return n;
}

// Fills the draft from the options; a usage problem on failure.
std::optional<std::string> BuildDraft(const Invocation& inv, int category,
                                      store::EventDraft* draft) {
  using store::RepeatKind;
  auto summary = inv.Option("--summary");
  if (!summary) return "--summary TEXT is needed";
  draft->summary = *summary;
  auto start_text = inv.Option("--start");
  if (!start_text) return "--start DATE[ TIME] is needed";
  auto start = ParseDateTime(*start_text);
  if (!start) return "--start wants YYYY-MM-DD or \"YYYY-MM-DD HH:MM\", not " + *start_text;
  draft->start = *start;
  draft->end = *start;
  if (auto end_text = inv.Option("--end")) {
    auto end = ParseDateTime(*end_text);
    if (!end) return "--end wants YYYY-MM-DD or \"YYYY-MM-DD HH:MM\", not " + *end_text;
    if (*end < *start) return "--end is before --start";
    draft->end = *end;
  }
  draft->all_day = inv.Flag("--allday");
  if (auto v = inv.Option("--description")) draft->description = *v;
  if (auto v = inv.Option("--location")) draft->location = *v;
  if (auto v = inv.Option("--url")) draft->url = *v;

  DayNumber start_day = DatePart(draft->start);
  // A multi-day event is a daily repetition that ends on its last day.
  if (DatePart(draft->end) > start_day && !inv.Option("--repeat")) {
    draft->repeat = RepeatKind::kDaily;
    draft->repeat_until = DatePart(draft->end);
  }
  if (auto repeat = inv.Option("--repeat")) {
    if (*repeat == "daily") {
      draft->repeat = RepeatKind::kDaily;
    } else if (*repeat == "weekly") {
      draft->repeat = RepeatKind::kWeekly;
    } else if (*repeat == "monthly") {
      draft->repeat = RepeatKind::kMonthly;
    } else if (*repeat == "yearly") {
      draft->repeat = RepeatKind::kYearly;
    } else {
      return "--repeat wants daily, weekly, monthly or yearly, not " + *repeat;
    }
  }
  if (auto every = inv.Option("--every")) {
    auto n = ParseInt(*every);
    if (!n || *n < 1 || *n > 50) return "--every wants a number from 1 to 50";
    draft->every = *n;
  }
  if (auto pattern = inv.Option("--pattern")) {
    if (*pattern == "weeks") {
      draft->pattern = store::WeeklyPattern::kWeeks;
    } else if (*pattern == "week-of-month") {
      draft->pattern = store::WeeklyPattern::kWeekOfMonth;
    } else if (*pattern == "week-of-month-absolute") {
      draft->pattern = store::WeeklyPattern::kWeekOfMonthAbsolute;
    } else {
      return "--pattern wants weeks, week-of-month or week-of-month-absolute";
    }
  }
  auto list = [&](const char* name, int low, int high,
                  std::vector<int>* out) -> std::optional<std::string> {
    if (auto text = inv.Option(name)) {
      auto numbers = ParseNumberList(*text, low, high);
      if (!numbers) {
        return std::string(name) + " wants numbers from " + std::to_string(low) + " to " +
               std::to_string(high) + " separated by commas";
      }
      *out = *numbers;
    }
    return std::nullopt;
  };
  if (auto e = list("--weekdays", 1, 7, &draft->weekdays)) return e;
  if (auto e = list("--monthdays", 1, 31, &draft->monthdays)) return e;
  if (auto e = list("--months", 1, 12, &draft->months)) return e;
  std::vector<int> others;
  if (auto e = list("--categories", 1, kCategories, &others)) return e;
  // Without a choice, a weekly event repeats on its own weekday and a
  // monthly one on its own day, as a person would expect.
  if (draft->repeat == RepeatKind::kWeekly && draft->weekdays.empty()) {
    draft->weekdays = {DayOfWeek(start_day)};
  }
  if (draft->repeat == RepeatKind::kMonthly && draft->monthdays.empty()) {
    draft->monthdays = {DecodeDate(start_day).day};
  }
  draft->categories = {category};
  for (int c : others) {
    if (std::find(draft->categories.begin(), draft->categories.end(), c) ==
        draft->categories.end()) {
      draft->categories.push_back(c);
    }
  }
  std::sort(draft->categories.begin(), draft->categories.end());
  if (auto until = inv.Option("--until")) {
    auto day = ParseDate(*until);
    if (!day) return "--until wants YYYY-MM-DD, not " + *until;
    draft->repeat_until = *day;
  }
  if (auto skip = inv.Option("--skip")) {
    for (const std::string& part : Split(*skip, ',')) {
      auto day = ParseDate(Trim(part));
      if (!day) return "--skip wants dates YYYY-MM-DD separated by commas";
      draft->skipped.push_back(*day);
    }
  }
  return std::nullopt;
}

int EventAdd(Session& s, const Invocation& inv, std::ostream& out, std::ostream& err) {
  auto category = Category(inv, err, true);
  if (!category) return kExitUsage;
  store::EventDraft draft;
  if (auto problem = BuildDraft(inv, *category, &draft)) return UsageError(err, *problem);
  store::Query& q = s.data.qEventsNew;
  if (Status st = q.Open(" Select * from Events "); !st.ok()) return Failed(err, st.message());
  for (const std::string& set : inv.All("--set")) {
    std::string column = set.substr(0, set.find('='));
    if (set.find('=') == std::string::npos || !q.HasField(column)) {
      return UsageError(err, "--set wants Column=Value with a column of the events table, not " + set);
    }
  }
  Result<std::string> id = store::AddEvent(q, draft, *category);
  if (!id.ok()) return Failed(err, id.status().message());
  if (!inv.All("--set").empty()) {
    store::Query row(s.data.db());
    if (Status st = row.Open(" Select * from events where id in (" + id.value() + ")");
        !st.ok() || row.IsEmpty()) {
      return Failed(err, st.message());
    }
    if (Status st = row.Edit(); !st.ok()) return Failed(err, st.message());
    for (const std::string& set : inv.All("--set")) {
      size_t eq = set.find('=');
      if (Status st = row.SetString(set.substr(0, eq), set.substr(eq + 1)); !st.ok()) {
        return Failed(err, st.message());
      }
    }
    if (Status st = row.Post(); !st.ok()) return Failed(err, st.message());
  }
  out << id.value() << "\n";
  return kExitOk;
}

struct Occurrence {
  DayNumber day;
  int minutes;  // -1 for all-day
  long long id;
  std::string summary;
};

int EventList(Session& s, const Invocation& inv, std::ostream& out, std::ostream& err) {
  std::optional<int> category;
  if (inv.Option("--category")) {
    category = Category(inv, err, true);
    if (!category) return kExitUsage;
  }
  auto from_text = inv.Option("--from"), to_text = inv.Option("--to");
  if (!from_text || !to_text) return UsageError(err, "event list needs --from DATE --to DATE");
  auto from = ParseDate(*from_text), to = ParseDate(*to_text);
  if (!from || !to) return UsageError(err, "--from and --to want YYYY-MM-DD");
  if (*to < *from) return UsageError(err, "--to is before --from");
  if (*to - *from > 366 * 20) return UsageError(err, "at most twenty years at a time");

  store::Query& q = s.data.qEvents;
  if (Status st = q.Open("Select * from events"); !st.ok()) return Failed(err, st.message());
  struct Row {
    store::ParsedEvent event;
    long long id;
    int minutes;
    std::string summary;
  };
  std::vector<Row> rows;
  for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
    int minutes = -1;
    if (q.AsString("Allday") != "T") {
      double value = q.AsFloat("sDateTime", -1);
      if (value >= 0) {
        CivilDateTime t = DecodeDateTime(value);
        minutes = t.hour * 60 + t.minute;
      } else {
        minutes = static_cast<int>(q.AsInteger("sTime") * 1440.0 / 1000000.0 + 0.5) % 1440;
      }
    }
    rows.push_back({store::ParsedEvent::Parse(store::ReadEventRow(q)),
                    ParseInt(q.AsString("ID")).value_or(0), minutes, q.AsString("Summary")});
  }
  std::vector<Occurrence> found;
  for (DayNumber day = *from; day <= *to; ++day) {
    store::DayKey key = store::DayKey::For(day);
    for (const Row& r : rows) {
      bool hit = false;
      if (category) {
        hit = r.event.OccursOn(key, *category);
      } else {
        for (int c = 1; c <= kCategories && !hit; ++c) hit = r.event.OccursOn(key, c);
      }
      if (hit) found.push_back({day, r.minutes, r.id, r.summary});
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
    if (a.day != b.day) return a.day < b.day;
    if (a.minutes != b.minutes) return a.minutes < b.minutes;
    return a.id < b.id;
  });
  for (const Occurrence& o : found) {
    char time[16] = "--:--";
    if (o.minutes >= 0) std::snprintf(time, sizeof time, "%02d:%02d", o.minutes / 60, o.minutes % 60);
    out << DateText(o.day) << '\t' << time << '\t' << o.id << '\t' << o.summary << '\n';
  }
  return kExitOk;
}

int EventDelete(Session& s, const Invocation& inv, std::ostream& err) {
  if (inv.words.size() != 3) return UsageError(err, "event delete needs one ID");
  auto id = ParseInt(inv.words[2]);
  if (!id || *id < 1) return UsageError(err, "an event ID is a number, not " + inv.words[2]);
  store::Query& q = s.data.qEventsWrite;
  std::string quoted = store::SqlQuote(std::to_string(*id));
  if (Status st = q.Open("Select * from Events where ID = " + quoted); !st.ok()) {
    return Failed(err, st.message());
  }
  if (q.IsEmpty()) return Failed(err, "no event with ID " + std::to_string(*id));
  if (Status st = q.ExecSql(" Delete from Events where ID =" + quoted); !st.ok()) {
    return Failed(err, st.message());
  }
  return kExitOk;
}

// Writes one column of the day row of date; ensures the year exists first.
int SetDayColumn(Session& s, DayNumber date, const std::string& column,
                 const std::string& text, std::ostream& err) {
  store::YearTables years = s.Years();
  if (!years.EnsureQuiet(date).ok()) return kExitFailed;
  CivilDate d = DecodeDate(date);
  store::Query& q = s.data.qYearWrite;
  Status st = q.Open("Select * from year" + std::to_string(d.year) + " where iMonth=" +
                     store::SqlQuote(std::to_string(d.month)) + " and iDay=" +
                     store::SqlQuote(std::to_string(d.day)));
  if (!st.ok()) return Failed(err, st.message());
  if (q.IsEmpty()) return Failed(err, "no day row for " + DateText(date));
  if (!q.HasField(column)) return Failed(err, "the year table has no column " + column);
  if (Status e = q.Edit(); !e.ok()) return Failed(err, e.message());
  if (Status e = q.SetString(column, text); !e.ok()) return Failed(err, e.message());
  if (Status e = q.Post(); !e.ok()) return Failed(err, e.message());
  return kExitOk;
}

int NoteSet(Session& s, const Invocation& inv, std::ostream& err) {
  auto category = Category(inv, err, true);
  if (!category) return kExitUsage;
  auto date_text = inv.Option("--date");
  auto date = date_text ? ParseDate(*date_text) : std::nullopt;
  if (!date) return UsageError(err, "note set needs --date YYYY-MM-DD");
  if (inv.words.size() != 3) return UsageError(err, "note set needs the note's TEXT");
  return SetDayColumn(s, *date, "Data" + std::to_string(*category), inv.words[2], err);
}

int HolidaySet(Session& s, const Invocation& inv, std::ostream& err) {
  auto date_text = inv.Option("--date");
  auto date = date_text ? ParseDate(*date_text) : std::nullopt;
  if (!date) return UsageError(err, "holiday set needs --date YYYY-MM-DD");
  if (inv.words.size() != 3) return UsageError(err, "holiday set needs the holiday's TEXT");
  return SetDayColumn(s, *date, s.app.config->Country, inv.words[2], err);
}

}  // namespace

int RunStoreCommand(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const std::string& command = inv.words[0];
  std::string sub = inv.words.size() > 1 ? inv.words[1] : "";
  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  int rc = kExitFailed;
  if (command == "event" && sub == "add") rc = EventAdd(session, inv, out, err);
  if (command == "event" && sub == "list") rc = EventList(session, inv, out, err);
  if (command == "event" && sub == "delete") rc = EventDelete(session, inv, err);
  if (command == "note") rc = NoteSet(session, inv, err);
  if (command == "holiday") rc = HolidaySet(session, inv, err);
  if (rc == kExitOk && sub != "list" && !session.SaveBack(err)) rc = kExitFailed;
  return rc;
}

}  // namespace almanix::cli
