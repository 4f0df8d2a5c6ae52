# drova_add_gtest(NAME SOURCES src... LIBS lib...)
# Builds one GoogleTest executable and registers its tests with ctest.
# Tests can find the drova binary (DROVA_BIN), the module folder (DROVA_LIB_DIR),
# the test data folder (DROVA_TEST_DATA) and the source tree (DROVA_SOURCE_DIR).
function(drova_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE
    DROVA_BIN="$<TARGET_FILE_DIR:${name}>/drova"
    DROVA_LIB_DIR="${CMAKE_LIBRARY_OUTPUT_DIRECTORY}"
    DROVA_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    DROVA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 600)
endfunction()
