# The script runner (host/script) links libffi and libpng. For the Windows
# build they are cross-built once per build folder by scripts/win32-deps into
# win32-deps/prefix, which then joins the places find_* and pkg-config search.
#
# Sets RB_SCRIPT_RUNNER to OFF when they cannot be had (no network, a mirror
# without the sources): the rest of the Windows build goes on without the
# runner, with a warning.
if(NOT EXISTS ${PROJECT_SOURCE_DIR}/host/script)
  return()
endif()

set(_rb_deps_dir ${CMAKE_BINARY_DIR}/win32-deps)
set(_rb_deps_prefix ${_rb_deps_dir}/prefix)
set(_rb_deps_log ${_rb_deps_dir}.log)
set(_rb_deps_failed ${_rb_deps_dir}.failed)  # tried once; not again on every configure
if(NOT EXISTS ${_rb_deps_prefix}/.complete AND NOT EXISTS ${_rb_deps_failed})
  message(STATUS "Cross-building libffi and libpng for Windows (log: ${_rb_deps_log})")
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/win32-deps ${_rb_deps_dir} ${CMAKE_TOOLCHAIN_FILE}
    OUTPUT_FILE ${_rb_deps_log} ERROR_FILE ${_rb_deps_log}
    RESULT_VARIABLE _rb_deps_result)
  if(NOT _rb_deps_result EQUAL 0)
    file(TOUCH ${_rb_deps_failed})
  endif()
endif()

if(EXISTS ${_rb_deps_prefix}/.complete)
  file(STRINGS ${_rb_deps_prefix}/.complete _rb_deps_versions)
  list(JOIN _rb_deps_versions ", " _rb_deps_versions)
  message(STATUS "Windows libraries for the script runner: ${_rb_deps_versions}")
  list(APPEND CMAKE_FIND_ROOT_PATH ${_rb_deps_prefix})
  set(ENV{PKG_CONFIG_LIBDIR} "${_rb_deps_prefix}/lib/pkgconfig:$ENV{PKG_CONFIG_LIBDIR}")
else()
  message(WARNING "libffi and libpng could not be built for Windows (see ${_rb_deps_log}): "
                  "this build has no script runner (rbhost run, rbhost demo) and none of its "
                  "tests. Delete ${_rb_deps_failed} and configure again to retry.")
  set(RB_SCRIPT_RUNNER OFF)
endif()
