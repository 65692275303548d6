#include "app/config.h"

#ifndef ALMANIX_VERSION
#define ALMANIX_VERSION ""
#endif

namespace almanix {

// Kept in its own file so a version change rebuilds one object only.
std::string ProgramVersion() { return ALMANIX_VERSION; }

}  // namespace almanix
