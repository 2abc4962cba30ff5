# libFuzzer builds: VELTRANE_FUZZ=ON (clang only) instruments every library for coverage
# feedback, AddressSanitizer and UndefinedBehaviorSanitizer; undefined behaviour aborts so that
# the fuzzer keeps it as a finding. The targets themselves are in fuzz/CMakeLists.txt.
option(VELTRANE_FUZZ "Build the libFuzzer targets of fuzz/ (needs CC=clang CXX=clang++)" OFF)

if(NOT VELTRANE_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "VELTRANE_FUZZ needs clang: configure with CC=clang CXX=clang++")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
