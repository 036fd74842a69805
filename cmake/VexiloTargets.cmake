# Helpers that keep the per-layer targets uniform.

# vexilo_layer(NAME SOURCES ... DEPENDS ...)
# A static library for one layer (an interface library while the layer has no
# sources yet). Its include root is the project root, so code includes
# "fs/file_system.h", "engine/types/data_type.h" and so on.
function(vexilo_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPENDS" ${ARGN})
  if(L_SOURCES)
    add_library(${name} STATIC ${L_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${L_DEPENDS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_DEPENDS})
  endif()
endfunction()

# vexilo_test(NAME SOURCES ... DEPENDS ...)
# One GoogleTest executable; every test case becomes its own CTest test.
# Tests run in a fresh temporary directory of their own (see tests/support).
function(vexilo_test name)
  cmake_parse_arguments(T "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_DEPENDS} vexilo_test_support GTest::gmock GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
