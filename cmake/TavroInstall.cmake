# Installing the program and making its Debian package.
#
# The program finds its JPEG converter at <its own folder>/../lib/tavro-pen-writer,
# in the build tree (app/ and lib/) and installed alike. So the program goes
# to bin/ and the converter to lib/tavro-pen-writer/ under the prefix, always:
# GNUInstallDirs' multiarch libdir (lib/x86_64-linux-gnu) would break that.

include(GNUInstallDirs)

install(TARGETS tavro-pen-writer RUNTIME DESTINATION bin)
install(TARGETS JPGUtils
  LIBRARY DESTINATION lib/tavro-pen-writer
  # Loaded with dlopen, never run: no execute bit.
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavro-pen-writer
  RENAME copyright)

add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${PROJECT_BINARY_DIR}/packaging)

# Who answers for the package; set it when publishing one.
set(TAVRO_PACKAGE_MAINTAINER "Tavro Pen Writer maintainers <maintainers@tavro.invalid>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavro-pen-writer)
set(CPACK_PACKAGE_VENDOR "Tavro")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pen drawing program for pen computers")
set(CPACK_PACKAGE_DESCRIPTION [=[
Tavro Pen Writer is a single-window program for writing and drawing with
a pen (or the mouse) on a paper below a picture tool bar: three pen
widths, 25 colours, a white or dark paper, undo of the last stroke, the
pen's eraser end, a picture file (JPEG, GIF, BMP, WMF, EMF) under the
ink, and the page saved as a JPEG file.]=])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVRO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps finds Qt, TurboJPEG (through the converter) and libUEMF.
# Debian's libqt6gui6 already holds the xcb platform plugin and the JPEG and
# GIF readers the program loads at run time; what it loads but can go
# without is recommended: a font with Hangul for the Korean messages and
# Qt's translations of the dialog buttons.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum | fonts-noto-cjk, qt6-translations-l10n")

include(CPack)
