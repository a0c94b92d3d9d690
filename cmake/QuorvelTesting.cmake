# qv_add_test(<target> PREFIX <prefix> SOURCES <files...> LIBS <libraries...>)
#
# One test program: its cases are named "<prefix>.<suite>.<case>", it may use
# QV_DATA_DIR (the delivered database text) and runs on the offscreen platform.
include(GoogleTest)

function(qv_add_test target)
  cmake_parse_arguments(T "" "PREFIX" "SOURCES;LIBS" ${ARGN})
  if(NOT T_PREFIX)
    message(FATAL_ERROR "qv_add_test(${target}): PREFIX is required")
  endif()
  add_executable(${target} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE ${T_LIBS})
  target_compile_definitions(${target} PRIVATE QV_DATA_DIR="${PROJECT_SOURCE_DIR}/data")
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 30
    TEST_PREFIX "${T_PREFIX}."
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  )
endfunction()
