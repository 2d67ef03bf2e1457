# Helpers shared by every target of the project.

# Warnings and flags of our own code.
function(pennet_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
  # Locals that shadow locals; clang spells the warning its own way.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(${target} PRIVATE -Wshadow-uncaptured-local)
  else()
    target_compile_options(${target} PRIVATE -Wshadow=local)
  endif()
  if(PENNET_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(PENNET_ASAN)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# pennet_library(<name> SOURCES ... ) : one static library per folder under src/.
function(pennet_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  pennet_compile_options(${name})
endfunction()

# pennet_test(<name> SOURCES ... LIBS ...) : one GoogleTest executable per library.
function(pennet_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  pennet_compile_options(${name})
  # Most of a test file's compile time is GoogleTest's headers and templates:
  # compiling test files in batches parses them once per batch.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ${PENNET_UNITY} UNITY_BUILD_BATCH_SIZE 8)
  if(PENNET_ASAN)
    # Instrumenting and optimising GoogleTest's templates doubles the compile
    # time of every test file; the libraries under test keep the build's
    # optimisation, which is where the sanitizers look.
    target_compile_options(${name} PRIVATE -O0)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PENNET_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60)
endfunction()
