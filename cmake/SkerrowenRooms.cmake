# Each room (app, ui, render, xfile, calc, mapout) builds two libraries from its folder:
#   skerrowen_<room>     every *.cpp except qt_*.cpp: plain C++, no Qt include can compile here;
#   skerrowen_<room>_qt  the qt_*.cpp files: the room's Qt-backed services.
# Sources are globbed so adding a file to a room needs no CMake edit.
function(skerrowen_room room)
  cmake_parse_arguments(ARG "" "" "DEPENDS;QT_DEPENDS;LIBS" ${ARGN})
  file(GLOB plain_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB qt_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/qt_*.cpp)
  list(REMOVE_ITEM plain_sources ${qt_sources} ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
  if(plain_sources)
    add_library(skerrowen_${room} STATIC ${plain_sources})
    target_include_directories(skerrowen_${room} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(skerrowen_${room} PUBLIC ${ARG_DEPENDS} ${ARG_LIBS})
  else()
    add_library(skerrowen_${room} INTERFACE)
    target_include_directories(skerrowen_${room} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(skerrowen_${room} INTERFACE ${ARG_DEPENDS} ${ARG_LIBS})
  endif()
  if(qt_sources)
    add_library(skerrowen_${room}_qt STATIC ${qt_sources})
    set_target_properties(skerrowen_${room}_qt PROPERTIES AUTOMOC ON)
    target_link_libraries(skerrowen_${room}_qt PUBLIC skerrowen_${room} ${ARG_QT_DEPENDS})
  endif()
endfunction()

# One test program per folder of tests/: every *.cpp in it, run through CTest.
function(skerrowen_add_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    SKERROWEN_BINARY_DIR="${CMAKE_BINARY_DIR}" SKERROWEN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
