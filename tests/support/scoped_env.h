#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace almanix::testing {

// Sets (or, with a null value, unsets) an environment variable for as long as
// it lives, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) saved_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
  ~ScopedEnv() {
    if (had_) {
      ::setenv(name_, saved_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string saved_;
  bool had_ = false;
};

// The process's time zone for as long as it lives; the C library reads the
// zone again on the way in and, once TZ is put back, on the way out.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) : tz_("TZ", zone) { ::tzset(); }

 private:
  // Members end in reverse order: TZ is put back before this one rereads it.
  struct Reread {
    ~Reread() { ::tzset(); }
  } reread_;
  ScopedEnv tz_;
};

}  // namespace almanix::testing
