# Runs `rich_peer write` into WORK_DIR and fails unless it produces exactly the committed
# golden files, byte for byte: no file missing, none extra, none different.
#   cmake -DPEER=<rich_peer> -DGOLDEN_DIR=<dir> -DWORK_DIR=<dir> -P CheckGoldenReproducible.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/GoldenCheckArguments.cmake)
require_definitions(PEER GOLDEN_DIR WORK_DIR)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${PEER} write ${WORK_DIR} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rich_peer write failed (${status}): ${errors}")
endif()

file(GLOB committed RELATIVE ${GOLDEN_DIR} ${GOLDEN_DIR}/*)
file(GLOB produced RELATIVE ${WORK_DIR} ${WORK_DIR}/*)
list(SORT committed)
list(SORT produced)
if(NOT committed STREQUAL produced)
  message(FATAL_ERROR "file sets differ\n committed: ${committed}\n produced: ${produced}\n"
                      "run scripts/regenerate-golden.sh if the change is intended")
endif()
list(LENGTH committed count)
if(count EQUAL 0)
  message(FATAL_ERROR "no golden files in ${GOLDEN_DIR}")
endif()

set(differing "")
foreach(name IN LISTS committed)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${GOLDEN_DIR}/${name} ${WORK_DIR}/${name}
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differing ${name})
  endif()
endforeach()
if(differing)
  message(FATAL_ERROR "rich_peer output differs from the committed golden files: ${differing}")
endif()
message(STATUS "${count} golden files reproduced byte for byte")
