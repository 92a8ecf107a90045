# nlohmann-json for the Windows build, from the staged copy of the host's headers.
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${TESK_STAGED_INCLUDE})
endif()
set(nlohmann_json_FOUND TRUE)
