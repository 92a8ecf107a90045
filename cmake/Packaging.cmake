# `make package` (the `package` target): the Debian packages, one per install component.
#   libtesk0      the shared library (component library)
#   libtesk-dev   what programs need to build against it (component development)
#   tesk          the command and its man page (component tesk)
#   tesk-desktop  the icon tool and the calendar data setup (component desktop)
# Each carries its DEP-5 copyright file and changelog.Debian.gz, and lintian overrides where a tag
# does not apply; the Debian files are in cmake/debian/. Library dependencies are read from the
# binaries by dpkg-shlibdeps (package dpkg-dev); FreeImage and libarchive, which are opened at run
# time, are named here.
set(TESK_MAINTAINER "tesk developers <tesk@example.org>" CACHE STRING
    "Maintainer of the Debian packages (\"Name <address>\"): their Maintainer field, changelog and copyright")
# The Debian revision of the packages of this version; cmake/debian/changelog.in has the entry.
set(TESK_DEBIAN_REVISION 1)
set(debian ${CMAKE_CURRENT_LIST_DIR}/debian)
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT CMAKE_INSTALL_LIBDIR MATCHES "${CMAKE_LIBRARY_ARCHITECTURE}")
  message(WARNING "CMAKE_INSTALL_LIBDIR is ${CMAKE_INSTALL_LIBDIR}, not the multiarch folder: the Debian "
                  "packages put libtesk where cross builds do not look (reconfigure with -U CMAKE_INSTALL_LIBDIR -U TESK_PROGRAM_DIR)")
endif()
set(generated ${PROJECT_BINARY_DIR}/debian)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tesk")
set(CPACK_PACKAGE_CONTACT "${TESK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL library development tesk)
if(TESK_BUILD_GUI)
  list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TESK_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SOURCE tesk)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# FreeImage (JPEG/PNG) is opened at run time by the library and by the command's own copy of the
# engine, libarchive (archives as inputs) by the command alone, so dpkg-shlibdeps cannot see them.
set(tesk_library_runtime)
set(tesk_command_runtime)
if(TESK_WITH_FREEIMAGE)
  list(APPEND tesk_library_runtime libfreeimage3)
  list(APPEND tesk_command_runtime libfreeimage3)
endif()
if(TESK_WITH_LIBARCHIVE)
  list(APPEND tesk_command_runtime libarchive13)
endif()

# --- libtesk0 --------------------------------------------------------------------------------------
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libtesk${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "Palm OS bitmap extraction library
libtesk takes Palm OS resource databases (.prc) apart: every bitmap becomes a
BMP, JPEG or PNG file, every other resource a raw file, and a resource script
or index table describes the result. Its C entry extrsrc runs one extraction,
with a progress window and message boxes when the calling program is a Qt
application and tesk-desktop provides the library's Qt module; otherwise its
messages and progress go to the terminal.

This package contains the shared library.")
# CPack's own scan of a package's binaries, which dpkg-shlibdeps needs, also gives any package
# holding a shared library maintainer scripts calling ldconfig (lintian: use the trigger instead),
# and a postrm keeps a removed package in state "rc". So the library's package is not scanned:
# the symbols, shlibs and triggers files are ours, and its Depends are asked of dpkg-shlibdeps at
# packaging time by cmake/DebianPackageConfig.cmake.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SHLIBDEPS OFF)
list(JOIN tesk_library_runtime ", " CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS)
# Programs built against this version need at least the version that last added a C entry.
file(WRITE ${generated}/shlibs
     "libtesk ${PROJECT_VERSION_MAJOR} libtesk${PROJECT_VERSION_MAJOR} (>= 0.2.0)\n")
configure_file(${debian}/libtesk0.symbols ${generated}/symbols COPYONLY)
configure_file(${debian}/libtesk0.triggers ${generated}/triggers COPYONLY)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${generated}/shlibs ${generated}/symbols ${generated}/triggers)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake CONTENT
"set(TESK_LIBRARY_FILE \"$<TARGET_FILE:tesk>\")
set(TESK_SHLIBDEPS_DIR \"${PROJECT_BINARY_DIR}/debian/shlibdeps\")
include(\"${CMAKE_CURRENT_LIST_DIR}/DebianPackageConfig.cmake\")
")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)

# --- libtesk-dev -----------------------------------------------------------------------------------
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtesk-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "Palm OS bitmap extraction library - development files
libtesk takes Palm OS resource databases (.prc) apart: every bitmap becomes a
BMP, JPEG or PNG file, every other resource a raw file, and a resource script
or index table describes the result.

This package contains the C header, the pkg-config file and the CMake package
(tesk::tesk) for building programs against libtesk.")

# --- tesk ------------------------------------------------------------------------------------------
set(CPACK_DEBIAN_TESK_PACKAGE_NAME tesk)
set(CPACK_COMPONENT_TESK_DESCRIPTION "extract the bitmaps of Palm OS resource databases
tesk takes Palm OS resource databases (.prc) apart from the command line, one
or many at a time, also inside zip and tar archives: every bitmap becomes a
BMP, JPEG or PNG file, every other resource a raw file, and a resource script,
an index table, a picture gallery or a JSON summary describes the result.
tesk list shows what a database holds.")
list(JOIN tesk_command_runtime ", " CPACK_DEBIAN_TESK_PACKAGE_DEPENDS)

# --- tesk-desktop ----------------------------------------------------------------------------------
set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tesk-desktop)
# The icon tool loads the library by file name through a link in its folder, so exactly this
# version of it.
set(CPACK_COMPONENT_DESKTOP_DEPENDS library)
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION "Palm OS icon extraction and calendar data setup programs
Two desktop programs:
 - Varnel Icon Tool extracts the icons and pictures of a Palm OS application
   or skin database from a window, as BMP, JPEG or PNG files, optionally
   resized;
 - Varnel Data Setup prepares one user's calendar data: its folder,
   preferences and default data files.")
# The standard MIME database names .prc and .pdb files application/vnd.palm, which the icon
# tool's desktop entry claims.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")

# --- the Debian files of every package -------------------------------------------------------------
# Only in component installs (CPack's): a plain `cmake --install` gets no Debian files.
configure_file(${debian}/copyright.in ${generated}/copyright @ONLY)
configure_file(${debian}/changelog.in ${generated}/changelog @ONLY)
# gzip -n: no name or time stamp, so the same sources give the same package.
execute_process(COMMAND gzip -9n -c ${generated}/changelog OUTPUT_FILE ${generated}/changelog.Debian.gz
                RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${generated}/changelog")
endif()
file(STRINGS ${debian}/changelog.in changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^tesk \\(${PROJECT_VERSION}-${TESK_DEBIAN_REVISION}\\) ")
  message(WARNING "cmake/debian/changelog.in does not begin with an entry for ${PROJECT_VERSION}-${TESK_DEBIAN_REVISION}")
endif()
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${generated}/copyright ${generated}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  if(EXISTS ${debian}/${package}.lintian-overrides)
    install(FILES ${debian}/${package}.lintian-overrides RENAME ${package}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT ${component} EXCLUDE_FROM_ALL)
  endif()
endforeach()

include(CPack)
