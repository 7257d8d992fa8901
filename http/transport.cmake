# The HTTP client's transports: the socket driver (every platform), the WinINet driver (Windows),
# the driver factory and the holder. Added to the korvo_http library that core.cmake creates.
target_sources(korvo_http PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/socket/os/SocketApi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket/HttpSocket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket/SocketProcessSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket/SocketHttpDriver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpDriverFactory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HttpDriverHolder.cpp)
if(WIN32)
  # WinINet and Winsock are loaded at run time from the system folder, never imported.
  target_sources(korvo_http PRIVATE ${CMAKE_CURRENT_LIST_DIR}/wininet/WinInetHttpDriver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wininet/WinInetFunctions.cpp ${CMAKE_CURRENT_LIST_DIR}/socket/os/WinsockFunctions.cpp)
  target_link_libraries(korvo_http PUBLIC korvo_platform)
endif()
