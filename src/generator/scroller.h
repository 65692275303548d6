#pragma once

#include <string>

#include "app/status.h"

// The event scroller: scroller.js with the coming events, its page and its
// style sheet.
namespace almanix::generator {

struct RunContext;

class TScroller {
 public:
  explicit TScroller(const RunContext& run) : run_(run) {}
  // scroller.js at script_path, the scroller page and assets in the output
  // folder.
  Status Generate(const std::string& output, const std::string& script_path);
  // scroller.css in the build folder.
  Status WriteStyleSheet();

 private:
  const RunContext& run_;
};

}  // namespace almanix::generator
