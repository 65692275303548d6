// Times the main window's grid on a category of 20,000 events: LoadGrid
// plus Panel_LoadEvets for a month (the month view) and for a 7-day view,
// as stepping with the arrow keys runs them. The events are spread over
// 2025-2026 with the workload's mix of one-day and repeating events, all in
// category 1, written once into a fresh root before the timing.
//
//   grid_bench [google benchmark flags]

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/startup.h"
#include "app/ui_seam.h"
#include "desktop/main_grid.h"
#include "store/db.h"
#include "store/event_draft.h"
#include "store/store_startup.h"

namespace {

using namespace almanix;

constexpr int kEvents = 20000;

// The interface seam of a window nobody looks at.
class SilentUi : public UiSeam {
 public:
  void ShowMessage(std::string_view text, MessageKind) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  Answer Ask(std::string_view, Buttons, Answer default_answer) override {
    return default_answer;
  }
  std::optional<int> Choose(std::string_view, const std::vector<std::string>&,
                            int default_index) override {
    return default_index;
  }
  void Progress(int, int) override {}
  void ProcessEvents() override {}
  std::optional<std::string> PickPath(PickKind, std::string_view, std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> AskText(std::string_view, std::string_view,
                                     std::string_view) override {
    return std::nullopt;
  }
};

// The same mix as the workload the other tools are measured with: 60 %
// one-day, 15 % weekly, 10 % monthly, 10 % yearly, 5 % daily.
store::EventDraft RandomDraft(std::mt19937& random, int n) {
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  store::EventDraft d;
  const DayNumber start = pick(EncodeDate(2025, 1, 1), EncodeDate(2026, 12, 31));
  d.start = d.end = start + pick(28, 80) / 96.0;
  d.end += 1 / 24.0;
  d.summary = "Event " + std::to_string(n);
  d.categories = {1};
  const int kind = pick(1, 100);
  if (kind <= 60) {
  } else if (kind <= 75) {
    d.repeat = store::RepeatKind::kWeekly;
    d.weekdays = {DayOfWeek(start)};
  } else if (kind <= 85) {
    d.repeat = store::RepeatKind::kMonthly;
    d.monthdays = {DecodeDate(start).day};
  } else if (kind <= 95) {
    d.repeat = store::RepeatKind::kYearly;
  } else {
    d.repeat = store::RepeatKind::kDaily;
    d.repeat_until = start + pick(5, 60);
  }
  return d;
}

// A started program on a root of its own with the events written.
struct Program {
  Program() {
    root = std::filesystem::temp_directory_path() /
           ("almanix-grid-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    hooks = std::make_unique<store::StoreStartup>(data, ui);
    StartupOptions options;
    options.root = root.string();
    options.hooks = hooks.get();
    Startup(app, ui, options);
    std::mt19937 random(20250101);
    store::Transaction transaction(data.db());
    store::Query q(data.db());
    for (int i = 0; i < kEvents; ++i) {
      Result<std::string> id = store::AddEvent(q, RandomDraft(random, i), 1);
      if (!id.ok()) {
        std::fprintf(stderr, "writing the events: %s\n", id.status().message().c_str());
        std::exit(1);
      }
    }
    if (!transaction.Commit().ok()) std::exit(1);
    grid = std::make_unique<desktop::MainGrid>(app, data, ui, EncodeDate(2025, 3, 5) + 0.5);
  }
  ~Program() { std::filesystem::remove_all(root); }

  std::filesystem::path root;
  SilentUi ui;
  App app;
  store::TDB1 data;
  std::unique_ptr<store::StoreStartup> hooks;
  std::unique_ptr<desktop::MainGrid> grid;
};

Program& TheProgram() {
  static Program program;
  return program;
}

// Steps through the months of 2025 as the arrow keys do: each step loads
// the grid and the category's event lines. View 12 steps between December
// 2025 and January 2026, a change of year each step.
void Step(benchmark::State& state, int view) {
  Program& p = TheProgram();
  if (!p.grid->SetView(view == 12 ? 31 : view).ok()) state.SkipWithError("SetView failed");
  int step = 0;
  for (auto _ : state) {
    DateTimeValue date = view == 31 ? EncodeDate(2025, 1 + step % 12, 10)
                                    : EncodeDate(2025, 1, 6) + 7 * step;
    if (view == 12) date = step % 2 ? EncodeDate(2026, 1, 10) : EncodeDate(2025, 12, 10);
    date += 0.5;
    step = (step + 1) % 50;
    // LoadGrid ends with Panel_LoadEvets, as every step of the window does.
    if (!p.grid->LoadGrid(date).ok()) {
      state.SkipWithError("LoadGrid failed");
      break;
    }
    benchmark::DoNotOptimize(p.grid->cells().data());
  }
}

void BM_MonthOfACategoryOf20000(benchmark::State& state) { Step(state, 31); }
void BM_SevenDaysOfACategoryOf20000(benchmark::State& state) { Step(state, 7); }
void BM_MonthAcrossAYearOf20000(benchmark::State& state) { Step(state, 12); }

BENCHMARK(BM_MonthOfACategoryOf20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SevenDaysOfACategoryOf20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthAcrossAYearOf20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
