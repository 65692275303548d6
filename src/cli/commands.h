#pragma once

#include <iosfwd>

#include "cli/invocation.h"

namespace almanix::cli {

// event add|list|delete, note set, holiday set.
int RunStoreCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// new, save FILE.cal, open FILE.cal, backup FILE.zip.
int RunFileCommand(const Invocation& inv, std::ostream& out, std::ostream& err);
// favorite create|set|show.
int RunFavoriteCommand(const Invocation& inv, std::ostream& out, std::ostream& err);

}  // namespace almanix::cli
