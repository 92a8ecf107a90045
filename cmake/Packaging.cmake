# `make package` (the `package` target): two Debian packages built from the install components.
#   tesk          the command, libtesk.so and what programs need to build against it;
#   tesk-desktop  the icon tool and the calendar data setup, depending on the exact tesk version.
# Library dependencies are read from the binaries by dpkg-shlibdeps (package dpkg-dev), except
# FreeImage, which is loaded at run time and named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tesk")
set(CPACK_PACKAGE_CONTACT "tesk maintainers <tesk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tesk)
if(TESK_BUILD_GUI)
  list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)

set(CPACK_DEBIAN_TESK_PACKAGE_NAME tesk)
set(CPACK_COMPONENT_TESK_DESCRIPTION
    "Palm OS bitmap extraction: the tesk command and libtesk.so\n"
    "Takes Palm OS resource databases (.prc) apart: every bitmap becomes a BMP, JPEG or PNG file,\n"
    "every other resource a raw file, and a resource script or index table describes the result.\n"
    "Includes the C header, pkg-config file and CMake package of the library.")
set(CPACK_DEBIAN_TESK_PACKAGE_SECTION graphics)
# FreeImage (JPEG/PNG) and libarchive (archives as inputs) are opened at run time, so
# dpkg-shlibdeps cannot see them in the binaries.
set(tesk_runtime_libraries)
if(TESK_WITH_FREEIMAGE)
  list(APPEND tesk_runtime_libraries libfreeimage3)
endif()
if(TESK_WITH_LIBARCHIVE)
  list(APPEND tesk_runtime_libraries libarchive13)
endif()
list(JOIN tesk_runtime_libraries ", " CPACK_DEBIAN_TESK_PACKAGE_DEPENDS)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tesk-desktop)
set(CPACK_COMPONENT_DESKTOP_DEPENDS tesk)
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION
    "Varnel Icon Tool and Varnel Data Setup\n"
    "The icon tool extracts the icons of a Palm OS database from a window through libtesk.so; the\n"
    "data setup prepares one user's calendar data, preferences and default data files.")
# The standard MIME database names .prc and .pdb files application/vnd.palm, which the icon
# tool's desktop entry claims.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")

include(CPack)
