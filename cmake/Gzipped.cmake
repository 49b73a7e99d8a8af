# Makes NAME.gz in the current build folder from SOURCE at build time, compressed as Debian asks of
# manual pages and changelogs: at the highest level, and with -n so that no name or time stamp makes
# two builds differ. OUTPUT_VAR receives the file's path.
function(quorvane_gzipped source name output_var)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${source}
    VERBATIM)
  add_custom_target(gzip_${name} ALL DEPENDS ${copy}.gz)
  set(${output_var} ${copy}.gz PARENT_SCOPE)
endfunction()

# Installs a manual page kept as roff source, such as app/quorvane.1, into its section's folder.
function(quorvane_install_manual_page page)
  get_filename_component(name ${page} NAME)
  string(REGEX MATCH "[1-9]$" section ${name})
  quorvane_gzipped(${CMAKE_CURRENT_SOURCE_DIR}/${page} ${name} gzipped)
  install(FILES ${gzipped} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
