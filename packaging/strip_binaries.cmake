# Run by CPack on the staged tree before it is packed: strips every ELF file in it (the
# programs of the bundle and the tools of the simulated machine), as Debian ships binaries.
find_program(HALIX_STRIP strip REQUIRED)
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
        execute_process(COMMAND "${HALIX_STRIP}" --strip-unneeded --remove-section=.comment
                                --remove-section=.note "${file}"
                        RESULT_VARIABLE stripped)
        if(NOT stripped EQUAL 0)
            message(FATAL_ERROR "cannot strip ${file}")
        endif()
    endif()
endforeach()
