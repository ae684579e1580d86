# Strict warnings for every target of ours; errors when QOR_WARNINGS_AS_ERRORS is on (CI).
function(qor_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${QOR_WARNINGS_AS_ERRORS}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      $<$<BOOL:${QOR_WARNINGS_AS_ERRORS}>:-Werror>)
    # GCC 12's optimiser reports overlaps and bounds inside the standard library's string
    # and vector code that cannot happen (GCC bugs 105329, 105651); only optimised builds see them.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE
        $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict -Wno-array-bounds>)
    endif()
  endif()
endfunction()

# A GoogleTest executable registered with CTest.
# PROPERTIES: further test properties of each of its tests, as name-value pairs.
function(qor_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  qor_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 ${ARG_PROPERTIES})
endfunction()
