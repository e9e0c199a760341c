# Test support for the 32-bit Windows build, whose tests run under wine.
#
# - GoogleTest is built from Debian's sources with the cross compilers (the
#   build machine's libraries are of no use to a Windows program).
# - Every test needs the `wine` fixture: one wineserver session for the run
#   (see wine-session.sh), which keeps each test from costing seconds.
# - The wine prefix is made once per build folder, before the first test
#   program runs (listing a program's tests after linking runs it): target
#   wine_prefix, on which every test program depends.
# - RB_TEST_DISCOVERY_OPTIONS: what every gtest_discover_tests call adds.

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Not our code: built with its own warning settings, not with -Werror.
foreach(target gtest gtest_main gmock gmock_main)
  set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS "")
endforeach()

# Some machines run no 32-bit programs at all (a kernel without ia32
# emulation, or one that refuses it): wine32 cannot start there. The suites
# are still built, so every Windows program and DLL is known to compile and
# link, but nothing is run; ctest reports one skipped test that says why.
execute_process(COMMAND ${RB_WINE_LOADER} --version RESULT_VARIABLE _rb_wine_status
                OUTPUT_QUIET ERROR_QUIET)
if(_rb_wine_status EQUAL 0)
  set(RB_WINE_RUNS ON)
else()
  set(RB_WINE_RUNS OFF)
  message(WARNING "${RB_WINE_LOADER} does not run on this machine (${_rb_wine_status}): "
                  "the Windows test programs are built but not run")
  add_test(NAME Wine.RunsOnThisMachine
           COMMAND sh -c "echo '${RB_WINE_LOADER} cannot run here: this machine does not execute 32-bit programs'; exit 77")
  set_tests_properties(Wine.RunsOnThisMachine PROPERTIES SKIP_RETURN_CODE 77)
  return()
endif()

set(_rb_wine_session /usr/bin/env ${RB_WINE_ENV} RB_WINE_LOADER=${RB_WINE_LOADER}
                     sh ${PROJECT_SOURCE_DIR}/cmake/wine-session.sh)
add_custom_command(OUTPUT ${RB_WINE_PREFIX}/.prepared
                   COMMAND ${_rb_wine_session} prepare
                   COMMENT "Preparing the wine prefix ${RB_WINE_PREFIX}")
add_custom_target(wine_prefix DEPENDS ${RB_WINE_PREFIX}/.prepared)

add_test(NAME wine.start COMMAND ${_rb_wine_session} start)
add_test(NAME wine.stop COMMAND ${_rb_wine_session} stop)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)

# Programs and DLLs share bin/: a test finds what it loads beside itself.
# A program that hangs under wine fails its test instead of the whole run.
set(RB_TEST_DISCOVERY_OPTIONS
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)

add_test(NAME WineSession.EveryWineTestJoinsIt
         COMMAND ${CMAKE_COMMAND} -DCTEST=${CMAKE_CTEST_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                 -DLOADER=${RB_WINE_LOADER} -P ${PROJECT_SOURCE_DIR}/cmake/CheckWineSession.cmake)
