# Run by `cmake --install`: stages the Octave package and packs it into
# ${CMAKE_INSTALL_PREFIX}/share/drova/drova-VERSION.tar.gz (see InstallPackage.cmake).
set(stage ${DROVA_PACKAGE_STAGE}/drova)
file(REMOVE_RECURSE ${DROVA_PACKAGE_STAGE})
file(MAKE_DIRECTORY ${stage}/inst)
string(TIMESTAMP today "%Y-%m-%d" UTC)
configure_file(${DROVA_PACKAGE_FILES}/DESCRIPTION.in ${stage}/DESCRIPTION @ONLY)
file(COPY ${DROVA_PACKAGE_FILES}/INDEX ${DROVA_PACKAGE_FILES}/COPYING DESTINATION ${stage})
file(GLOB gateways ${DROVA_OCTAVE_DIR}/*.mex)
file(GLOB functions LIST_DIRECTORIES true ${DROVA_OCTAVE_DIR}/*.m ${DROVA_OCTAVE_DIR}/@*)
file(COPY ${gateways} ${functions} DESTINATION ${stage}/inst)
foreach(library ${DROVA_HOST_LIBRARIES})
  file(COPY ${CMAKE_INSTALL_PREFIX}/lib/${library} DESTINATION ${stage}/inst)
endforeach()
# The gateways were linked with the run path build/lib; the package's copies look beside themselves.
file(GLOB staged ${stage}/inst/*.mex)
foreach(gateway ${staged})
  file(RPATH_SET FILE ${gateway} NEW_RPATH "$ORIGIN")
endforeach()

set(archive ${CMAKE_INSTALL_PREFIX}/share/drova/drova-${DROVA_PACKAGE_VERSION}.tar.gz)
file(MAKE_DIRECTORY ${CMAKE_INSTALL_PREFIX}/share/drova)
message(STATUS "Installing: ${archive}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${archive} drova
                WORKING_DIRECTORY ${DROVA_PACKAGE_STAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "Could not pack the Octave package ${archive}")
endif()
