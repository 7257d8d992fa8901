# The HTTP client's core: the driver interface and its request flows, response parsing, the
# framing stream, URL utilities and the cookie jar. The drivers (transport.cmake) add to it.
add_library(korvo_http STATIC
  ${CMAKE_CURRENT_LIST_DIR}/HttpMemory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpDriver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpHeaderBlock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResponseHeaderQuery.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpFraming.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpBodyBuffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpRequestText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpPutSetting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpStream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpStreamReads.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpClock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TransferWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UrlUtilities.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CookieKeyHash.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CookieRecord.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CookieJar.cpp)
target_link_libraries(korvo_http PUBLIC korvo_core korvo_threads korvo_platform korvo_options)
