# Test plumbing shared by every folder: GoogleTest executables, libFuzzer targets,
# benchmarks, and the Wine fixture that Windows tests run inside.

set(KORVI_TEST_TIMEOUT 300)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(KORVI_NATIVE AND NOT KORVI_FUZZ)
  find_package(benchmark REQUIRED)
endif()

# Windows tests share one fresh prefix in the build tree, served by one persistent
# wineserver that the fixture starts before the first test and stops after the last.
if(NOT KORVI_NATIVE)
  set(KORVI_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  if(KORVI_WIN64)
    set(KORVI_WINE_ARCH win64)
  else()
    set(KORVI_WINE_ARCH win32)
  endif()
  set(KORVI_WINE "${PROJECT_SOURCE_DIR}/scripts/wine-test.sh" run "${KORVI_WINEPREFIX}" ${KORVI_WINE_ARCH})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVI_WINE})
  add_test(NAME wine.start COMMAND "${PROJECT_SOURCE_DIR}/scripts/wine-test.sh" start "${KORVI_WINEPREFIX}")
  add_test(NAME wine.stop COMMAND "${PROJECT_SOURCE_DIR}/scripts/wine-test.sh" stop "${KORVI_WINEPREFIX}")
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endif()

function(_korvi_test_properties name)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${KORVI_TEST_TIMEOUT})
  if(NOT KORVI_NATIVE)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# korvi_add_test(NAME n SOURCES files... LIBS libs...): one GoogleTest executable, one ctest test.
function(korvi_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gmock gtest_main)
  korvi_warnings(${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  _korvi_test_properties(${T_NAME})
endfunction()

# korvi_wine_test(NAME n COMMAND cmd...): any other command as a test inside the Wine fixture.
function(korvi_wine_test)
  cmake_parse_arguments(T "" "NAME" "COMMAND" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  _korvi_test_properties(${T_NAME})
endfunction()

# korvi_add_fuzzer(NAME n SOURCES files... LIBS libs... RUNS count): libFuzzer target with a bounded run.
function(korvi_add_fuzzer)
  if(NOT KORVI_FUZZ)
    return()
  endif()
  cmake_parse_arguments(T "" "NAME;RUNS" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  target_compile_options(${T_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${T_NAME} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} -runs=${T_RUNS} -seed=1)
  _korvi_test_properties(${T_NAME})
endfunction()

# korvi_add_benchmark(NAME n SOURCES files... LIBS libs...): Google Benchmark program, not a test.
function(korvi_add_benchmark)
  if(NOT KORVI_NATIVE OR KORVI_FUZZ)
    return()
  endif()
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} benchmark::benchmark)
  korvi_warnings(${T_NAME})
endfunction()
