# Cyclone reads our encoder's bytes back to the golden values: golden_encoder writes our
# encodings of every golden sample into a folder named like the golden one, then the golden
# round-trip check runs over that folder (values, key hashes, refusal of cut and foreign
# payloads, and each evolved type's payloads read as the other version).
#   cmake -DPEER=<rich_peer> -DENCODER=<golden_encoder> -DGOLDEN_DIR=<dir> -DTYPES_DIR=<dir>
#         -DWORK_DIR=<dir> -P CheckOurEncodings.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/GoldenCheckArguments.cmake)
require_definitions(PEER ENCODER GOLDEN_DIR TYPES_DIR WORK_DIR)
set(encoded ${WORK_DIR}/encoded)
file(REMOVE_RECURSE ${encoded})
execute_process(COMMAND ${ENCODER} ${GOLDEN_DIR} ${TYPES_DIR} ${encoded}
                RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "golden_encoder failed (${status}): ${errors}")
endif()
message(STATUS "${report}")

set(GOLDEN_DIR ${encoded})
set(WORK_DIR ${WORK_DIR}/truncated)
include(${CMAKE_CURRENT_LIST_DIR}/CheckGoldenRoundTrip.cmake)
