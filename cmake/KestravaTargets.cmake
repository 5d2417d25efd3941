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
# The cases of an executable named in KESTRAVA_THREADED_TESTS are labelled
# "threaded" and the executable is built by the target threaded_tests, which
# the ThreadSanitizer build of scripts/test runs.
function(kestrava_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # A test's time goes into the code it calls, which keeps the build's
  # optimisation; optimising the test bodies themselves (GoogleTest's macros
  # and templates) only made them take about 40 % longer to compile.
  target_compile_options(${name} PRIVATE -O0)
  # Every test file includes GoogleTest; parsing it once per executable
  # instead of once per file pays where each file is compiled on its own.
  # A unity build parses it once per batch anyway, where most executables
  # are one batch: there the precompiled header cost more than it saved.
  # ccache would not cache files built with it, so shared ccache builds keep
  # what they gain from the cache instead.
  if(NOT CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache" AND NOT CMAKE_UNITY_BUILD)
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h> <string> <vector>)
  endif()
  kestrava_warnings(${name})
  set(label "")
  if(name IN_LIST KESTRAVA_THREADED_TESTS)
    set(label LABELS threaded)
    if(NOT TARGET threaded_tests)
      add_custom_target(threaded_tests)
    endif()
    add_dependencies(threaded_tests ${name})
  endif()
  set(properties ENVIRONMENT "KESTRAVA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data" ${label})
  # One process per case keeps the cases apart and lets ctest -R pick one;
  # CI runs each executable once instead (KESTRAVA_WHOLE_TEST_EXECUTABLES):
  # starting hundreds of processes, each loading Qt (under the sanitizers
  # too), cost more than the cases themselves.
  if(KESTRAVA_WHOLE_TEST_EXECUTABLES)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ${properties})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
  endif()
endfunction()

# kestrava_benchmark(<name> SOURCES ... LIBS ...)
function(kestrava_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
  kestrava_warnings(${name})
endfunction()
