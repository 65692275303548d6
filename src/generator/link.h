#pragma once

#include <string>

#include "app/status.h"

// The pages that show how to put the calendar into another site: Link.html,
// frame.html, object.html and the pasted page.
namespace almanix::generator {

struct RunContext;

class TLink {
 public:
  explicit TLink(const RunContext& run) : run_(run) {}
  // frame.html, object.html or the pasted copy of the first month page, by
  // the embed method ticked.
  Status Generate(const std::string& output);
  // Link.html.
  Status WriteLinkPage(const std::string& path);

 private:
  const RunContext& run_;
};

}  // namespace almanix::generator
