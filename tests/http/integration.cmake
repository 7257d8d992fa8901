# Tests against real servers on loopback: nginx, our scripted server and tinyproxy, started and
# stopped by the http_servers fixture (tools/testserver/servers.py). The Windows executables run
# under Wine and reach the same servers, which the fixture starts on the Linux side.
set(HTTP_INTEGRATION ${CMAKE_CURRENT_LIST_DIR}/integration)
set(HTTP_SERVERS_STATE ${CMAKE_BINARY_DIR}/http-servers)
set(HTTP_SERVERS_SCRIPT ${PROJECT_SOURCE_DIR}/tools/testserver/servers.py)

korvo_test(http_integration_tests
  SOURCES
    ${HTTP_INTEGRATION}/TestServers.cpp
    ${HTTP_INTEGRATION}/DriverFactories.cpp
    ${HTTP_INTEGRATION}/DriverConformanceTest.cpp
    ${HTTP_INTEGRATION}/AnswerRobustnessTest.cpp
    ${HTTP_INTEGRATION}/RawListener.cpp
    ${HTTP_INTEGRATION}/RequestWireTest.cpp
    ${HTTP_INTEGRATION}/SocketDriverTest.cpp
    ${HTTP_INTEGRATION}/ProxyTest.cpp
    ${HTTP_INTEGRATION}/HolderTest.cpp
    ${HTTP_INTEGRATION}/RequestLimitsTest.cpp
  LIBS korvo_http korvo_platform_fakes korvo_test_sockets
  LABELS server
  TIMEOUT 600)
target_compile_definitions(http_integration_tests PRIVATE
  KORVO_HTTP_SERVERS_ENV="${HTTP_SERVERS_STATE}/servers.env")

korvo_test(http_wininet_tests
  SOURCES
    ${HTTP_INTEGRATION}/TestServers.cpp
    ${HTTP_INTEGRATION}/WinInetDriverTest.cpp
  LIBS korvo_http korvo_platform_fakes
  LABELS server
  WINDOWS_ONLY
  TIMEOUT 300)
if(WIN32)  # the WinINet tests exist on Windows only
  target_compile_definitions(http_wininet_tests PRIVATE
    KORVO_HTTP_SERVERS_ENV="${HTTP_SERVERS_STATE}/servers.env")
endif()

korvo_test(http_concurrency_tests
  SOURCES
    ${HTTP_INTEGRATION}/TestServers.cpp
    ${HTTP_INTEGRATION}/ConcurrentHoldersTest.cpp
  LIBS korvo_http korvo_platform_fakes
  LABELS concurrency server
  TIMEOUT 300)
target_compile_definitions(http_concurrency_tests PRIVATE
  KORVO_HTTP_SERVERS_ENV="${HTTP_SERVERS_STATE}/servers.env")

find_package(Python3 COMPONENTS Interpreter)
if(TEST http_integration_tests AND Python3_Interpreter_FOUND)
  add_test(NAME http_servers_start COMMAND ${Python3_EXECUTABLE} ${HTTP_SERVERS_SCRIPT} start ${HTTP_SERVERS_STATE})
  add_test(NAME http_servers_stop COMMAND ${Python3_EXECUTABLE} ${HTTP_SERVERS_SCRIPT} stop ${HTTP_SERVERS_STATE})
  set_tests_properties(http_servers_start PROPERTIES FIXTURES_SETUP http_servers TIMEOUT 300 LABELS server)
  set_tests_properties(http_servers_stop PROPERTIES FIXTURES_CLEANUP http_servers TIMEOUT 60 LABELS server)
  set_tests_properties(http_integration_tests PROPERTIES FIXTURES_REQUIRED http_servers)
  foreach(test http_wininet_tests http_concurrency_tests)
    if(TEST ${test})
      set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED http_servers)
    endif()
  endforeach()
endif()

# The download benchmark's program for Windows (bench/ is built natively only); run by
# bench/http/run-download-bench.sh under Wine.
if(WIN32 AND NOT TARGET http_download_tool)
  add_executable(http_download_tool ${PROJECT_SOURCE_DIR}/bench/http/DownloadTool.cpp)
  target_link_libraries(http_download_tool PRIVATE korvo_http korvo_options psapi)
endif()
