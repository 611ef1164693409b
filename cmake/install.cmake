# Installation: the library, its header, the command-line tool, a CMake
# package (find_package(zorapi CONFIG) gives zorapi::zorapi) and a
# pkg-config file zorapi.pc.
include(CMakePackageConfigHelpers)

if(NOT WIN32)
  set_target_properties(zorapi PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
endif()
target_include_directories(zorapi INTERFACE
  $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
add_library(zorapi::zorapi ALIAS zorapi)

set(zorapi_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zorapi)
install(TARGETS zorapi EXPORT zorapiTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/zorapi.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET zorapi_cli)
  install(TARGETS zorapi_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT zorapiTargets NAMESPACE zorapi:: DESTINATION ${zorapi_cmake_dir})
configure_package_config_file(cmake/zorapiConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/zorapiConfig.cmake
  INSTALL_DESTINATION ${zorapi_cmake_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/zorapiConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zorapiConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/zorapiConfigVersion.cmake
  DESTINATION ${zorapi_cmake_dir})

# zorapi.pc names absolute directories, so it is written when installing,
# for the prefix of that install (cmake --install --prefix may change it).
install(CODE "
  set(ZORAPI_PC_TEMPLATE \"${CMAKE_CURRENT_SOURCE_DIR}/cmake/zorapi.pc.in\")
  set(ZORAPI_PC_OUTPUT \"${CMAKE_CURRENT_BINARY_DIR}/zorapi.pc\")
  set(ZORAPI_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(ZORAPI_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(ZORAPI_PC_VERSION \"${PROJECT_VERSION}\")
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_pkg_config.cmake\")
")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zorapi.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
