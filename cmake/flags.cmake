# Many results are fixed to the bit: no contraction of a*b+c into a fused
# multiply-add, no fast-math, and the baseline instruction set (the sphere
# array's lane kernels add an AVX2 build of the same operations, chosen at
# run time).
add_compile_options(-ffp-contract=off -fno-fast-math -fno-finite-math-only
                    -Wall -Wextra)
if(VEXORIN_SANITIZE)
  add_compile_options(-fsanitize=${VEXORIN_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VEXORIN_SANITIZE})
endif()

# vexorin_library(name) declares a static library from name/src/*.cpp with the
# public headers in name/include, and its GoogleTest suite from name/tests.
function(vexorin_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                       PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()
  if(VEXORIN_BUILD_TESTS)
    # One executable per test file keeps a suite buildable while another one
    # is being edited.
    file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
    foreach(test ${tests})
      get_filename_component(stem ${test} NAME_WE)
      add_executable(${name}_${stem} ${test})
      target_include_directories(${name}_${stem} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src
                                                         ${CMAKE_CURRENT_SOURCE_DIR}/tests)
      target_link_libraries(${name}_${stem} PRIVATE ${name} GTest::gtest GTest::gtest_main)
      gtest_discover_tests(${name}_${stem} TEST_PREFIX "${name}." DISCOVERY_TIMEOUT 60)
    endforeach()
  endif()
endfunction()
