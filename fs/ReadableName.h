// File names as the system gives them are bytes; what a person reads is
// text. A name that is not valid UTF-8 (written on a system with another
// encoding, or by a program that did not care) still has to be shown.
#pragma once

#include <string>

namespace fovella {

// `name` as valid UTF-8: every byte that does not belong to a well-formed
// UTF-8 sequence is written as \xNN (caf\xE9.jpg), the rest stays as it is.
// Exact and readable, where a decoder would put the same replacement mark
// for every such byte. Names that are valid UTF-8 come back unchanged.
std::string ReadableName(const std::string& name);

}  // namespace fovella
