#include "generator/scroller.h"

#include "generator/run_context.h"

namespace almanix::generator {

Status TScroller::Generate(const std::string&, const std::string&) { return Status::Ok(); }
Status TScroller::WriteStyleSheet() { return Status::Ok(); }

}  // namespace almanix::generator
