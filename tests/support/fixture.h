#pragma once

#include <string>

#include "platform/opener.h"
#include "platform/places.h"
#include "platform/trash.h"
#include "support/temp_root.h"

namespace almanix::testing {

// A small install folder of our own (templates with marked contents) and the
// places of one test, all under a TempRoot.
class InstallFixture {
 public:
  InstallFixture();

  TempRoot root;
  std::string install;  // trailing "/"
  platform::Places places;
  platform::XdgOpener opener{"true"};
  platform::FreedesktopTrash trash;
};

}  // namespace almanix::testing
