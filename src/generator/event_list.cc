#include "generator/event_list.h"

#include "generator/run_context.h"

namespace almanix::generator {

void Telist::WriteEventListPage(const std::string&, int, const std::vector<int>&,
                                const std::string&, const std::string&, std::string_view) {}

Status WriteEventListRedirect(const RunContext&, const std::string&) { return Status::Ok(); }

}  // namespace almanix::generator
