# Where `cmake --install` puts things, in four components that become the four Debian packages:
#   library      libtesk.so.X.Y.Z and its soname link (libtesk0);
#   development  the development link libtesk.so, the C header, pkg-config file and CMake package
#                (tesk::tesk) (libtesk-dev);
#   tesk         the command, its man page and the JSON schemas of its output (tesk);
#   desktop      VarnelIconTool and VarnelInstall-Part2 in a program folder of their own beside a
#                link to the library (the icon tool loads it by file name from its own folder), links
#                to them in bin/, their desktop entries and icons, the icon tool's help page, and
#                the library's Qt module lib/.../tesk/libtesk-qt.so (the library looks for it there,
#                beside the file its name leads to) (tesk-desktop).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TESK_PROGRAM_DIR "${CMAKE_INSTALL_LIBDIR}/varnel" CACHE STRING
    "Folder below the prefix holding the two programs beside a link to libtesk.so")
set(TESK_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/tesk")

# --- the library and the command -----------------------------------------------------------------
# The one install rule of libtesk.so: libtesk.so.X.Y.Z, the soname link libtesk.so.X and the
# development link libtesk.so, all in lib/.
target_include_directories(tesk INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS tesk EXPORT teskTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development)
install(TARGETS tesk_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tesk)
install(FILES ${PROJECT_SOURCE_DIR}/engine/include/tesk/tesk.h
              ${PROJECT_BINARY_DIR}/generated/tesk/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tesk COMPONENT development)

# The package files name their folders relative to their own place, so the same files serve any
# prefix (the Debian packages install below /usr whatever the prefix of the build was).
file(RELATIVE_PATH TESK_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" TESK_PC_TO_PREFIX "${TESK_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tesk.pc.in ${PROJECT_BINARY_DIR}/generated/tesk.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/generated/tesk.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

install(EXPORT teskTargets NAMESPACE tesk:: DESTINATION ${TESK_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/teskConfig.cmake.in
  ${PROJECT_BINARY_DIR}/generated/teskConfig.cmake INSTALL_DESTINATION ${TESK_CMAKE_DIR})
# The C entries keep their meaning within a major version.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/generated/teskConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/generated/teskConfig.cmake
              ${PROJECT_BINARY_DIR}/generated/teskConfigVersion.cmake
        DESTINATION ${TESK_CMAKE_DIR} COMPONENT development)

# The man page is made from the command's own --help, so it cannot drift from the program. It
# needs to run the command, so not when cross-compiling, and not in sanitizer builds, which are
# never installed.
find_program(HELP2MAN help2man)
if(HELP2MAN AND NOT CMAKE_CROSSCOMPILING AND NOT TESK_SANITIZE)
  set(TESK_MAN_PAGE ${PROJECT_BINARY_DIR}/man/tesk.1.gz)
  add_custom_command(OUTPUT ${TESK_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -DTESK=$<TARGET_FILE:tesk_cli> -DOUT=${PROJECT_BINARY_DIR}/man/extract.h2m
            -DEXTRA=${PROJECT_SOURCE_DIR}/docs/tesk.h2m -DERRORS=${PROJECT_SOURCE_DIR}/docs/errors.md
            -P ${CMAKE_CURRENT_LIST_DIR}/ManPageSections.cmake
    COMMAND ${HELP2MAN} --no-info --section=1 --name "extract the bitmaps of Palm OS resource databases"
            --include ${PROJECT_BINARY_DIR}/man/extract.h2m --output ${PROJECT_BINARY_DIR}/man/tesk.1
            $<TARGET_FILE:tesk_cli>
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/man/tesk.1
    DEPENDS tesk_cli ${PROJECT_SOURCE_DIR}/docs/tesk.h2m ${PROJECT_SOURCE_DIR}/docs/errors.md
            ${CMAKE_CURRENT_LIST_DIR}/ManPageSections.cmake
    COMMENT "Writing the man page of tesk"
    VERBATIM)
  add_custom_target(tesk_man_page ALL DEPENDS ${TESK_MAN_PAGE})
  install(FILES ${TESK_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tesk)
elseif(NOT HELP2MAN)
  message(WARNING "help2man not found: the man page of tesk is not built (scripts/install-deps.sh installs it)")
endif()
# The error numbers (which --help points to) and the schemas of the JSON of --summary and list
# --json, for scripts; the man page names this folder.
install(FILES ${PROJECT_SOURCE_DIR}/docs/errors.md ${PROJECT_SOURCE_DIR}/docs/summary.schema.json
              ${PROJECT_SOURCE_DIR}/docs/listing.schema.json
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT tesk)

# --- the two programs ------------------------------------------------------------------------------
if(TESK_BUILD_GUI)
  install(TARGETS VarnelIconTool VarnelInstall-Part2 RUNTIME DESTINATION ${TESK_PROGRAM_DIR} COMPONENT desktop)
  install(TARGETS tesk_qt LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/tesk COMPONENT desktop)

  # Relative links, so that they hold inside DESTDIR, the packages and any prefix. They are made in
  # the build tree and installed as links. The library link names the soname file, which the
  # libtesk0 package provides.
  file(RELATIVE_PATH TESK_PROGRAM_TO_LIB "/prefix/${TESK_PROGRAM_DIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
  file(RELATIVE_PATH TESK_BIN_TO_PROGRAM "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${TESK_PROGRAM_DIR}")
  string(REGEX REPLACE "/$" "" TESK_PROGRAM_TO_LIB "${TESK_PROGRAM_TO_LIB}")
  set(links ${PROJECT_BINARY_DIR}/install-links)
  file(MAKE_DIRECTORY ${links}/program ${links}/bin)
  file(CREATE_LINK "${TESK_PROGRAM_TO_LIB}/libtesk.so.${PROJECT_VERSION_MAJOR}" ${links}/program/libtesk.so SYMBOLIC)
  install(FILES ${links}/program/libtesk.so DESTINATION ${TESK_PROGRAM_DIR} COMPONENT desktop)
  foreach(program VarnelIconTool VarnelInstall-Part2)
    file(CREATE_LINK "${TESK_BIN_TO_PROGRAM}/${program}" ${links}/bin/${program} SYMBOLIC)
    install(FILES ${links}/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
  endforeach()

  # Their man pages, compressed as man expects them (gzip -n: the same bytes from every build). The
  # sources are named after the programs' folders; installed, each carries its program's name.
  set(program_pages)
  foreach(pair icontool:VarnelIconTool installer:VarnelInstall-Part2)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 source)
    list(GET pair 1 program)
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/docs/man/${source}.1 > ${page}
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${source}.1
      VERBATIM)
    list(APPEND program_pages ${page})
  endforeach()
  add_custom_target(program_man_pages ALL DEPENDS ${program_pages})
  install(FILES ${program_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT desktop)

  install(FILES ${PROJECT_SOURCE_DIR}/icontool/VarnelIconTool.desktop
                ${PROJECT_SOURCE_DIR}/installer/VarnelDataSetup.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
  install(FILES ${PROJECT_SOURCE_DIR}/icontool/VarnelIconTool.svg
                ${PROJECT_SOURCE_DIR}/installer/VarnelDataSetup.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT desktop)
  install(FILES ${PROJECT_SOURCE_DIR}/icontool/VarnelIconTool.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps COMPONENT desktop)
  # In the documentation folder of the programs' package: a package writes only below its own.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/help/icontool.html
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tesk-desktop COMPONENT desktop)
endif()
