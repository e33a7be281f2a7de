# Types key_lines.txt in every layout with korvi-type and with korvi-typist and requires the same
# output. Without a given korvi-type, builds one from the native preset in WORK_DIR.
# The Wine launcher comes as one argument, its words separated by |.
string(REPLACE "|" ";" WINE "${WINE}")
if(NOT KORVI_TYPE)
  set(native "${WORK_DIR}/native")
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${native} -G Ninja
                          -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot configure a native build for korvi-type")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${native} --target korvi-type -j2
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot build korvi-type")
  endif()
  set(KORVI_TYPE "${native}/tools/korvi-type/korvi-type")
endif()

set(failures 0)
foreach(layout korvi tamil99 moe-singapore velona7 mylai newtw oldtw velona6)
  execute_process(COMMAND ${KORVI_TYPE} --layout ${layout}
                  INPUT_FILE ${LINES} OUTPUT_VARIABLE expected RESULT_VARIABLE rc1)
  execute_process(COMMAND ${WINE} ${TYPIST} --layout ${layout}
                  INPUT_FILE ${LINES} OUTPUT_VARIABLE actual RESULT_VARIABLE rc2)
  if(NOT rc1 EQUAL 0 OR NOT rc2 EQUAL 0)
    message(SEND_ERROR "${layout}: exit codes korvi-type ${rc1}, korvi-typist ${rc2}")
    math(EXPR failures "${failures} + 1")
  elseif(NOT expected STREQUAL actual)
    message(SEND_ERROR "${layout}: korvi-type printed\n${expected}korvi-typist printed\n${actual}")
    math(EXPR failures "${failures} + 1")
  else()
    message(STATUS "${layout}: same text")
  endif()
endforeach()

# Layout 6 has no menu entry: an error with exit code 2 and nothing typed.
execute_process(COMMAND ${WINE} ${TYPIST} --layout 6 ka
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 2 OR NOT out STREQUAL "")
  message(SEND_ERROR "--layout 6: exit code ${rc}, output '${out}'")
  math(EXPR failures "${failures} + 1")
endif()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} comparisons failed")
endif()
