#include "generator/link.h"

#include "generator/run_context.h"

namespace almanix::generator {

Status TLink::Generate(const std::string&) { return Status::Ok(); }
Status TLink::WriteLinkPage(const std::string&) { return Status::Ok(); }

}  // namespace almanix::generator
