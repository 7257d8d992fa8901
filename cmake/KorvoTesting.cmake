# GoogleTest is built from source in every build, so the sanitizer and MinGW builds
# compile it with the same flags as our own code.
if(KORVO_BUILD_TESTS)
  set(KORVO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KORVO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(WIN32)
    # The win32 thread model has no std::mutex; our copy of GoogleTest's custom port header, found
    # ahead of its own, supplies the one class that needs it.
    foreach(gtest_target gtest gtest_main gmock gmock_main)
      target_include_directories(${gtest_target} BEFORE PUBLIC ${PROJECT_SOURCE_DIR}/tests/support/gtest-custom)
    endforeach()
  endif()
endif()

# korvo_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#            [NATIVE_ONLY] [WINDOWS_ONLY] [TIMEOUT <seconds>])
# One GoogleTest executable, registered as one ctest test. On the MinGW build ctest runs it under
# Wine through the cross-compiling emulator.
function(korvo_test name)
  cmake_parse_arguments(T "NATIVE_ONLY;WINDOWS_ONLY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_NATIVE_ONLY AND WIN32)
    return()
  endif()
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The 32-bit build cannot run here: build the tests, register none.
    set(no_run TRUE)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} korvo_test_thread GTest::gmock GTest::gtest_main korvo_options)
  if("concurrency" IN_LIST T_LABELS)
    set_property(GLOBAL APPEND PROPERTY KORVO_CONCURRENCY_TESTS ${name})  # see concurrency_tests
  endif()
  if(NOT no_run)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    if(NOT T_TIMEOUT)
      set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
    if(KORVO_WINEPREFIX)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEPREFIX=${KORVO_WINEPREFIX}")
    endif()
  endif()
endfunction()
