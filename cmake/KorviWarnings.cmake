# One warning level for all of the project's own targets.
set(KORVI_WARNINGS -Wall -Wextra -Wpedantic)

function(korvi_warnings target)
  target_compile_options(${target} PRIVATE ${KORVI_WARNINGS})
endfunction()
