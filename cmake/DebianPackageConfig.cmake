# Read by cpack before it makes the packages (CPACK_PROJECT_CONFIG_FILE, written by Packaging.cmake
# with TESK_LIBRARY_FILE and TESK_SHLIBDEPS_DIR).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
# CPack puts the project's summary in front of every component's description, unless there is
# none: each package has a synopsis of its own.
unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)

# The shared-library dependencies of libtesk0, from dpkg-shlibdeps run on the built library as
# CPack runs it on the other packages' binaries, in front of the libraries named in Packaging.cmake.
# dpkg-shlibdeps wants a debian/control below its working folder; an empty one will do.
file(MAKE_DIRECTORY ${TESK_SHLIBDEPS_DIR}/debian)
file(TOUCH ${TESK_SHLIBDEPS_DIR}/debian/control)
execute_process(COMMAND dpkg-shlibdeps -O ${TESK_LIBRARY_FILE}
                WORKING_DIRECTORY ${TESK_SHLIBDEPS_DIR}
                OUTPUT_VARIABLE shlibdeps ERROR_VARIABLE shlibdeps_error RESULT_VARIABLE shlibdeps_result)
if(NOT shlibdeps_result EQUAL 0 OR NOT shlibdeps MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps failed on ${TESK_LIBRARY_FILE}: ${shlibdeps_error}")
endif()
if(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS)
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "${CMAKE_MATCH_1}, ${CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS}")
else()
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
