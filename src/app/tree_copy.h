#pragma once

#include <string>

#include "app/status.h"

namespace almanix {

// Copies one entry of a folder (a file, a link as a link, or a folder with
// everything below it) into another folder, over what is there. Works on
// open folders rather than paths, so that the thousands of small files of a
// generated site cost a few system calls each; the data itself is copied by
// the kernel. The first failure is returned, naming the path; the rest of
// the tree is still copied.
Status CopyTreeEntry(const std::string& from_folder, const std::string& to_folder,
                     const std::string& name);

}  // namespace almanix
