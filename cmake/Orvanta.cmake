# Small helpers shared by every folder's CMakeLists.txt.

# orvanta_module(<target> [DEPS <targets>...])
# A static library from every .cpp in the calling folder (tests/ excluded).
# A folder without sources yet becomes an interface library, so that the
# dependency graph stays the same while a module is being filled in.
function(orvanta_module target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(sources)
    add_library(${target} STATIC ${sources} ${headers})
    set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/..)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# orvanta_tests(<target> [QT] [LIBS <targets>...])
# One GoogleTest executable from tests/*.cpp of the calling folder. QT gives
# it a main that creates a QApplication on the offscreen platform.
function(orvanta_tests target)
  cmake_parse_arguments(ARG "QT" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(ARG_QT)
    target_link_libraries(${target} PRIVATE orvanta_qt_test_main)
    set(env "QT_QPA_PLATFORM=offscreen")
  else()
    target_link_libraries(${target} PRIVATE GTest::gtest_main)
    set(env "")
  endif()
  # Parameterised suites name their cases with a name generator; the value
  # itself would otherwise be appended to the CTest name as raw bytes.
  gtest_discover_tests(${target}
    TEST_PREFIX "${target}."
    NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${env}" TIMEOUT 120)
  # The same program once as a whole: one test must not leave timers or
  # windows behind for the next, which one process per test would hide.
  add_test(NAME ${target}.AllInOneProcess COMMAND ${target})
  set_tests_properties(${target}.AllInOneProcess PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()
