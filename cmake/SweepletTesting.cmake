# GoogleTest from Debian's source package, built in both trees.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not ours to keep warning-free.
foreach(t gtest gtest_main gmock gmock_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE $<IF:$<CXX_COMPILER_ID:MSVC>,/w,-w>)
  endif()
endforeach()

# sweeplet_test(<name> SOURCES ... [LIBS ...])
# One test executable = one CTest test. In the Windows tree CTest runs it under Wine.
function(sweeplet_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# sweeplet_test_support(<name> SOURCES ... [LIBS ...])
# The fakes and drivers of a layer, for any test (and the tools) to link instead of compiling
# another folder's files. Each layer declares its own, named sweeplet_<layer>_testing; with
# headers only it is an interface library.
function(sweeplet_test_support name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  set(compiled ${T_SOURCES})
  list(FILTER compiled INCLUDE REGEX "\\.(cpp|c)$")
  if(compiled)
    add_library(${name} STATIC ${T_SOURCES})
    target_link_libraries(${name} PUBLIC sweeplet_common ${T_LIBS})
  else()
    add_library(${name} INTERFACE ${T_SOURCES})
    target_link_libraries(${name} INTERFACE sweeplet_common ${T_LIBS})
  endif()
endfunction()

# sweeplet_fuzzer(<name> SOURCES ... [LIBS ...])
# A libFuzzer target in <build>/fuzz, which scripts/test runs on its seeds in fuzz/corpus/ (the
# name without "_fuzzer"). Give it the parser's sources rather than its library, so that the
# parser itself carries coverage. libFuzzer needs clang: other trees get no fuzz targets.
function(sweeplet_fuzzer name)
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  string(REGEX REPLACE "_fuzzer$" "" seeds ${name})
  if(NOT IS_DIRECTORY ${PROJECT_SOURCE_DIR}/fuzz/corpus/${seeds})
    message(FATAL_ERROR "${name}: no seeds in fuzz/corpus/${seeds}")
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -O1 -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
