# Unit tests of the HTTP client's logic over in-memory streams and a scripted driver.
set(HTTP_UNIT ${CMAKE_CURRENT_LIST_DIR}/unit)
add_library(korvo_http_test_support STATIC ${HTTP_UNIT}/support/FakeDriver.cpp)
target_link_libraries(korvo_http_test_support PUBLIC korvo_http korvo_options)

korvo_test(http_core_unit_tests
  SOURCES
    ${HTTP_UNIT}/HttpStreamTest.cpp
    ${HTTP_UNIT}/ResponseParsingTest.cpp
    ${HTTP_UNIT}/ResponseHeaderQueryTest.cpp
    ${HTTP_UNIT}/HttpFramingTest.cpp
    ${HTTP_UNIT}/RequestFlowsTest.cpp
    ${HTTP_UNIT}/UrlUtilitiesTest.cpp
    ${HTTP_UNIT}/CookieJarTest.cpp
    ${HTTP_UNIT}/TransferWatchTest.cpp
  LIBS korvo_http_test_support korvo_http korvo_platform_fakes)

korvo_test(http_cookie_jar_concurrency_tests
  SOURCES ${HTTP_UNIT}/CookieJarConcurrencyTest.cpp ${HTTP_UNIT}/OnceTextTest.cpp
  LIBS korvo_http korvo_platform
  LABELS concurrency)

# Its own program: it replaces the client's allocator with mappings that are never touched.
korvo_test(http_body_limit_tests
  SOURCES ${HTTP_UNIT}/BodyLimitTest.cpp
  LIBS korvo_http korvo_platform_fakes
  NATIVE_ONLY)
