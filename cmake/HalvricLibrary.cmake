# One static library per source folder. Sources are collected from the folder so
# that adding a file never needs a build-file edit. A folder without sources yet
# becomes an interface library, so that targets depending on it still link.
function(halvric_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  foreach(_ex ${ARG_EXCLUDE})
    list(FILTER _srcs EXCLUDE REGEX "/${_ex}$")
  endforeach()
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# A library of the windows' floor: as above, with Qt's meta-object compiler.
function(halvric_qt_library name dir)
  halvric_library(${name} ${dir} ${ARGN})
  get_target_property(_type ${name} TYPE)
  if(NOT _type STREQUAL "INTERFACE_LIBRARY")
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# One test program per test folder, discovered by CTest before the tests run.
function(halvric_test name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} halvric_testsupport GTest::gtest GTest::gtest_main GTest::gmock)
  # Tests never touch the user's own data folder, and read the English texts whatever the
  # locale of whoever runs them.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "HALVRIC_DATA_DIR=${CMAKE_BINARY_DIR}/test-data;LC_ALL=C.UTF-8")
endfunction()
