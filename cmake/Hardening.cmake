# Builds for finding faults: sanitizers for the whole build, and the libFuzzer targets.
#
#   -DTRIMORPH_SANITIZE=ON  everything (program, tests, tools) with AddressSanitizer (leak
#                           checking included) and UndefinedBehaviorSanitizer; undefined
#                           behaviour ends the process like any other finding.
#   -DTRIMORPH_SANITIZE_THREADS=ON  everything with ThreadSanitizer: the converter's threads
#                           (import helper, text pieces) are checked for data races.
#   -DTRIMORPH_FUZZ=ON      the fuzz targets of tests/fuzz (clang only); implies the sanitizers.
#                           In this build Fail unwinds instead of ending the process, so that one
#                           process runs many conversions: never ship its program.
#
# TRIMORPH_HOT_FLAGS holds the extra optimisation of the toolkit's and the converter's hot loops
# for the ordinary optimised builds; the fault-finding builds leave it empty.
option(TRIMORPH_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TRIMORPH_SANITIZE_THREADS "Build with ThreadSanitizer" OFF)
option(TRIMORPH_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

set(TRIMORPH_HOT_FLAGS $<$<CONFIG:RelWithDebInfo,Release>:-O3>)

if(TRIMORPH_SANITIZE OR TRIMORPH_FUZZ)
  set(TRIMORPH_HOT_FLAGS "")
  # Assertions stay on in the fault-finding builds, whatever the build type.
  foreach(config "" _DEBUG _RELEASE _RELWITHDEBINFO _MINSIZEREL)
    string(REPLACE "-DNDEBUG" "" CMAKE_CXX_FLAGS${config} "${CMAKE_CXX_FLAGS${config}}")
  endforeach()
  # float-cast-overflow is not part of "undefined" for every compiler; name it.
  set(TRIMORPH_SANITIZER_FLAGS
      -fsanitize=address,undefined,float-cast-overflow
      -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${TRIMORPH_SANITIZER_FLAGS})
  add_link_options(${TRIMORPH_SANITIZER_FLAGS})
  # Checked code runs well enough at -O1 and builds much faster than at the default -O2, and
  # line tables are all the debug information its reports use. Both come after the build
  # type's flags, so they win.
  add_compile_options(-O1 $<IF:$<CXX_COMPILER_ID:Clang>,-gline-tables-only,-g1>)
endif()

if(TRIMORPH_SANITIZE_THREADS)
  if(TRIMORPH_SANITIZE OR TRIMORPH_FUZZ)
    message(FATAL_ERROR "ThreadSanitizer does not combine with AddressSanitizer: one at a time")
  endif()
  set(TRIMORPH_HOT_FLAGS "")
  add_compile_options(-fsanitize=thread -g1)
  add_link_options(-fsanitize=thread)
endif()

if(TRIMORPH_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TRIMORPH_FUZZ needs clang (configure with CXX=clang++)")
  endif()
  # Coverage for the fuzzer in every library; the fuzzer's main is linked into the targets only.
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_compile_definitions(TRIMORPH_FUZZING)
endif()
