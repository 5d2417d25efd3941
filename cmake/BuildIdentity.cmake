# Run at every build (cmake -P): writes OUTPUT, a header that names the
# program's VERSION and the commit SOURCE_DIR is checked out at ("unknown"
# outside a Git checkout), for the About box. The file is rewritten only when
# its text changes, so a build of the same commit recompiles nothing.
set(build "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE commit RESULT_VARIABLE failed
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed AND commit)
    set(build "${commit}")
  endif()
endif()
set(text "#pragma once\n// Written by cmake/BuildIdentity.cmake.\n#define KESTRAVA_PROGRAM_VERSION \"${VERSION}\"\n#define KESTRAVA_PROGRAM_BUILD \"${build}\"\n")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
