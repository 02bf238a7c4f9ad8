// The person's home directory, as the programs of a Linux desktop find it.
#pragma once

#include <optional>
#include <string>

namespace halix {

// $HOME when it is an absolute path, else the password database's entry for the user when
// that is one; nullopt when neither gives a usable directory.
std::optional<std::string> homeDirectory();

} // namespace halix
