# Adds every immediate sub-folder of the current source folder that has a CMakeLists.txt.
function(sheetcut_add_subdirs)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# sheetcut_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [QT] [LABELS l ...])
# One GoogleTest program, registered as one CTest test. QT gives it a main() that creates a
# QApplication; tests always run with the offscreen Qt platform.
function(sheetcut_add_test)
  cmake_parse_arguments(T "QT" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${T_NAME} PRIVATE sheetcut_qt_test_main GTest::gtest Qt6::Widgets)
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main GTest::gtest)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE
    SHEETCUT_SOURCE_DIR="${PROJECT_SOURCE_DIR}" SHEETCUT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}")
endfunction()
