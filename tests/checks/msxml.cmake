# Tests of the msxml checks.
# The checker's decisions on staged probe results, on every build.
korvo_test(msxml_check_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MsxmlCheckTest.cpp
  LIBS korvo_checks korvo_platform_fakes)

# The real COM tests against the MSXML 6.0 that Wine offers.
korvo_test(msxml_com_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MsxmlComTest.cpp
  LIBS korvo_checks
  WINDOWS_ONLY)
