# One static library per folder of Code/. A folder without sources yet gives an
# interface library, so that later folders can already name it as a dependency.
set(ZOLT_ALL_LIBS "" CACHE INTERNAL "")

# The common Qt and standard headers are precompiled once per target; widget
# libraries add the widget headers.
function(zolt_precompile name)
  # Only system headers, so that the precompiled header holds no path of the
  # checkout and the compiler cache serves every checkout alike.
  target_precompile_headers(${name} PRIVATE
    <algorithm> <atomic> <functional> <map> <memory> <mutex> <optional> <set>
    <string> <unordered_map> <vector>
    <QtCore/QByteArray> <QtCore/QDateTime> <QtCore/QHash> <QtCore/QList>
    <QtCore/QObject> <QtCore/QString> <QtCore/QTimer> <QtCore/QVariant>)
endfunction()

function(zolt_add_code_dir dir name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  set(_cpp ${_srcs})
  list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
  if(_cpp)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/Code ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    target_compile_options(${name} PRIVATE -Wall -Wextra -Wno-unused-parameter)
    zolt_precompile(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/Code ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  set(ZOLT_ALL_LIBS ${ZOLT_ALL_LIBS} ${name} CACHE INTERNAL "")
endfunction()

# One GoogleTest program per library: every .cpp in tests/<dir>.
function(zolt_add_test_dir dir name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_link_libraries(${name} PRIVATE zolt_testsupport ${ARG_DEPS})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  zolt_precompile(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
