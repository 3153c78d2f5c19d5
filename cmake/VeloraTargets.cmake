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

# velora_library(NAME [SOURCES file.cpp...] [DEPENDS target...]) builds the listed sources of the
# calling folder into the static library velora_NAME (an interface library when the folder's code
# is all in headers). Headers are included as "folder/file.h" from src/.
function(velora_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;DEPENDS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "velora_library(${name}): unexpected ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_SOURCES)
    add_library(velora_${name} INTERFACE)
    target_include_directories(velora_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(velora_${name} INTERFACE QT_NO_KEYWORDS)
    target_link_libraries(velora_${name} INTERFACE ${arg_DEPENDS})
    return()
  endif()
  add_library(velora_${name} STATIC ${arg_SOURCES})
  target_include_directories(velora_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  # GLib's headers (under GMime) use "signals" as a field name.
  target_compile_definitions(velora_${name} PUBLIC QT_NO_KEYWORDS)
  target_link_libraries(velora_${name} PUBLIC ${arg_DEPENDS})
  velora_set_warnings(velora_${name})
endfunction()

# velora_test(NAME SOURCES file.cpp... DEPENDS target... [LSAN_OPTIONS OPTIONS]) builds the listed
# sources into the test program velora_tests_NAME and registers its tests with CTest, run on the
# offscreen Qt platform; LSAN_OPTIONS replaces the LeakSanitizer options of the test preset for
# these tests. A program named in VELORA_THREADED_TEST_PROGRAMS (set in tests/CMakeLists.txt) has
# its tests labelled "threaded": the tsan preset runs those.
function(velora_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "LSAN_OPTIONS" "SOURCES;DEPENDS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "velora_test(${name}): unexpected ${arg_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(velora_tests_${name} ${arg_SOURCES})
  target_link_libraries(velora_tests_${name} PRIVATE ${arg_DEPENDS}
    GTest::gtest GTest::gmock GTest::gtest_main)
  # What several test programs share (temporary homes, Maildir builders) is in tests/harness.
  target_include_directories(velora_tests_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(velora_tests_${name} PRIVATE
    VELORA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    VELORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELORA_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  velora_set_warnings(velora_tests_${name})
  set(modifications "")
  if(arg_LSAN_OPTIONS)
    set(modifications ENVIRONMENT_MODIFICATION "LSAN_OPTIONS=set:${arg_LSAN_OPTIONS}")
  endif()
  set(labels "")
  if(name IN_LIST VELORA_THREADED_TEST_PROGRAMS)
    set(labels LABELS threaded)
  endif()
  gtest_discover_tests(velora_tests_${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${modifications} ${labels}
    DISCOVERY_TIMEOUT 60)
endfunction()

# The libFuzzer targets (fuzz/NAME.cpp, seeds in fuzz/corpus/ without the "fuzz_" prefix) and the
# libraries they test; fuzz/CMakeLists.txt builds them for libFuzzer, tests/CMakeLists.txt builds
# each with a plain driver that replays its seeds and findings.
set(VELORA_FUZZ_TARGETS fuzz_entry_id fuzz_html_to_text fuzz_maildir_name fuzz_message_header
    fuzz_mime_body fuzz_registry_hive fuzz_segment_text)
set(VELORA_FUZZ_DEPENDS velora_content velora_reader velora_mail velora_services velora_support
    velora_platform)
