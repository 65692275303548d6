#pragma once

#include <string>

#include "app/status.h"

// The RSS 2.0 feed of the calendar's coming days.
namespace almanix::generator {

struct RunContext;

class TRss {
 public:
  explicit TRss(const RunContext& run) : run_(run) {}
  // Writes the feed to feed_path and copies its pictures and pages into the
  // output folder.
  Status Generate(const std::string& output, const std::string& feed_path);

 private:
  const RunContext& run_;
};

}  // namespace almanix::generator
