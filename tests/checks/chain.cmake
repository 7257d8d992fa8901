# The check chain and start-up with the real checks, against a version server of the test's own.
korvo_test(checks_chain_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ChainTest.cpp
  LIBS korvo_setup_app korvo_checks korvo_platform_fakes korvo_test_sockets
  LABELS server)

# The real program under Wine with the product already installed in the server's version.
if(WIN32 AND KORVO_WINEPREFIX)
  add_test(NAME checks_installed_product_run
           COMMAND xvfb-run -a bash ${CMAKE_CURRENT_LIST_DIR}/installed-product-run-test.sh
                   $<TARGET_FILE:KORVOSkelvSetup> $<TARGET_FILE:dialog_driver>
                   ${CMAKE_CURRENT_BINARY_DIR}/installed-product-run)
  set_tests_properties(checks_installed_product_run PROPERTIES TIMEOUT 300 LABELS server)
endif()
