# The fuzz targets and the code each one drives, for the fuzz build (fuzz/CMakeLists.txt) and for
# the replays of tests/data/crashers in every other build (fuzz/replay/CMakeLists.txt). The targets
# call inner steps of the engine and the command, hence the internals targets.
set(fuzz_names extraction bitmap_family name_table users_dat default_txt ini registry standalone_bitmap archive listing)
set(fuzz_libs_extraction tesk_engine_internals)
set(fuzz_libs_bitmap_family tesk_engine_internals)
set(fuzz_libs_name_table tesk_engine_internals)
set(fuzz_libs_users_dat varnel_setup)
set(fuzz_libs_default_txt varnel_setup)
set(fuzz_libs_ini icontool_logic)
set(fuzz_libs_registry icontool_logic varnel_setup)
# The command's own inputs; these run it on the disk, in a scratch folder.
set(fuzz_libs_standalone_bitmap tesk_cli_internals)
set(fuzz_libs_archive tesk_cli_internals nlohmann_json::nlohmann_json)
set(fuzz_libs_listing tesk_cli_internals nlohmann_json::nlohmann_json)
find_package(nlohmann_json REQUIRED)
