# The Windows build's zip (make windows): every program registered with trimorph_program(),
# stripped, and the README with its picture (docs/tram.png), in one folder
# trimorph-<version>-windows-<processor> inside build-windows/trimorph-<version>-windows-<processor>.zip.
get_property(zip_programs GLOBAL PROPERTY TRIMORPH_PROGRAMS)
set(zip_name trimorph-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
set(zip_stage ${PROJECT_BINARY_DIR}/zip)
set(TRIMORPH_WINDOWS_ZIP ${PROJECT_BINARY_DIR}/${zip_name}.zip)
file(MAKE_DIRECTORY ${zip_stage})

find_program(TRIMORPH_ZIP zip)
if(NOT TRIMORPH_ZIP)
  message(FATAL_ERROR "zip is needed for the Windows zip (Debian: apt-get install zip)")
endif()

set(zip_copies "")
foreach(program ${zip_programs})
  list(APPEND zip_copies COMMAND ${CMAKE_STRIP}
       -o ${zip_stage}/${zip_name}/$<TARGET_FILE_NAME:${program}> $<TARGET_FILE:${program}>)
endforeach()

add_custom_command(
  OUTPUT ${TRIMORPH_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_stage}/${zip_name} ${TRIMORPH_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_stage}/${zip_name}
  ${zip_copies}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${zip_stage}/${zip_name}/
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_stage}/${zip_name}/docs
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/tram.png ${zip_stage}/${zip_name}/docs/
  COMMAND ${TRIMORPH_ZIP} -q -r -X ${TRIMORPH_WINDOWS_ZIP} ${zip_name}
  WORKING_DIRECTORY ${zip_stage}
  DEPENDS ${zip_programs} ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/tram.png
  COMMENT "Packing ${zip_name}.zip"
  VERBATIM)
add_custom_target(windows-zip ALL DEPENDS ${TRIMORPH_WINDOWS_ZIP})
