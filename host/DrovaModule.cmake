# drova_add_module(NAME SOURCES src... [LIBS lib...] [EXPORTS symbol...] [CLASSIC])
#
# Builds an extension module as NAME.so in the module folder (build/lib), linked with
# the host library drova_host. Everything in it is hidden except its exports: the three
# entries of the object-based interface (mexCreateMexFunction, mexFunctionAdapter,
# mexDestroyMexFunction; dropped with CLASSIC) plus the symbols named in EXPORTS. Mark
# exported functions in the sources with DROVA_MEX_EXPORT (host/MexFunction.hpp).
function(drova_add_module name)
  cmake_parse_arguments(ARG "CLASSIC" "" "SOURCES;LIBS;EXPORTS" ${ARGN})
  set(exports ${ARG_EXPORTS})
  if(NOT ARG_CLASSIC)
    list(PREPEND exports mexCreateMexFunction mexFunctionAdapter mexDestroyMexFunction)
  endif()
  list(JOIN exports ";\n    " globals)
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${name}.exports.map)
  file(GENERATE OUTPUT ${map} CONTENT "{\n  global:\n    ${globals};\n  local: *;\n};\n")

  add_library(${name} MODULE ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${map})
  target_link_libraries(${name} PRIVATE drova_host ${ARG_LIBS})
  target_link_options(${name} PRIVATE "LINKER:--version-script=${map}" "LINKER:--no-undefined")
endfunction()
