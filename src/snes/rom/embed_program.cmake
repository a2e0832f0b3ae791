# Turns the assembled program into rom_program_bytes.cpp, or checks that the
# file in the sources matches it, so builds without cc65 still have it.
#   cmake -DPROGRAM=rom_program.bin -DSOURCE=rom_program_bytes.cpp -DMODE=check|write -P embed_program.cmake
file(READ "${PROGRAM}" hex HEX)
string(LENGTH "${hex}" digits)
set(body "")
set(line "  ")
set(count 0)
math(EXPR last "${digits} - 2")
foreach(at RANGE 0 ${last} 2)
  string(SUBSTRING "${hex}" ${at} 2 byte)
  string(APPEND line "0x${byte},")
  math(EXPR count "${count} + 1")
  if(count EQUAL 16)
    string(APPEND body "${line}\n")
    set(line "  ")
    set(count 0)
  else()
    string(APPEND line " ")
  endif()
endforeach()
if(NOT count EQUAL 0)
  string(STRIP "${line}" line)
  string(APPEND body "  ${line}\n")
endif()
string(REGEX REPLACE " \n" "\n" body "${body}")

set(text "// Generated from rom_program.s by embed_program.cmake: do not edit.
// After changing the program, build the target tilora_rom_program_update.

#include \"snes/rom/rom_program.h\"

namespace tilora::rom {
namespace {

const std::uint8_t kProgram[] = {
${body}};

}  // namespace

std::span<const std::uint8_t> RomProgram() { return kProgram; }

}  // namespace tilora::rom
")

if(MODE STREQUAL "write")
  file(WRITE "${SOURCE}" "${text}")
else()
  file(READ "${SOURCE}" current)
  if(NOT current STREQUAL text)
    message(FATAL_ERROR "${SOURCE} does not match the assembled rom_program.s. "
                        "Regenerate it: cmake --build <build folder> --target tilora_rom_program_update")
  endif()
endif()
