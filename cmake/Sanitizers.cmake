# Sanitizer builds: VELTRANE_SANITIZE=address,undefined or thread instruments every target of
# the tree. Undefined behaviour aborts (no recovery) so that a finding fails its test instead of
# scrolling past in the log. Fast DDS, libstdc++ and the other system libraries stay
# uninstrumented; what they report is filtered by the suppression files in
# scripts/sanitizers/, which scripts/build.sh hands to the tests through the environment.
set(VELTRANE_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")
# Test folders whose code runs on several threads (delivery, capture and dissection pipelines,
# active readers): the ones the ThreadSanitizer build compiles and runs, under the label thread.
set(VELTRANE_THREAD_SANITIZED_FOLDERS engine dissection passive passive_e2e frag active)

if(NOT VELTRANE_SANITIZE)
  return()
endif()

set(_veltrane_flags -fsanitize=${VELTRANE_SANITIZE} -fno-omit-frame-pointer)
if(VELTRANE_SANITIZE MATCHES "undefined")
  list(APPEND _veltrane_flags -fno-sanitize-recover=all)
endif()
add_compile_options(${_veltrane_flags})
add_link_options(-fsanitize=${VELTRANE_SANITIZE})

