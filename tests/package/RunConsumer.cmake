# cmake -DBUILD_DIR=... -DCONSUMER_SOURCE=... -DGENERATOR=... -P RunConsumer.cmake
# Optional: -DPROGRAM=<executable the consumer builds> (default veltrane_consumer),
# -DPROGRAM_ARGS=<arguments separated by |>, -DEXPECT=<regex its standard output must match>, -DCHECK_CLI=ON
# (the installed veltrane tool must run from the prefix), -DSANITIZE=<sanitizers the build was
# instrumented with>.
if(NOT PROGRAM)
  set(PROGRAM veltrane_consumer)
endif()
string(REPLACE "|" ";" PROGRAM_ARGS "${PROGRAM_ARGS}")
if(NOT EXPECT)
  set(EXPECT "Veltrane 4\\.6\\.1\\.5")
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

# Outside the repository: a fresh directory under the system's temporary folder.
if(DEFINED ENV{TMPDIR})
  set(tmp $ENV{TMPDIR})
else()
  set(tmp /tmp)
endif()
string(RANDOM LENGTH 10 ALPHABET abcdefghijklmnopqrstuvwxyz0123456789 suffix)
set(work ${tmp}/veltrane-package-${suffix})
set(prefix ${work}/prefix)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The public headers must not pull in any dependency's headers.
file(GLOB_RECURSE headers ${prefix}/include/quorvel/*.h)
if(NOT headers)
  message(FATAL_ERROR "no public headers installed under ${prefix}/include/quorvel")
endif()
foreach(header IN LISTS headers)
  file(STRINGS ${header} includes REGEX "#include")
  foreach(line IN LISTS includes)
    if(line MATCHES "(fastdds|fastrtps|fastcdr|boost|pugixml|nlohmann)")
      message(FATAL_ERROR "${header} includes a dependency: ${line}")
    endif()
  endforeach()
endforeach()

# An instrumented library needs its sanitizer runtime first in the program's libraries, so the
# consumer of a sanitizer build is linked with the same sanitizers.
set(sanitizer_flags)
if(SANITIZE)
  set(sanitizer_flags -DCMAKE_CXX_FLAGS=-fsanitize=${SANITIZE} -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=${SANITIZE})
endif()
file(COPY ${CONSUMER_SOURCE}/ DESTINATION ${work}/source)
run(${CMAKE_COMMAND} -S ${work}/source -B ${work}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release ${sanitizer_flags})
run(${CMAKE_COMMAND} --build ${work}/build)
if(CHECK_CLI)
  execute_process(COMMAND ${prefix}/bin/veltrane --version
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0 OR NOT out STREQUAL "veltrane 4.6.1.5\n")
    message(FATAL_ERROR "installed veltrane failed (${result}):\n${out}\n${err}")
  endif()
endif()
execute_process(COMMAND ${work}/build/${PROGRAM} ${PROGRAM_ARGS} WORKING_DIRECTORY ${work}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "consumer failed (${result}):\n${out}\n${err}")
endif()
message(STATUS "consumer says: ${out}")
file(REMOVE_RECURSE ${work})
