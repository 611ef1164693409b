# Only the three operations leave the shared library.
if(NOT WIN32)
  target_link_options(zorapi PRIVATE
    -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/api/zorapi.map -Wl,--no-undefined)
endif()
