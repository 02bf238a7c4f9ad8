# Installation as a desktop program: the bundle under <prefix>/lib/halix-utility, its
# programs linked into <prefix>/bin, and a desktop entry with its icon.
set(HALIX_INSTALL_BUNDLE_PARENT "lib/halix-utility")

install(DIRECTORY "${HALIX_BUNDLE_DIR}" DESTINATION "${HALIX_INSTALL_BUNDLE_PARENT}"
        USE_SOURCE_PERMISSIONS)

# Relative links, so that the installed tree can be moved (DESTDIR staging included).
set(halix_installed_programs "halix-utility=Halix Utility" "halix-term=halix-term"
                             "halix-sim=halix-sim")
foreach(entry IN LISTS halix_installed_programs)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 link_name)
    list(GET parts 1 executable)
    set(target "../${HALIX_INSTALL_BUNDLE_PARENT}/${HALIX_BUNDLE_NAME}/Contents/MacOS/${executable}")
    install(CODE "
        set(bin_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
        file(MAKE_DIRECTORY \"\${bin_dir}\")
        file(REMOVE \"\${bin_dir}/${link_name}\")
        file(CREATE_LINK \"${target}\" \"\${bin_dir}/${link_name}\" SYMBOLIC)
        message(STATUS \"Linking: \${bin_dir}/${link_name} -> ${target}\")
    ")
endforeach()

install(FILES "${PROJECT_SOURCE_DIR}/packaging/halix-utility.desktop"
        DESTINATION share/applications)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/halix-utility.svg"
        DESTINATION share/icons/hicolor/scalable/apps)

# Man pages, compressed as Debian installs them; the window's page only where it is built.
set(halix_man_pages halix-term halix-sim)
if(HALIX_BUILD_GUI)
    list(APPEND halix_man_pages halix-utility)
endif()
find_program(HALIX_GZIP gzip REQUIRED)
set(halix_man_outputs "")
foreach(page IN LISTS halix_man_pages)
    set(source "${PROJECT_SOURCE_DIR}/docs/man/${page}.1")
    set(copy "${CMAKE_BINARY_DIR}/man/${page}.1")
    add_custom_command(OUTPUT "${copy}.gz"
        COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${copy}"
        COMMAND ${HALIX_GZIP} -9nf "${copy}"
        DEPENDS "${source}"
        COMMENT "Man page: ${page}(1)"
        VERBATIM)
    list(APPEND halix_man_outputs "${copy}.gz")
endforeach()
add_custom_target(halix_man_pages ALL DEPENDS ${halix_man_outputs})
install(FILES ${halix_man_outputs} DESTINATION share/man/man1)

install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION share/doc/halix-utility)
# The schemas of halix-term --json, for programs that read the stream or a job's result.
install(FILES "${PROJECT_SOURCE_DIR}/docs/halix-term-events.schema.json"
              "${PROJECT_SOURCE_DIR}/docs/halix-term-result.schema.json"
        DESTINATION share/doc/halix-utility)

# The changelog, compressed as Debian installs it (changelog.gz: the package is native, its
# version has no Debian revision).
configure_file("${PROJECT_SOURCE_DIR}/packaging/changelog.in"
               "${CMAKE_BINARY_DIR}/packaging/changelog" @ONLY)
add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/packaging/changelog.gz"
    COMMAND ${HALIX_GZIP} -9nkf "${CMAKE_BINARY_DIR}/packaging/changelog"
    DEPENDS "${CMAKE_BINARY_DIR}/packaging/changelog"
    COMMENT "Changelog"
    VERBATIM)
add_custom_target(halix_debian_changelog ALL
                  DEPENDS "${CMAKE_BINARY_DIR}/packaging/changelog.gz")
install(FILES "${CMAKE_BINARY_DIR}/packaging/changelog.gz"
        DESTINATION share/doc/halix-utility)

# What software centres show of the program (AppStream).
install(FILES "${PROJECT_SOURCE_DIR}/packaging/halix-utility.metainfo.xml"
        DESTINATION share/metainfo)
