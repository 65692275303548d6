#pragma once

#include <string>
#include <string_view>

#include "app/status.h"

namespace almanix::generator {
class Generator;
}

// Where "Publish Now" sends the generated calendar, chosen by
// Publish.Destination.
namespace almanix::publish {

class PublishEditor;

// "The output '" + folder + "' directory does not exit and could not be
// created".
std::string FolderCreateError(std::string_view folder);

struct PublishOptions {
  // Open the folder in the file manager afterwards (the desktop does; the
  // command line prints where it went instead).
  bool open_folder = true;
};

// "Folder": generates into the build folder, then copies its contents into
// Publish.DirName (made when missing) unless that is the build folder.
Status PublishToFolder(PublishEditor& editor, generator::Generator& generator,
                       const PublishOptions& options);

// Copies everything in the build folder into the folder, merging with what
// is there and replacing files of the same name.
Status CopyBuildFolder(const std::string& build_dir, const std::string& folder);

// "Publish Now": quick preview off, the action of the chosen destination,
// then the settings saved into the favorite folder when chkAutoUpdate is
// ticked.
Status PublishNow(PublishEditor& editor, generator::Generator& generator,
                  const PublishOptions& options);

}  // namespace almanix::publish
