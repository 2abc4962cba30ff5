include(CMakePackageConfigHelpers)

install(TARGETS veltrane EXPORT VeltraneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quorvel
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT VeltraneTargets
  NAMESPACE Veltrane::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Veltrane)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VeltraneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VeltraneConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Veltrane)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VeltraneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/VeltraneConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VeltraneConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Veltrane)
