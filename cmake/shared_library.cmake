# Only the three operations leave the shared library.
if(WIN32)
  # zorapi.dll beside its import library; the module-definition file gives
  # the undecorated names and the ordinals of the three stdcall exports.
  set(zorapi_def ${CMAKE_CURRENT_SOURCE_DIR}/api/zorapi.def)
  set_target_properties(zorapi PROPERTIES PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a"
    LINK_DEPENDS ${zorapi_def})
  target_link_libraries(zorapi PRIVATE ${ZORAPI_PLATFORM_LIBRARIES})
  target_link_options(zorapi PRIVATE ${zorapi_def} -Wl,--kill-at -Wl,--no-undefined)
  # The linker's own import library would name the functions undecorated,
  # which a stdcall caller (calling zorlogin@8) cannot link against; dlltool
  # keeps the decorated symbols and imports them by the undecorated names.
  find_program(ZORAPI_DLLTOOL NAMES ${ZORAPI_MINGW_PREFIX}-dlltool dlltool REQUIRED)
  add_custom_command(TARGET zorapi POST_BUILD
    COMMAND ${ZORAPI_DLLTOOL} --kill-at --def ${zorapi_def} --dllname $<TARGET_FILE_NAME:zorapi>
      --output-lib $<TARGET_LINKER_FILE:zorapi>
    VERBATIM)
else()
  target_link_options(zorapi PRIVATE
    -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/api/zorapi.map -Wl,--no-undefined)
endif()
