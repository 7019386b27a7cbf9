# ruvemo_module(NAME SOURCES_DIR [LINKS ...])
# A module is one folder of the tree built as a static library from every
# .cpp file directly in it, except the *_main.cpp files of its programs. Headers are included as "folder/file.h" from the
# top of the tree.
function(ruvemo_module name)
  cmake_parse_arguments(M "" "" "LINKS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "_main\\.cpp$")
  if(srcs)
    file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${srcs} ${hdrs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${M_LINKS})
  else()
    # A module whose code has not been written yet still takes its place in
    # the dependency graph.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${M_LINKS})
  endif()
endfunction()

# ruvemo_test(NAME SOURCES... LINKS ... [LABELS ...])
# One GoogleTest program, its cases registered with ctest one by one.
function(ruvemo_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LINKS} GTest::gtest GTest::gmock GTest::gtest_main)
  include(GoogleTest)
  # Test discovery keeps only the first entry of an environment list, so the
  # folders reach the tests as compile definitions (and from scripts/test also
  # as RUVEMO_SOURCE_DIR and RUVEMO_BINARY_DIR in the environment).
  target_compile_definitions(${name} PRIVATE RUVEMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             RUVEMO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(props TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# ruvemo_fuzz_targets(GROUP LIBRARY TARGETS...)
# One libFuzzer program per name, built from NAME_fuzz.cpp beside the caller
# and linked with LIBRARY; GROUP is a custom target that builds them all.
function(ruvemo_fuzz_targets group library)
  add_custom_target(${group})
  foreach(target ${ARGN})
    add_executable(${target}_fuzz ${target}_fuzz.cpp)
    target_compile_options(${target}_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(${target}_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${target}_fuzz PRIVATE ${library})
    add_dependencies(${group} ${target}_fuzz)
  endforeach()
endfunction()
