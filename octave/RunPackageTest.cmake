# cmake -DOCTAVE_CLI=... -DBUILD_DIR=... -DSOURCE_DIR=... -DTESTS=... -P RunPackageTest.cmake
#
# Installs the build into a temporary prefix (cmake --install), checks that the installed drova
# runs its modules from there, then installs and loads the Octave package in a fresh octave-cli
# whose packages live under the prefix too (tests/octave/drova_package_test.m). The prefix is
# removed when the test passes.
string(RANDOM LENGTH 8 tag)
set(prefix ${BUILD_DIR}/package-test-${tag})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cmake --install failed:\n${log}")
endif()

execute_process(COMMAND ${prefix}/bin/drova konv ${SOURCE_DIR}/examples/machine.gsms --path 1,2 --dest 1,1
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status STREQUAL "0" OR NOT out STREQUAL "-1*exp(1/sym(20))*exp(-1/sym(100)*t)*heaviside(t-5)+1*heaviside(t-5)\n")
  message(FATAL_ERROR "The installed drova failed (${status}): ${out}${err}")
endif()

set(CODE "addpath('${TESTS}'); drova_package_test('${SOURCE_DIR}', '${prefix}')")
include(${CMAKE_CURRENT_LIST_DIR}/RunOctaveTest.cmake)
file(REMOVE_RECURSE ${prefix})
