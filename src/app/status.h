#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace almanix {

// The outcome of an operation that can fail. The message is the system's own
// text, shown or logged as is; it never needs rewording by the caller.
class [[nodiscard]] Status {
 public:
  enum class Code { kOk, kNotFound, kInvalid, kIoError, kCancelled, kBusy };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string message) {
    return Status(Code::kNotFound, std::move(message));
  }
  static Status Invalid(std::string message) {
    return Status(Code::kInvalid, std::move(message));
  }
  static Status IoError(std::string message) {
    return Status(Code::kIoError, std::move(message));
  }
  static Status Cancelled(std::string message) {
    return Status(Code::kCancelled, std::move(message));
  }
  static Status Busy(std::string message) {
    return Status(Code::kBusy, std::move(message));
  }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // The reason the system or a library gave ("No space left on device",
  // SQLite's text), kept apart from the message so that a summary or a
  // fixed message can name it; empty when there is none.
  const std::string& cause() const { return cause_; }
  // The same Status carrying the cause.
  Status WithCause(std::string cause) const {
    Status copy = *this;
    copy.cause_ = std::move(cause);
    return copy;
  }

 private:
  Status(Code code, std::string message)
      : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
  std::string cause_;
};

// For a step whose failure changes nothing the caller could act on; the
// reason is written at the call so a reader sees why it is dropped.
inline void IgnoreResult(const Status& /*status*/, const char* /*why*/) {}
// The same for a step that answers only yes or no.
inline void IgnoreResult(bool /*succeeded*/, const char* /*why*/) {}

// A value or the Status that explains why there is none.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status) : status_(std::move(status)) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  // REQUIRES: ok()
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T value_or(T fallback) const { return value_ ? *value_ : std::move(fallback); }

 private:
  std::optional<T> value_;
  Status status_;
};

template <typename T>
void IgnoreResult(const Result<T>& result, const char* why) {
  IgnoreResult(result.status(), why);
}

// A fixed message with the reason behind it on a second line: the reason is
// the failed Status's own message (which names the file and the system's
// cause); the fixed message alone when the Status is ok or says the same.
inline std::string MessageWithCause(std::string_view fixed, const Status& reason) {
  std::string text(fixed);
  if (reason.ok() || reason.message().empty() || reason.message() == text) return text;
  return text + "\n" + reason.message();
}

}  // namespace almanix
