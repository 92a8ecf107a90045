# A library's consumers see the headers it declares public and no other file of its folder.
#
#   tesk_public_headers(<target> BASE <folder> HEADERS <path below BASE>...)
#
# links each listed header into ${PROJECT_BINARY_DIR}/interface/<target>/ at the path its users
# write ("platform/file_system.hpp"), and makes that folder the target's only interface include
# directory; the target's own sources reach the rest of their folder through a PRIVATE include
# directory. Including a header the target keeps to itself then fails to compile, so the layers
# hold by construction and no #include line names a folder of the build. The links are made
# again at every configure: a header added to a list is seen after the next cmake run.
function(tesk_public_headers target)
  cmake_parse_arguments(arg "" "BASE" "HEADERS" ${ARGN})
  set(root ${PROJECT_BINARY_DIR}/interface/${target})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS arg_HEADERS)
    if(NOT EXISTS ${arg_BASE}/${header})
      message(FATAL_ERROR "${target}: public header ${arg_BASE}/${header} does not exist")
    endif()
    get_filename_component(folder ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${arg_BASE}/${header} ${root}/${header} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${root}>)
endfunction()
