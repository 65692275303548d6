#include "generator/rss.h"

#include "generator/run_context.h"

namespace almanix::generator {

Status TRss::Generate(const std::string&, const std::string&) { return Status::Ok(); }

}  // namespace almanix::generator
