# The programs for users: each lands at the top of the build directory (build/trimorph), is built
# by the `programs` target (what `make` builds), and installs into bin/ with its manual page
# docs/man/<program>.1 into share/man/man1/.
include(GNUInstallDirs)

add_custom_target(programs)

function(trimorph_program target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  add_dependencies(programs ${target})
  set_property(GLOBAL APPEND PROPERTY TRIMORPH_PROGRAMS ${target})
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(page ${PROJECT_SOURCE_DIR}/docs/man/${target}.1)
  if(NOT EXISTS ${page})
    message(FATAL_ERROR "${target} has no manual page ${page}")
  endif()
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
