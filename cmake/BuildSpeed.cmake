# What makes a clean build (the suite's, a new machine's) cheaper without changing what is built.

# Most of the time of a window file or a window test goes into parsing Qt's and GoogleTest's
# headers again; a precompiled header parses them once for many files. Building one costs about
# two files' parsing, so it pays only where many files share it. ccache cannot always cache a
# file built against a precompiled header, and an unchanged file costs less from the cache: off
# by default there.
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
  set(rimvista_pch_default OFF)
else()
  set(rimvista_pch_default ON)
endif()
option(RIMVISTA_PCH "Precompiled headers for the Qt- and GoogleTest-heavy targets"
       ${rimvista_pch_default})

# rimvista_precompile(TARGET [REUSE_FROM OTHER] HEADERS...): the headers precompiled for TARGET,
# or OTHER's precompiled header used (OTHER must be compiled with the same flags and macros).
function(rimvista_precompile target)
  if(NOT RIMVISTA_PCH)
    return()
  endif()
  cmake_parse_arguments(P "" "REUSE_FROM" "" ${ARGN})
  if(P_REUSE_FROM)
    target_precompile_headers(${target} REUSE_FROM ${P_REUSE_FROM})
  else()
    target_precompile_headers(${target} PRIVATE ${P_UNPARSED_ARGUMENTS})
  endif()
endfunction()

# lld links several times faster than the system's default linker, and a build links many
# test programs.
option(RIMVISTA_LLD "Link with lld where the compiler can" ON)
if(RIMVISTA_LLD AND NOT MSVC)
  include(CheckLinkerFlag)
  check_linker_flag(CXX -fuse-ld=lld RIMVISTA_HAVE_LLD)
  if(RIMVISTA_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  endif()
endif()
