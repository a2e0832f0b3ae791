#pragma once

#include <string>

namespace tilora {

// The title the message boxes carry: the executable's file name without its
// folder, cut at its first ".", all but the first character in lower case,
// at most 255 characters ("C:\x\MYCONV.EXE" gives "Myconv").
std::string ApplicationTitle(const std::string& executablePath);

}  // namespace tilora
