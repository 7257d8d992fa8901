# The HTTP client's core: the driver interface and its request flows, response parsing, the
# framing stream, URL utilities and the cookie jar. The drivers (transport.cmake) add to it.
add_library(korvo_http STATIC
  ${CMAKE_CURRENT_LIST_DIR}/HttpMemory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpDriverBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpRequestFlows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpStream.cpp)
target_link_libraries(korvo_http PUBLIC korvo_platform korvo_options)
if(TARGET korvo_threads)
  target_link_libraries(korvo_http PUBLIC korvo_threads)
endif()
