#pragma once
#include <string>

namespace ostrel {

// Name of the library file (basis sets, core potentials, model parameters) for the `basis`
// key of "control". Empty stays empty (the input file itself). With the environment variable
// "basis" set the result is "<basis dir>/<key>". Without it, a name that does not exist
// relative to the working directory is looked up in the basis directory shipped with the
// program; the name is returned unchanged when it is found nowhere.
std::string library_file_name(const std::string& key);

// The shipped basis directories in search order: next to the executable
// (../share/ostrel/basis), the install prefix, the source tree.
std::string shipped_library_path(const std::string& key);

}  // namespace ostrel
