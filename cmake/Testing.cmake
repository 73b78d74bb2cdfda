# quenby_add_tests(NAME <target> SOURCES ... LIBS ...)
# One GoogleTest executable per subsystem; every test gets a time-out.
function(quenby_add_tests)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endfunction()
