// What a person set on a file besides its bytes, carried over to the file that replaces it.
#pragma once

#include <sys/stat.h>

namespace halix {

// Gives `copy` the owner, group and mode of `original` (whose status is `info`) and exactly
// its extended attributes, ACLs among them (system.posix_acl_access). False, with errno set,
// when any of them cannot be kept: the replacement would then lose it.
bool keepAttributes(int original, const struct stat& info, int copy);

} // namespace halix
