include(GoogleTest)
find_package(GTest REQUIRED)

# quavrel_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [ENVIRONMENT VAR=value ...])
# One GoogleTest executable per area; its cases are discovered when the tests run.
function(quavrel_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_property(GLOBAL APPEND PROPERTY QUAVREL_TESTS ${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  quavrel_warnings(${T_NAME})
  set(env "QUAVREL_BUILD_DIR=${CMAKE_BINARY_DIR}" "QUAVREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
          "QUAVREL_DATA_DIR=${QUAVREL_DATA_DIR}" ${T_ENVIRONMENT})
  # Every ";" between the variables passes through three rounds of list expansion on its way into
  # the discovered tests' properties; without this escape only the first variable would survive.
  list(JOIN env [=[\\\\\\\;]=] env)
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()
