#include "app/run_result.h"

#include <utility>

namespace almanix {
namespace {

constexpr size_t kNamesShown = 5;

}  // namespace

RunResult::RunResult(std::string unit, std::string failed_phrase)
    : unit_(std::move(unit)), failed_phrase_(std::move(failed_phrase)) {}

void RunResult::Step(std::string_view item, const Status& status) {
  ++steps_;
  if (!status.ok()) failures_.push_back({std::string(item), status});
}

void RunResult::Stop(Status status) {
  if (stop_.ok()) stop_ = std::move(status);
}

void RunResult::Add(const RunResult& other) {
  steps_ += other.steps_;
  failures_.insert(failures_.end(), other.failures_.begin(), other.failures_.end());
  if (!other.stop_.ok()) Stop(other.stop_);
}

Status RunResult::FirstFailure() const {
  if (!stop_.ok()) return stop_;
  if (!failures_.empty()) return failures_.front().status;
  return Status::Ok();
}

std::string RunResult::Summary() const {
  std::string line;
  if (!stop_.ok()) line = stop_.message();
  if (failures_.empty()) return line;
  if (!line.empty()) line += "; ";
  line += std::to_string(failures_.size()) + " of " + std::to_string(steps_) + " " + unit_ + " " +
          failed_phrase_ + ": ";
  for (size_t i = 0; i < failures_.size() && i < kNamesShown; ++i) {
    if (i > 0) line += ", ";
    line += failures_[i].item;
  }
  if (failures_.size() > kNamesShown) {
    line += " and " + std::to_string(failures_.size() - kNamesShown) + " more";
  }
  const Status& first = failures_.front().status;
  line += " (" + (first.cause().empty() ? first.message() : first.cause()) + ")";
  return line;
}

Status RunResult::ToStatus() const {
  if (ok()) return Status::Ok();
  const Status first = FirstFailure();
  Status status;
  switch (first.code()) {
    case Status::Code::kNotFound:
      status = Status::NotFound(Summary());
      break;
    case Status::Code::kInvalid:
      status = Status::Invalid(Summary());
      break;
    case Status::Code::kCancelled:
      status = Status::Cancelled(Summary());
      break;
    case Status::Code::kBusy:
      status = Status::Busy(Summary());
      break;
    default:
      status = Status::IoError(Summary());
      break;
  }
  return status.WithCause(first.cause());
}

}  // namespace almanix
