// Replacing a file's contents as a whole on the host: the registry file and
// the Win32 layer's state file are rewritten this way, and the camera front
// end puts its outputs in place with the same rules.
#pragma once

#include <string>

namespace hostkernel {

// The file a path names with its symbolic links followed; a link to nothing
// names where that file would be.
std::string FollowLinks(const std::string &path);

// A file that replaces another takes over its permissions.
void KeepPermissions(const std::string &replaced, const std::string &replacement);

// Writes `text` beside the file that `path` names (links followed, so a
// linked file is updated, not replaced by a plain one) and renames it over
// that file, keeping its permissions: readers never see half a file, and a
// failed write (a full disk, a size limit) leaves the old file as it was.
// On failure returns the errno value, otherwise 0.
int ReplaceFileContents(const std::string &path, const std::string &text);

}  // namespace hostkernel
