# The Windows build registers each test program as one CTest test that runs under wine: listing
# the cases first would start wine once per case, which costs more than the tests themselves.
function(gtest_discover_tests target)
  cmake_parse_arguments(arg "" "DISCOVERY_TIMEOUT;DISCOVERY_MODE" "PROPERTIES;EXTRA_ARGS" ${ARGN})
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1 ${arg_EXTRA_ARGS})
  if(arg_PROPERTIES)
    set_tests_properties(${target} PROPERTIES ${arg_PROPERTIES})
  endif()
endfunction()
