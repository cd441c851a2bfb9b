# add_project_tests(<name> LIBS <libs...>)
#   Builds every tests/*_test.cpp of the calling folder into one GoogleTest
#   program <name>, and every tests/*_child.cpp into its own program
#   <name>_<stem> that tests start as a separate process (the program lands in
#   the same bin folder as the test, where testsupport::SiblingProgram finds it).
#   Both see the folder's private headers (src/) as well as its public ones.
function(add_project_tests name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
  file(GLOB child_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_child.cpp)
  foreach(child ${child_sources})
    get_filename_component(stem ${child} NAME_WE)
    add_executable(${stem} ${child})
    target_link_libraries(${stem} PRIVATE ${ARG_LIBS} testsupport)
    target_include_directories(${stem} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    list(APPEND child_targets ${stem})
  endforeach()
  if(test_sources)
    add_executable(${name} ${test_sources})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} testsupport GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    if(child_targets)
      add_dependencies(${name} ${child_targets})
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
