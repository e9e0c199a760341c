# Fails when a test that runs a program under wine stays out of the `wine`
# fixture: such a test starts a wineserver of its own (seconds per test) and
# may run while the session is being stopped, which kills it. A direct
# gtest_discover_tests call must pass ${RB_TEST_DISCOVERY_OPTIONS}.
#   cmake -DCTEST=<ctest> -DBUILD_DIR=<dir> -DLOADER=<wine loader> -P CheckWineSession.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${CTEST} --show-only=json-v1 WORKING_DIRECTORY ${BUILD_DIR}
                OUTPUT_VARIABLE json RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ctest --show-only failed")
endif()

set(outside "")
string(JSON count LENGTH "${json}" tests)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON test GET "${json}" tests ${i})
  string(JSON command ERROR_VARIABLE no_command GET "${test}" command)
  if(no_command OR NOT command MATCHES "\"${LOADER}\"")
    continue()
  endif()
  set(joined FALSE)
  string(JSON properties GET "${test}" properties)
  string(JSON property_count LENGTH "${properties}")
  math(EXPR last_property "${property_count} - 1")
  foreach(p RANGE ${last_property})
    string(JSON property_name GET "${properties}" ${p} name)
    if(property_name STREQUAL "FIXTURES_REQUIRED")
      string(JSON fixtures GET "${properties}" ${p} value)
      if(fixtures MATCHES "\"wine\"")
        set(joined TRUE)
      endif()
    endif()
  endforeach()
  if(NOT joined)
    string(JSON name GET "${test}" name)
    list(APPEND outside "${name}")
  endif()
endforeach()

if(outside)
  list(JOIN outside "\n  " outside)
  message(FATAL_ERROR "tests run under wine outside the wine session:\n  ${outside}")
endif()
