# The layers of the build. A layer is one folder under src/ and one static
# library, t2g_<name> (alias text2grid::<name>), which may use only the layers
# and packages it names; its tests are one <name>_tests program beside it.
#
#   t2g_layer(<name> SOURCES file... [USES dep...] [PRIVATE_USES dep...]
#             [TESTS file...])
#
# A dep is a layer's name (platform, grid, ...) or an imported target
# (CLI11::CLI11). USES are part of the layer's interface: its headers include
# theirs. Headers are included by their path from src/; which folders may
# include which is checked by the layering test (cmake/check_layers.cmake).

# A list of deps with layer names turned into their targets.
function(t2g_layer_targets out)
  set(targets)
  foreach(dep IN LISTS ARGN)
    if(dep MATCHES "::" OR TARGET ${dep})
      list(APPEND targets ${dep})
    else()
      list(APPEND targets text2grid::${dep})
    endif()
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(t2g_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 L "" "" "SOURCES;USES;PRIVATE_USES;TESTS")
  add_library(t2g_${name} STATIC ${L_SOURCES})
  target_include_directories(t2g_${name} PUBLIC "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>")
  add_library(text2grid::${name} ALIAS t2g_${name})
  t2g_layer_targets(uses ${L_USES})
  t2g_layer_targets(private_uses ${L_PRIVATE_USES})
  target_link_libraries(t2g_${name} PUBLIC ${uses} PRIVATE ${private_uses})
  if(L_TESTS)
    add_layer_tests(${name} ${L_TESTS})
  endif()
endfunction()

# add_layer_tests(layer file...): one <layer>_tests executable linked to the
# layer and to the test hooks.
function(add_layer_tests layer)
  if(NOT T2G_TESTS)
    return()
  endif()
  add_executable(${layer}_tests ${ARGN})
  target_link_libraries(${layer}_tests PRIVATE t2g_${layer} t2g_test_hooks GTest::gtest_main)
  target_compile_definitions(${layer}_tests PRIVATE
    T2G_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${layer}_tests DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "MORERR=${T2G_BUILD_ERRDIR}")
endfunction()

# A test program of its own, for tests that need a fresh process.
function(add_standalone_tests name)
  cmake_parse_arguments(PARSE_ARGV 1 S "" "" "SOURCES;USES")
  if(NOT T2G_TESTS)
    return()
  endif()
  add_executable(${name} ${S_SOURCES})
  t2g_layer_targets(uses ${S_USES})
  target_link_libraries(${name} PRIVATE ${uses} t2g_test_hooks GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "MORERR=${T2G_BUILD_ERRDIR}")
endfunction()
