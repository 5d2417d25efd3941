# Helpers that give every target of ours the same warnings and include root.

function(kestrava_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# kestrava_library(<subsystem> SOURCES ... [DEPENDS <subsystem>...] [LIBS <other targets>...])
# Makes the static library kestrava_<subsystem>; headers are included as
# "<subsystem>/Header.h" from the project root.
function(kestrava_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LIBS" ${ARGN})
  add_library(kestrava_${name} STATIC ${ARG_SOURCES})
  target_include_directories(kestrava_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(kestrava_${name} PUBLIC kestrava_${dep})
  endforeach()
  if(ARG_LIBS)
    target_link_libraries(kestrava_${name} PUBLIC ${ARG_LIBS})
  endif()
  kestrava_warnings(kestrava_${name})
endfunction()

# kestrava_test(<name> SOURCES ... LIBS ...)
# One GoogleTest executable; its cases are registered with CTest one by one.
function(kestrava_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  kestrava_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KESTRAVA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()

# kestrava_benchmark(<name> SOURCES ... LIBS ...)
function(kestrava_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
  kestrava_warnings(${name})
endfunction()
