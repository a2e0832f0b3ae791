#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tilora {

// The program's arguments, argv[0] included, as the core takes file names:
// on Windows UTF-8 from the wide command line (argv holds only what the
// local code page can spell), elsewhere argv as it is.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// UTF-16 text as UTF-8. A surrogate without its partner (possible in Windows
// names, never in UTF-8) keeps the 3-byte form it would have, which the
// file layer refuses as an invalid name rather than looking for another file.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace tilora
