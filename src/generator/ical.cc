#include "generator/ical.h"

#include "generator/run_context.h"

namespace almanix::generator {

Status WriteRunICal(const RunContext&, const std::string&, const std::string&) {
  return Status::Ok();
}

}  // namespace almanix::generator
