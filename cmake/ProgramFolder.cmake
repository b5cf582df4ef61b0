# The runnable program folder: the executable with its data files beside it, as the program
# finds them at run time (rules/, Protocol.dat, Sound/Alert.WAV).
set(VRX_PROGRAM_DIR ${PROJECT_BINARY_DIR}/program CACHE INTERNAL "")
add_custom_target(program ALL)

# vrx_program_file(SOURCE DESTINATION [DEPENDS target])
# Copies a file into the program folder whenever it changes; DESTINATION is relative to it.
function(vrx_program_file source destination)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    set(target_file ${VRX_PROGRAM_DIR}/${destination})
    add_custom_command(OUTPUT ${target_file}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${target_file}
        DEPENDS ${source} ${ARG_DEPENDS}
        COMMENT "Program folder: ${destination}")
    string(MAKE_C_IDENTIFIER "program_${destination}" stamp)
    add_custom_target(${stamp} DEPENDS ${target_file})
    add_dependencies(program ${stamp})
endfunction()
