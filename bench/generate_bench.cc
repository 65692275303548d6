// Times whole generation runs, each beside copying the same output with
// cp -r into a fresh folder, so the figures say how far the generator is from
// what writing its bytes costs at all.
//
//   generate_bench prepare CASE --root DIR [--workload DIR]
//   generate_bench run CASE --root DIR [--sample FILE] [--runs N] [--budget SECONDS]
//
// Cases:
//   a  the sample calendar resources/samples/club.cal, favorite Club, 2025
//   b  the twelve months of 2025, categories 1-3 merged, N=2,000 events
//   c  the same with N=20,000
//   d  2025-2029, thirty categories written one by one, N=20,000
//
// "prepare" makes a fresh program root: the events of the shared workload's
// events.json (WORKLOAD/n2000 or WORKLOAD/n20000) written into the Events
// table, the year tables of the range with 30 categories, and the favorite
// "Bench". Case a needs no preparation beyond an empty root. "run" starts the
// program on the root as almanix-cli does (case a opens the sample file as
// --calendar does), makes one warm-up run and then the timed ones, each
// followed by cp -r of the build folder. Each case runs in its own process so
// that the peak memory it prints belongs to starting the program and
// generating, not to loading the workload.
//
// The last line is machine readable (RESULT key=value ...) for
// bench/generate_bench.sh.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "cli/invocation.h"
#include "cli/session.h"
#include "generator/generator.h"
#include "settings/publish_editor.h"
#include "store/db_engine.h"
#include "store/year_tables.h"

extern char** environ;

namespace {

using namespace almanix;
namespace fs = std::filesystem;

constexpr char kFavorite[] = "Bench";
constexpr int kCategoryCount = 30;

struct Case {
  char name;
  const char* what;
  const char* workload;  // subfolder of the workload folder; null for the sample
  int first_year, last_year;
  bool merged;
  int ticked;  // categories 1..ticked
};

constexpr Case kCases[] = {
    {'a', "sample club.cal, favorite Club", nullptr, 2025, 2025, true, 0},
    {'b', "2025, 3 categories merged, N=2,000", "n2000", 2025, 2025, true, 3},
    {'c', "2025, 3 categories merged, N=20,000", "n20000", 2025, 2025, true, 3},
    {'d', "2025-2029, 30 categories one by one, N=20,000", "n20000", 2025, 2029, false, 30},
};

const Case* FindCase(std::string_view name) {
  for (const Case& c : kCases) {
    if (name.size() == 1 && name[0] == c.name) return &c;
  }
  return nullptr;
}

[[noreturn]] void Die(const std::string& why) {
  std::cerr << "generate_bench: " << why << "\n";
  std::exit(1);
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---- events.json ----

// Just enough JSON for the workload file: values keep their text, numbers
// as written.
struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json* Find(std::string_view key) const {
    for (const auto& [k, v] : members) {
      if (k == key) return &v;
    }
    return nullptr;
  }
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  void Expect(char c) {
    if (!Consume(c)) Fail(std::string("expected '") + c + "'");
  }
  bool Consume(char c) {
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool AtEnd() {
    SkipSpace();
    return pos_ == text_.size();
  }

  std::string String() {
    SkipSpace();
    if (pos_ >= text_.size() || text_[pos_] != '"') Fail("expected a string");
    ++pos_;
    std::string out;
    while (true) {
      if (pos_ >= text_.size()) Fail("unterminated string");
      const char c = text_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) Fail("unterminated escape");
      const char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00) {
            if (text_.substr(pos_, 2) != "\\u") Fail("lone surrogate");
            pos_ += 2;
            const std::uint32_t low = Hex4();
            if (low < 0xDC00 || low >= 0xE000) Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(cp, &out);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }

  Json Value() {
    SkipSpace();
    if (pos_ >= text_.size()) Fail("unexpected end");
    Json v;
    const char c = text_[pos_];
    if (c == '{') {
      v.kind = Json::Kind::kObject;
      ++pos_;
      if (Consume('}')) return v;
      do {
        std::string key = String();
        Expect(':');
        v.members.emplace_back(std::move(key), Value());
      } while (Consume(','));
      Expect('}');
    } else if (c == '[') {
      v.kind = Json::Kind::kArray;
      ++pos_;
      if (Consume(']')) return v;
      do {
        v.items.push_back(Value());
      } while (Consume(','));
      Expect(']');
    } else if (c == '"') {
      v.kind = Json::Kind::kString;
      v.text = String();
    } else if (Word("true")) {
      v.kind = Json::Kind::kBool;
      v.text = "true";
    } else if (Word("false")) {
      v.kind = Json::Kind::kBool;
      v.text = "false";
    } else if (Word("null")) {
      v.kind = Json::Kind::kNull;
    } else {
      const size_t start = pos_;
      while (pos_ < text_.size() && std::string_view("+-.eE0123456789").find(text_[pos_]) !=
                                        std::string_view::npos) {
        ++pos_;
      }
      if (pos_ == start) Fail("unexpected character");
      v.kind = Json::Kind::kNumber;
      v.text = std::string(text_.substr(start, pos_ - start));
    }
    return v;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("events.json at byte " + std::to_string(pos_) + ": " + what);
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' ||
            text_[pos_] == '\t')) {
      ++pos_;
    }
  }
  bool Word(std::string_view w) {
    if (text_.substr(pos_, w.size()) != w) return false;
    pos_ += w.size();
    return true;
  }
  std::uint32_t Hex4() {
    if (pos_ + 4 > text_.size()) Fail("short \\u escape");
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[pos_++];
      v <<= 4;
      if (h >= '0' && h <= '9') {
        v |= static_cast<std::uint32_t>(h - '0');
      } else if (h >= 'a' && h <= 'f') {
        v |= static_cast<std::uint32_t>(h - 'a' + 10);
      } else if (h >= 'A' && h <= 'F') {
        v |= static_cast<std::uint32_t>(h - 'A' + 10);
      } else {
        Fail("bad \\u escape");
      }
    }
    return v;
  }
  static void AppendUtf8(std::uint32_t cp, std::string* out) {
    if (cp < 0x80) {
      *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      *out += static_cast<char>(0xC0 | (cp >> 6));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *out += static_cast<char>(0xE0 | (cp >> 12));
      *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (cp >> 18));
      *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

bool IsColumnName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

struct Workload {
  int events = 0;
  std::vector<std::string> category_names;  // by category number, from 1
};

// Writes every event's "row" into the Events table as it stands, one
// transaction for all. The events are read one at a time so that the file,
// not a tree of it, is what sits in memory.
Workload LoadEvents(store::Database& db, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Die("no workload file " + path);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();

  Workload w;
  std::optional<int> declared;
  std::string columns_key, insert_sql;
  int expected_id = 1;
  store::Transaction tx(db);
  if (!tx.status().ok()) Die("begin: " + tx.status().message());

  auto insert = [&](const Json& event) {
    const Json* id = event.Find("id");
    const Json* row = event.Find("row");
    if (!row || row->kind != Json::Kind::kObject) Die("an event without its row");
    // The table numbers rows from 1 in insertion order; the workload's ids
    // must agree so that occurrences.tsv names the same events.
    if (!id || id->text != std::to_string(expected_id)) Die("event ids are not 1, 2, 3, ...");
    ++expected_id;
    std::string key;
    std::vector<std::optional<std::string>> values;
    for (const auto& [name, value] : row->members) {
      if (EqualsIgnoreCase(name, "ID")) continue;  // the table's own row number
      if (!IsColumnName(name)) Die("odd column name " + name);
      key += name;
      key += ',';
      switch (value.kind) {
        case Json::Kind::kString:
        case Json::Kind::kNumber:
          values.emplace_back(value.text);
          break;
        case Json::Kind::kNull:
          values.emplace_back(std::nullopt);
          break;
        default:
          Die("column " + name + " is neither text nor null");
      }
    }
    if (key != columns_key) {
      columns_key = key;
      std::string names, marks;
      for (const auto& [name, value] : row->members) {
        if (EqualsIgnoreCase(name, "ID")) continue;
        if (!names.empty()) {
          names += ", ";
          marks += ", ";
        }
        names += name;
        marks += "?";
      }
      insert_sql = "INSERT INTO Events (" + names + ") VALUES (" + marks + ")";
    }
    if (Status s = db.ExecuteWith(insert_sql, values); !s.ok()) Die("insert: " + s.message());
    ++w.events;
  };

  try {
    JsonReader r(text);
    r.Expect('{');
    if (!r.Consume('}')) {
      do {
        const std::string key = r.String();
        r.Expect(':');
        if (key == "events") {
          r.Expect('[');
          if (!r.Consume(']')) {
            do {
              insert(r.Value());
            } while (r.Consume(','));
            r.Expect(']');
          }
          continue;
        }
        const Json v = r.Value();
        if (key == "format" && v.text != "almanix-bench-workload") {
          Die(path + " is not a benchmark workload");
        }
        if (key == "n") declared = std::atoi(v.text.c_str());
        if (key == "categories") {
          for (const Json& c : v.items) {
            const Json* n = c.Find("id");
            const Json* name = c.Find("name");
            if (!n || !name) continue;
            const size_t index = static_cast<size_t>(std::atoi(n->text.c_str()));
            if (index < 1 || index > kCategoryCount) continue;
            if (w.category_names.size() < index) w.category_names.resize(index);
            w.category_names[index - 1] = name->text;
          }
        }
      } while (r.Consume(','));
      r.Expect('}');
    }
    if (!r.AtEnd()) r.Fail("text after the end");
  } catch (const std::exception& e) {
    Die(e.what());
  }
  if (declared && *declared != w.events) {
    Die(path + " declares " + std::to_string(*declared) + " events but holds " +
        std::to_string(w.events));
  }
  if (Status s = tx.Commit(); !s.ok()) Die("commit: " + s.message());
  return w;
}

// ---- the program ----

struct Options {
  const Case* c = nullptr;
  std::string root, workload = "/tmp/almanix-workload", sample;
  int runs = 3;
  double budget = 120;
};

// Keeps everything the program writes under the root, as the tests do.
void UseRoot(const std::string& root) {
  fs::create_directories(root);
  setenv("ALMANIX_ROOT", root.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root + "/xdg-config").c_str(), 1);
  setenv("XDG_DATA_HOME", (root + "/xdg-data").c_str(), 1);
}

void Start(cli::Session& session, const Options& o, const std::ostringstream& messages) {
  cli::Invocation inv;
  inv.root = o.root;
  if (o.c->name == 'a') inv.calendar = o.sample;
  std::ostringstream err;
  if (!session.Start(inv, err)) Die("the program did not start: " + err.str() + messages.str());
}

int CountRows(store::Database& db, const std::string& table) {
  store::Query q(db);
  if (!q.Open("Select * from " + table).ok()) return -1;
  return q.RecordCount();
}

int Prepare(const Options& o) {
  if (fs::exists(o.root) && !fs::is_empty(o.root)) Die(o.root + " is not empty; give a fresh root");
  UseRoot(o.root);
  if (o.c->name == 'a') {
    std::cout << "case a needs no preparation: the run opens " << o.sample << "\n";
    return 0;
  }
  std::ostringstream messages;
  cli::Session session(messages);
  Start(session, o, messages);
  store::Database& db = session.data.db();
  if (CountRows(db, "Events") != 0) Die("the new root's Events table is not empty");

  const std::string path = o.workload + "/" + o.c->workload + "/events.json";
  const double load_start = Now();
  const Workload w = LoadEvents(db, path);
  const double load_seconds = Now() - load_start;

  // A year's categories are the rows of its Calendar table, filled from
  // Application.CalendarList (its first 30 names) when the year's tables are
  // made: the list is set before the years are made. The workload names the
  // first three; the rest get plain names, so that all 30 can be ticked.
  std::vector<std::string> names = w.category_names;
  names.resize(kCategoryCount);
  for (int i = 0; i < kCategoryCount; ++i) {
    if (names[i].empty()) names[i] = "Category " + std::to_string(i + 1);
  }
  session.app.config->CalendarList = names;
  if (Status s = session.app.config->Save(); !s.ok()) Die("config: " + s.message());
  store::YearTables years = session.Years();
  for (int y = o.c->first_year; y <= o.c->last_year; ++y) {
    if (years.Exists(y)) Die("the year tables of " + std::to_string(y) + " already exist");
    if (!years.EnsureQuiet(EncodeDate(y, 1, 1)).ok()) Die("no tables for " + std::to_string(y));
    const int listed = CountRows(db, "Calendar" + std::to_string(y));
    if (listed != kCategoryCount) {
      Die("Calendar" + std::to_string(y) + " lists " + std::to_string(listed) + " categories");
    }
  }

  TDir& dir = *session.app.dir;
  publish::PublishEditor editor(dir, session.app.config->Country, session.app.log.get(),
                                &session.ui);
  if (Status s = editor.SetUp(db, o.c->first_year, kFavorite, 1); !s.ok()) {
    Die("favorite: " + s.message());
  }
  publish::PublishSettings& s = editor.settings;
  s.SetInt("Publish.StartYear", o.c->first_year);
  s.SetInt("Publish.EndYear", o.c->last_year);
  s.SetInt("Publish.StartMonth", 0);
  s.SetInt("Publish.EndMonth", 11);
  s.SetBool("Contents.CategoryMerge", o.c->merged);
  editor.window.Category_WriteIndividual = !o.c->merged;
  publish::TickList& list = editor.window.chkCalendars;
  list.UntickAll();
  for (int c = 1; c <= o.c->ticked; ++c) {
    if (!list.Tick(c - 1)) Die("category " + std::to_string(c) + " is not listed");
  }
  if (Status st = editor.Save(); !st.ok()) Die("favorite save: " + st.message());

  std::printf("prepared case %c in %s: %d events from %s in %.3f s (one transaction), "
              "years %d-%d with %d categories, favorite %s\n",
              o.c->name, o.root.c_str(), w.events, path.c_str(), load_seconds,
              o.c->first_year, o.c->last_year, kCategoryCount, kFavorite);
  return 0;
}

// User plus system seconds of this process so far: the part of a run's time
// spent computing rather than waiting for the disk.
double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// The process's peak resident size so far, in KiB.
long PeakKib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

struct Tree {
  long files = 0;
  long long bytes = 0;
};

Tree Measure(const std::string& folder) {
  Tree t;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    ++t.files;
    t.bytes += static_cast<long long>(e.file_size());
  }
  return t;
}

void EmptyFolder(const std::string& folder) {
  for (const auto& e : fs::directory_iterator(folder)) fs::remove_all(e.path());
}

// cp -r of the build folder into a folder that does not exist yet, timed
// from the spawn to the end of cp.
double CopySeconds(const std::string& from, const std::string& to) {
  fs::remove_all(to);
  std::string source = from;
  while (source.size() > 1 && source.back() == '/') source.pop_back();
  std::vector<std::string> args = {"cp", "-r", source, to};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const double start = Now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "cp", nullptr, nullptr, argv.data(), environ) != 0) Die("cannot run cp");
  int status = 0;
  if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("cp -r failed");
  }
  return Now() - start;
}

int Run(const Options& o) {
  if (!fs::exists(o.root)) Die("no root " + o.root + "; run prepare first");
  UseRoot(o.root);
  std::ostringstream messages;
  cli::Session session(messages);
  Start(session, o, messages);
  store::Database& db = session.data.db();
  TDir& dir = *session.app.dir;
  const std::string favorite = o.c->name == 'a' ? "Club" : kFavorite;
  // As almanix-cli --year Y generate NAME sets up its window.
  if (!session.Years().EnsureQuiet(EncodeDate(o.c->first_year, 1, 1)).ok()) {
    Die("no tables for " + std::to_string(o.c->first_year));
  }
  const std::string build = WithTrailingSlash(dir.BuildDir);
  const std::string copy = WithTrailingSlash(o.root) + "copy-of-build";
  const long started_kib = PeakKib();

  generator::GeneratorEnv env;
  env.db = &db;
  env.brand_short_url = session.app.brand.APP_URL_SHORT;
  env.program_version = ProgramVersion();
  env.now = std::time(nullptr);

  std::vector<double> gen_times, cpu_times, copy_times;
  int runs = o.runs;
  int categories = 0;
  for (int i = 0; i <= runs; ++i) {
    publish::PublishEditor editor(dir, session.app.config->Country, session.app.log.get(),
                                  &session.ui);
    if (Status s = editor.SetUp(db, o.c->first_year, favorite, 1); !s.ok()) {
      Die("favorite " + favorite + ": " + s.message());
    }
    editor.window.chkAutoUpdate = false;
    editor.window.chkQuickPreview = false;
    categories = static_cast<int>(editor.window.TickedCategoryNumbers().size());
    generator::Generator gen(editor, env);
    fs::create_directories(build);
    EmptyFolder(build);
    const int errors_before = session.ui.errors_shown();

    const double start = Now(), cpu_start = CpuSeconds();
    const RunResult run = gen.GenerateCalendar(build, gen.MainPagePath(), "");
    const double seconds = Now() - start, cpu = CpuSeconds() - cpu_start;
    if (!run.ok()) Die("run: " + run.Summary() + "\n" + messages.str());
    if (session.ui.errors_shown() != errors_before) {
      std::cerr << "generate_bench: the run showed errors:\n" << messages.str();
    }
    const double copied = CopySeconds(build, copy);
    std::printf("  %-8s generation %8.3f s (cpu %7.3f s)   cp -r %7.3f s\n",
                i == 0 ? "warm-up" : "run", seconds, cpu, copied);
    std::fflush(stdout);
    if (i == 0) {
      // A slow case gets fewer timed runs rather than an endless wait.
      if (seconds * runs > o.budget) runs = std::max(1, static_cast<int>(o.budget / seconds));
      continue;
    }
    gen_times.push_back(seconds);
    cpu_times.push_back(cpu);
    copy_times.push_back(copied);
  }

  const Tree out = Measure(build);
  const Tree copied = Measure(copy);
  if (copied.files != out.files || copied.bytes != out.bytes) {
    Die("the copy differs from the build folder");
  }
  fs::remove_all(copy);
  const double gen = Median(gen_times), cpu = Median(cpu_times), cp = Median(copy_times);
  const long peak = PeakKib();
  std::printf("case %c (%s): %d categories ticked, median of %zu runs\n", o.c->name, o.c->what,
              categories, gen_times.size());
  std::printf("  generation %.3f s (cpu %.3f s), cp -r %.3f s, ratio %.1f, %ld files, "
              "%lld bytes\n",
              gen, cpu, cp, cp > 0 ? gen / cp : 0.0, out.files, out.bytes);
  std::printf("  peak RSS %.1f MiB (%.1f MiB after start-up, before the first run)\n",
              peak / 1024.0, started_kib / 1024.0);
  std::printf("RESULT case=%c runs=%zu gen_s=%.4f cpu_s=%.4f copy_s=%.4f ratio=%.2f files=%ld "
              "bytes=%lld peak_kib=%ld start_kib=%ld categories=%d\n",
              o.c->name, gen_times.size(), gen, cpu, cp, cp > 0 ? gen / cp : 0.0, out.files,
              out.bytes, peak, started_kib, categories);
  return 0;
}

constexpr char kUsage[] =
    "usage: generate_bench prepare CASE --root DIR [--workload DIR]\n"
    "       generate_bench run CASE --root DIR [--sample FILE] [--runs N] [--budget SECONDS]\n"
    "CASE is a, b, c or d; --workload holds n2000/ and n20000/ (default\n"
    "/tmp/almanix-workload); --sample is club.cal for case a.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  Options o;
  o.c = FindCase(argv[2]);
  o.sample = std::string(ALMANIX_SOURCE_DIR) + "/resources/samples/club.cal";
  if (!o.c || (command != "prepare" && command != "run")) {
    std::cerr << kUsage;
    return 2;
  }
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) {
      std::cerr << kUsage;
      return 2;
    }
    const std::string v = argv[++i];
    if (a == "--root") {
      o.root = fs::absolute(v).lexically_normal().string();
    } else if (a == "--workload") {
      o.workload = v;
    } else if (a == "--sample") {
      o.sample = fs::absolute(v).string();
    } else if (a == "--runs") {
      o.runs = std::max(1, std::atoi(v.c_str()));
    } else if (a == "--budget") {
      o.budget = std::atof(v.c_str());
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  while (o.root.size() > 1 && o.root.back() == '/') o.root.pop_back();
  if (o.root.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  return command == "prepare" ? Prepare(o) : Run(o);
}
