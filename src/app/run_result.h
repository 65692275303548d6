#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

namespace almanix {

// One failed step of a multi-step operation.
struct StepFailure {
  std::string item;  // what the step concerned: a file name, "line 12"
  Status status;     // why it failed
};

// The outcome of an operation whose steps are each guarded on their own (a
// generation run, a publish, an import): every step runs, every failed one is
// kept in order, and the whole reads as failed when any step failed. A step
// that ends the operation early is kept as the stop.
class [[nodiscard]] RunResult {
 public:
  // unit names what a step handles, in the plural ("files", "lines");
  // failed_phrase what befell a failed one ("could not be written").
  explicit RunResult(std::string unit = "files",
                     std::string failed_phrase = "could not be written");

  // One step done: counted, and kept when its status failed.
  void Step(std::string_view item, const Status& status);
  // Steps that all succeeded, counted without a name.
  void Succeeded(int count = 1) { steps_ += count; }
  // The operation ended here; the first stop is kept.
  void Stop(Status status);
  // The steps and stop of another result (a publish holds its run's).
  void Add(const RunResult& other);

  bool ok() const { return failures_.empty() && stop_.ok(); }
  int steps() const { return steps_; }
  int failed() const { return static_cast<int>(failures_.size()); }
  const std::vector<StepFailure>& failures() const { return failures_; }
  // Ok unless the operation ended early.
  const Status& stop() const { return stop_; }
  // The stop, else the first failed step's status; Ok when nothing failed.
  Status FirstFailure() const;

  // One line for the person: "3 of 79 files could not be written:
  // calendar.css, rss.xml, small.css (No space left on device)", the first
  // five names and a count of the rest, the first failure's cause in
  // brackets. The stop's message comes first when the operation ended early.
  // Empty when nothing failed.
  std::string Summary() const;
  // Ok, or the summary as a Status with the first failure's code and cause.
  Status ToStatus() const;

 private:
  std::string unit_;
  std::string failed_phrase_;
  int steps_ = 0;
  std::vector<StepFailure> failures_;
  Status stop_;
};

}  // namespace almanix
