# cmake --install: the library with the libraries it stands on, its public headers, a CMake
# package (find_package(m8api) gives m8api::m8api), a pkg-config file, the handset server, and
# m8sim with the default handset's data and its panel's page.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(M8_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/m8api)
set(M8_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/m8api/default-handset)

# Installed libraries find each other in their own folder; m8sim finds them from bin/.
file(RELATIVE_PATH m8_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(m8api cehost phoneadapter uilibrary PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(m8sim PROPERTIES INSTALL_RPATH "$ORIGIN/${m8_bin_to_lib}")
# The handset server lives in the m8api folder beside the platform library, which looks for it
# there.
set_target_properties(m8-handset-server PROPERTIES INSTALL_RPATH "$ORIGIN/..")

install(TARGETS m8api cehost phoneadapter uilibrary bluetoothcpl LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS m8sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS m8-handset-server RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/m8api)
install(FILES ${PROJECT_SOURCE_DIR}/src/frame/exports.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/m8api)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/include/ce
                  ${PROJECT_SOURCE_DIR}/platform/include/oem
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/m8api FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/sim/default-handset/ DESTINATION ${M8_INSTALL_DATADIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/tools/m8sim/panel/web/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/m8api/panel)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/m8apiConfig.cmake.in
  ${PROJECT_BINARY_DIR}/m8apiConfig.cmake INSTALL_DESTINATION ${M8_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/m8apiConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/m8apiConfig.cmake ${PROJECT_BINARY_DIR}/m8apiConfigVersion.cmake
        DESTINATION ${M8_INSTALL_CMAKEDIR})

# The pkg-config file finds the prefix from its own place, so the installation can move.
file(RELATIVE_PATH m8_pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/m8api.pc.in ${PROJECT_BINARY_DIR}/m8api.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/m8api.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
