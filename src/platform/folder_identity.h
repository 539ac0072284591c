// Reading which folder a path or an open folder is, mount included.
#pragma once

#include "platform/file_ops.h"

namespace parlowen {

// The identity of the folder at path, or (path "") of the open folder fd; ENOTDIR for what is
// no folder.
Outcome<FolderIdentity> folderIdentity(int fd, const char* path);

} // namespace parlowen
