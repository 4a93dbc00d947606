# SPDX-License-Identifier: MIT
# Shared settings for every korvel target: warnings, include root and naming.

function(korvel_apply_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(KORVEL_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# korvel_library(NAME SOURCES ... [DEPENDS ...] [PRIVATE_DEPENDS ...])
# Creates korvel_NAME with the alias korvel::NAME; headers are included as "NAME/file.h".
function(korvel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  if(ARG_SOURCES)
    add_library(korvel_${name} STATIC ${ARG_SOURCES})
    target_include_directories(korvel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(korvel_${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
    korvel_apply_warnings(korvel_${name})
  else()
    add_library(korvel_${name} INTERFACE)
    target_include_directories(korvel_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(korvel_${name} INTERFACE ${ARG_DEPENDS})
  endif()
  add_library(korvel::${name} ALIAS korvel_${name})
endfunction()

# korvel_test(NAME SOURCES ... DEPENDS ...): one GoogleTest executable, its cases discovered by ctest.
function(korvel_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KORVEL_CORPUS_DIR="${PROJECT_SOURCE_DIR}/../shared/corpus"
    KORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KORVEL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  korvel_apply_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${name})
endfunction()
