# rb_add_plugin(<target> OUTPUT_NAME <file name> SOURCES ...)
#
# A host plug-in: a shared library whose one export is REALPluginMain. Every
# other symbol, including those of the static libraries linked into it, stays
# hidden.
function(rb_add_plugin target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;LINK" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${ARG_OUTPUT_NAME}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${target} PRIVATE ${ARG_LINK})
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                        ${PROJECT_SOURCE_DIR}/cmake/plugin.def)
  else()
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/plugin.map
      -Wl,--exclude-libs,ALL -Wl,--no-undefined)
    if(RB_FUZZ)
      # clang's sanitizer runtimes live in the program that loads the plug-in.
      target_link_options(${target} PRIVATE -Wl,-z,undefs)
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
                 ${PROJECT_SOURCE_DIR}/cmake/plugin.map)
  endif()
endfunction()
