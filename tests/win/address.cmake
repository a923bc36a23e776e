# prompt-host runs the scanner-address prompt alone, the way the install
# worker does, with the program's own resources (tests/win/programs).
add_executable(prompt-host ${CMAKE_SOURCE_DIR}/tests/win/programs/prompt_host.cpp)
target_compile_options(prompt-host PRIVATE -Os -Wall -Wextra)
target_link_options(prompt-host PRIVATE -static)
target_link_libraries(prompt-host PRIVATE twglue twres ${PRODUCT_LIBS})

# The scanner-address prompt with its network search, under Wine inside
# network namespaces that the test makes and removes (root only). One test,
# two namespace sessions: prompt-host runs the prompt, twdriver drives it.
add_test(NAME ${WINE_ARCH}.address.netns
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/win/address-netns.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --arch ${WINE_ARCH}
          --driver $<TARGET_FILE:twdriver> --host $<TARGET_FILE:prompt-host>)
set_tests_properties(${WINE_ARCH}.address.netns PROPERTIES
  LABELS "win;netns" RUN_SERIAL ON TIMEOUT 600 FIXTURES_REQUIRED wine-${WINE_ARCH})

# The search on a hostile network (also in namespaces, root only): 10 000
# near-miss datagrams around 5 replies while the dialog's answers are timed,
# then a burst of 250 replies against the receive buffer the search reads back.
add_test(NAME ${WINE_ARCH}.address.hostile
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/win/address-hostile.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --arch ${WINE_ARCH}
          --driver $<TARGET_FILE:twdriver> --host $<TARGET_FILE:prompt-host>)
set_tests_properties(${WINE_ARCH}.address.hostile PROPERTIES
  LABELS "win;netns" RUN_SERIAL ON TIMEOUT 300 FIXTURES_REQUIRED wine-${WINE_ARCH})
