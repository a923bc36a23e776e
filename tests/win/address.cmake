# The scanner-address prompt with its network search, under Wine inside
# network namespaces that the test makes and removes (root only). One test,
# two namespace sessions: prompt-host runs the prompt, twdriver drives it.
add_test(NAME ${WINE_ARCH}.address.netns
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/address-netns.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --arch ${WINE_ARCH}
          --driver $<TARGET_FILE:twdriver> --host $<TARGET_FILE:prompt-host>)
set_tests_properties(${WINE_ARCH}.address.netns PROPERTIES
  LABELS "win;netns" RUN_SERIAL ON TIMEOUT 600 FIXTURES_REQUIRED wine)
