# Link settings of the target platform, for the library and for every
# program built beside it.
if(WIN32)
  # The compiler's run-time (libgcc, libstdc++, the threading library) goes
  # into each module, so that the DLL imports nothing but system DLLs.
  # Directory-wide, so that the shared library, the tests and the host
  # programs defined after this point all get it.
  add_link_options(-static)
  # Windows Sockets is loaded at run time, never linked; only kernel32,
  # which every module imports anyway, is named here. The shared library is
  # linked from the objects alone, so it names the same libraries itself
  # (cmake/shared_library.cmake).
  set(ZORAPI_PLATFORM_LIBRARIES kernel32)
  target_link_libraries(zorapi_impl PUBLIC ${ZORAPI_PLATFORM_LIBRARIES})
  # Windows headers without the min/max macros and the rarely used parts;
  # every call names its W or A form itself.
  target_compile_definitions(zorapi_impl PUBLIC NOMINMAX WIN32_LEAN_AND_MEAN)
endif()
