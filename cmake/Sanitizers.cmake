add_library(tilora_sanitizers INTERFACE)
if(TILORA_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(tilora_sanitizers INTERFACE ${_san})
  target_link_options(tilora_sanitizers INTERFACE ${_san})
endif()
# Coverage for libFuzzer in every target of the fuzz build; only the fuzz
# targets themselves link the fuzzer's main.
if(TILORA_BUILD_FUZZ)
  target_compile_options(tilora_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
  target_link_options(tilora_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()
