# The fuzz targets and the code each one drives, for the fuzz build (fuzz/CMakeLists.txt) and for
# the replays of tests/data/crashers in every other build (fuzz/replay/CMakeLists.txt). The
# installer and icon tool logic is compiled here from its sources, since its own targets come
# only with the GUI; `options` are the compile options of the code under test.
set(fuzz_names extraction bitmap_family name_table users_dat default_txt ini registry standalone_bitmap archive listing)
set(fuzz_libs_extraction tesk_engine)
set(fuzz_libs_bitmap_family tesk_engine)
set(fuzz_libs_name_table tesk_engine)
set(fuzz_libs_users_dat fuzz_varnel_setup)
set(fuzz_libs_default_txt fuzz_varnel_setup)
set(fuzz_libs_ini fuzz_icontool_logic)
set(fuzz_libs_registry fuzz_icontool_logic fuzz_varnel_setup)
# The command's own inputs; these run it on the disk, in a scratch folder.
set(fuzz_libs_standalone_bitmap tesk_cli_commands)
set(fuzz_libs_archive tesk_cli_commands nlohmann_json::nlohmann_json)
set(fuzz_libs_listing tesk_cli_commands nlohmann_json::nlohmann_json)
find_package(nlohmann_json REQUIRED)

function(tesk_fuzz_logic_libraries)
  cmake_parse_arguments(arg "" "" "OPTIONS" ${ARGN})
  add_library(fuzz_varnel_setup STATIC
    ${PROJECT_SOURCE_DIR}/installer/setup/file_steps.cpp
    ${PROJECT_SOURCE_DIR}/installer/setup/preferences.cpp
    ${PROJECT_SOURCE_DIR}/installer/setup/users_dat.cpp)
  target_include_directories(fuzz_varnel_setup PUBLIC ${PROJECT_SOURCE_DIR}/installer/setup)
  target_link_libraries(fuzz_varnel_setup PUBLIC tesk_platform)
  target_compile_options(fuzz_varnel_setup PRIVATE ${arg_OPTIONS})

  add_library(fuzz_icontool_logic STATIC
    ${PROJECT_SOURCE_DIR}/icontool/ini_file.cpp
    ${PROJECT_SOURCE_DIR}/icontool/mod_util.cpp
    ${PROJECT_SOURCE_DIR}/icontool/registry_file.cpp)
  target_include_directories(fuzz_icontool_logic PUBLIC ${PROJECT_SOURCE_DIR}/icontool)
  target_link_libraries(fuzz_icontool_logic PUBLIC tesk_platform)
  target_compile_options(fuzz_icontool_logic PRIVATE ${arg_OPTIONS})
endfunction()
