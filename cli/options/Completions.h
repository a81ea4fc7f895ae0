#pragma once
// Shell completion scripts for bash and zsh, generated from the option table: option names,
// the values of options that take a few, file names where a file is wanted.

#include <string>

namespace qmduck {

// The completion script for `shell` ("bash" or "zsh"); empty for another shell.
std::string completionScript(const std::string& shell);

}  // namespace qmduck
