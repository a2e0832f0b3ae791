# Warnings as an interface target, so every target of ours opts in the same way.
add_library(tilora_warnings INTERFACE)
if(MSVC)
  target_compile_options(tilora_warnings INTERFACE /W4 $<$<BOOL:${TILORA_WERROR}>:/WX>)
else()
  target_compile_options(tilora_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wcast-align -Wnon-virtual-dtor -Woverloaded-virtual
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
    $<$<BOOL:${TILORA_WERROR}>:-Werror>)
endif()
