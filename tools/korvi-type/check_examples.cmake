# Runs korvi-type on the examples of its README section and compares the
# output byte for byte. Called with -DKORVI_TYPE=<path of the program>.
function(expect expected)
  execute_process(COMMAND ${KORVI_TYPE} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "korvi-type ${ARGN}: exit code ${rc}: ${err}")
  elseif(NOT out STREQUAL "${expected}\n")
    message(SEND_ERROR "korvi-type ${ARGN}: printed '${out}', expected '${expected}'")
  endif()
endfunction()

function(expect_error)
  execute_process(COMMAND ${KORVI_TYPE} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 2 OR NOT out STREQUAL "" OR err STREQUAL "")
    message(SEND_ERROR "korvi-type ${ARGN}: expected exit code 2 and a message, got ${rc} '${out}'")
  endif()
endfunction()

expect("க்கி" --layout tamil99 hhs)
expect("நன்றி" nanRi)
expect("கொ" --layout newtw bfh)
expect("அ " "a f{BS}")
expect("ன" "ka{BS}na")
expect_error(--layout tamil100 k)
expect_error("{NOPE}")
expect_error("ab{BS")
expect_error(a b)
expect_error("க")
