# One target carries the warning flags so no target of ours forgets them.
add_library(rimvista_warnings INTERFACE)
if(MSVC)
  target_compile_options(rimvista_warnings INTERFACE /W4 /utf-8)
else()
  target_compile_options(rimvista_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    $<$<COMPILE_LANGUAGE:CXX>:-Wsuggest-override>)
endif()
# Only our targets carry it: Qt's and GoogleTest's headers come in as system headers, whose
# warnings the compiler does not report.
if(RIMVISTA_WERROR)
  target_compile_options(rimvista_warnings INTERFACE $<IF:$<CXX_COMPILER_ID:MSVC>,/WX,-Werror>)
endif()
if(RIMVISTA_SANITIZE)
  target_compile_options(rimvista_warnings INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(rimvista_warnings INTERFACE -fsanitize=address,undefined)
endif()
if(RIMVISTA_FUZZ)
  # Everything of ours carries the coverage the fuzzer steers by; only the fuzz targets
  # themselves link libFuzzer's main().
  target_compile_options(rimvista_warnings INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(rimvista_warnings INTERFACE -fsanitize=address,undefined)
endif()

# Hardening for every program we ship: stack protector, fortified libc calls where the optimiser
# can check them, and a read-only relocation table bound at start-up.
if(NOT MSVC AND NOT RIMVISTA_SANITIZE AND NOT RIMVISTA_FUZZ)
  target_compile_options(rimvista_warnings INTERFACE
    -fstack-protector-strong
    "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  target_link_options(rimvista_warnings INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()
