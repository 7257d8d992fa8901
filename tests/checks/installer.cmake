# Tests of the installer checks: installed versions and the runtime prerequisite on staged
# machines, the server version check against real servers, the Windows Installer queries under Wine.
set(CHECKS_TESTS ${CMAKE_CURRENT_LIST_DIR})

korvo_test(checks_installed_products_tests
  SOURCES ${CHECKS_TESTS}/InstalledProductsTest.cpp
  LIBS korvo_checks korvo_platform_fakes)

korvo_test(checks_server_version_tests
  SOURCES
    ${CHECKS_TESTS}/ServerVersionCheckTest.cpp
    ${PROJECT_SOURCE_DIR}/tests/http/integration/TestServers.cpp
  LIBS korvo_checks korvo_platform_fakes korvo_test_sockets
  LABELS server
  TIMEOUT 300)
target_compile_definitions(checks_server_version_tests PRIVATE
  KORVO_HTTP_SERVERS_ENV="${CMAKE_BINARY_DIR}/http-servers/servers.env")
if(TEST checks_server_version_tests)  # the fixture is tests/http's
  set_tests_properties(checks_server_version_tests PROPERTIES FIXTURES_REQUIRED http_servers)
endif()

# The real lookup finds a package that msiexec installed, in a Wine prefix of the test's own.
if(WIN32)
  add_executable(installed_product_probe ${CHECKS_TESTS}/InstalledProductProbe.cpp)
  target_link_libraries(installed_product_probe PRIVATE korvo_checks korvo_options)
  target_link_options(installed_product_probe PRIVATE -municode)
  if(KORVO_WINEPREFIX)
    set(probe_scratch ${CMAKE_CURRENT_BINARY_DIR}/installed-product)
    add_test(NAME checks_installed_product_wine
             COMMAND bash ${CHECKS_TESTS}/installed-product-wine-test.sh
                     $<TARGET_FILE:installed_product_probe> ${probe_scratch})
    set_tests_properties(checks_installed_product_wine PROPERTIES TIMEOUT 300
                         ENVIRONMENT "WINEPREFIX=${probe_scratch}/wineprefix")
  endif()
endif()
