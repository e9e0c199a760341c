# Checks a built plug-in file the way the host's loader sees it:
#   cmake -DPLUGIN=<file> -DTOOL=<objdump or nm> [-DSYSTEM_DLLS=<a;b;...>] -P check_plugin_file.cmake
#
# A Windows DLL (TOOL is objdump): PE32 for i386, a DLL, exactly one export,
# REALPluginMain, by name, and imports from SYSTEM_DLLS only, so that it
# loads on a machine with nothing else installed.
# A shared object (TOOL is nm): REALPluginMain is its one defined dynamic
# symbol.
cmake_minimum_required(VERSION 3.25)

function(fail what)
  message(FATAL_ERROR "${PLUGIN}: ${what}")
endfunction()

if(PLUGIN MATCHES "\\.dll$")
  execute_process(COMMAND ${TOOL} -p ${PLUGIN} RESULT_VARIABLE result OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
else()
  execute_process(COMMAND ${TOOL} -D --defined-only ${PLUGIN} RESULT_VARIABLE result
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
endif()
if(NOT result EQUAL 0)
  fail("${TOOL} failed: ${err}")
endif()
string(REPLACE "\n" ";" lines "${out}")

if(NOT PLUGIN MATCHES "\\.dll$")
  set(symbols "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] (.+)$")
      list(APPEND symbols "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(NOT symbols STREQUAL "REALPluginMain")
    fail("defines [${symbols}], expected REALPluginMain alone")
  endif()
  return()
endif()

if(NOT out MATCHES "file format pei-i386")
  fail("not a 32-bit x86 PE file")
endif()
if(NOT out MATCHES "Magic[ \t]+010b[ \t]+\\(PE32\\)")
  fail("not PE32")
endif()
if(NOT out MATCHES "\nCharacteristics 0x([0-9a-fA-F]+)")
  fail("no characteristics")
endif()
math(EXPR is_dll "0x${CMAKE_MATCH_1} & 0x2000")
if(is_dll EQUAL 0)
  fail("not a DLL")
endif()

# Exports: the address table counts them all, the name table names them.
set(addresses 0)
set(names "")
set(imports "")
set(in_names FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\t\\[ *[0-9]+\\] \\+base\\[")
    math(EXPR addresses "${addresses} + 1")
  elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_names TRUE)
  elseif(in_names AND line MATCHES "^\t\\[ *[0-9]+\\] (.+)$")
    list(APPEND names "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^\tDLL Name: (.+)$")
    list(APPEND imports "${CMAKE_MATCH_1}")
  else()
    set(in_names FALSE)
  endif()
endforeach()
if(NOT addresses EQUAL 1 OR NOT names STREQUAL "REALPluginMain")
  fail("exports ${addresses} entries named [${names}], expected REALPluginMain alone")
endif()

string(TOLOWER "${SYSTEM_DLLS}" allowed)
foreach(dll IN LISTS imports)
  string(TOLOWER "${dll}" name)
  if(NOT name IN_LIST allowed)
    fail("imports ${dll}, which is not a system DLL (imports: ${imports})")
  endif()
endforeach()
message(STATUS "${PLUGIN}: PE32 i386 DLL, exports REALPluginMain, imports ${imports}")
