# Shared helpers for the project's targets.

function(velora_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
  if(VELORA_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # GCC 12 at -O3 reports impossible overlaps for std::string concatenation (GCC bug 105651).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-restrict>)
  endif()
endfunction()

# velora_library(NAME DEPS...) builds every .cpp of the calling folder into the static library
# velora_NAME. Headers are included as "folder/file.h" from src/.
function(velora_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A folder whose code is all in headers so far.
    add_library(velora_${name} INTERFACE)
    target_include_directories(velora_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(velora_${name} INTERFACE QT_NO_KEYWORDS)
    target_link_libraries(velora_${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(velora_${name} STATIC ${sources})
  target_include_directories(velora_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  # GLib's headers (under GMime) use "signals" as a field name.
  target_compile_definitions(velora_${name} PUBLIC QT_NO_KEYWORDS)
  target_link_libraries(velora_${name} PUBLIC ${ARGN})
  velora_set_warnings(velora_${name})
endfunction()

# velora_test(NAME DEPS... [LSAN_OPTIONS OPTIONS]) builds every .cpp of the calling folder into the
# test program velora_tests_NAME and registers its tests with CTest, run on the offscreen Qt
# platform; LSAN_OPTIONS replaces the LeakSanitizer options of the test preset for these tests.
function(velora_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "LSAN_OPTIONS" "")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(velora_tests_${name} ${sources})
  target_link_libraries(velora_tests_${name} PRIVATE ${arg_UNPARSED_ARGUMENTS}
    GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(velora_tests_${name} PRIVATE
    VELORA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    VELORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELORA_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  velora_set_warnings(velora_tests_${name})
  set(modifications "")
  if(arg_LSAN_OPTIONS)
    set(modifications ENVIRONMENT_MODIFICATION "LSAN_OPTIONS=set:${arg_LSAN_OPTIONS}")
  endif()
  gtest_discover_tests(velora_tests_${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${modifications}
    DISCOVERY_TIMEOUT 60)
endfunction()
