# Copies one resource into the bundle at build time:
#   cmake -DSOURCE=<file> -DDESTINATION=<file> [-DEXECUTABLE=ON] -P copy_resource.cmake
get_filename_component(destination_dir "${DESTINATION}" DIRECTORY)
file(MAKE_DIRECTORY "${destination_dir}")
file(COPY_FILE "${SOURCE}" "${DESTINATION}")
if(EXECUTABLE)
    file(CHMOD "${DESTINATION}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
else()
    file(CHMOD "${DESTINATION}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
# The copy may keep the source's time; the build compares against the copy's own.
file(TOUCH_NOCREATE "${DESTINATION}")
