# Installation (`cmake --install`, `make install PREFIX=...`) and the Debian
# package (`make package`). Targets that a build leaves out (the window when
# TILORA_BUILD_GUI is off) are simply not installed.
include(GNUInstallDirs)

install(TARGETS tilora-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tilora)
  install(TARGETS tilora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tilora-metafile)
  get_target_property(helper_dir tilora-metafile TILORA_INSTALL_DIR)
  install(TARGETS tilora-metafile RUNTIME DESTINATION ${helper_dir})
endif()

# The licence, where Debian looks for it, in its machine-readable form.
install(FILES ${PROJECT_SOURCE_DIR}/resources/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tilora)

install(FILES ${PROJECT_SOURCE_DIR}/resources/tilora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 128)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/tilora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tilora.png)
endforeach()

# Manual pages ship compressed, as Debian expects.
set(VERSION ${PROJECT_VERSION})
configure_file(${PROJECT_SOURCE_DIR}/docs/tilora-convert.1.in ${CMAKE_BINARY_DIR}/man/tilora-convert.1 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/tilora-convert.1.gz
                   COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/man/tilora-convert.1
                   DEPENDS ${CMAKE_BINARY_DIR}/man/tilora-convert.1)
add_custom_target(tilora_man ALL DEPENDS ${CMAKE_BINARY_DIR}/man/tilora-convert.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/man/tilora-convert.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Everything installed, without the tests: what `make run` and `make install`
# build.
add_custom_target(tilora_programs)
add_dependencies(tilora_programs tilora-convert tilora_man)
foreach(program tilora tilora-metafile)
  if(TARGET ${program})
    add_dependencies(tilora_programs ${program})
  endif()
endforeach()

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_PACKAGE_NAME tilora)
set(CPACK_PACKAGE_VENDOR "Tilora developers")
set(CPACK_PACKAGE_CONTACT "Tilora developers <tilora@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "BMP to Super Nintendo tile and palette converter")
set(CPACK_PACKAGE_DESCRIPTION
    "Tilora opens uncompressed BMP pictures, shows them, and converts 4- and 8-bit pictures into planar 8x8 tile data and 15-bit palettes; tilora-convert does the same from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Dependencies come from the shared libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
