# quorvane_library_file(<out> <library>): the path under which the run-time loader finds the shared
# library that `library` (a file from a pkg-config link line) links to: its folder and its SONAME.
# For libraries the program opens only when it first needs them.
function(quorvane_library_file out library)
  execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${library} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
  string(REGEX MATCH "SONAME +([^ \n]+)" found "${dump}")
  if(NOT result EQUAL 0 OR NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "cannot read the SONAME of ${library}")
  endif()
  get_filename_component(folder ${library} DIRECTORY)
  set(${out} ${folder}/${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
