# Helpers shared by the folder CMakeLists.

# Installed layout: bin/lumisk, lib/*.so, lib/lumisk/PreferencePanes/<Name>.preferencePane/
set(LUMISK_RPATH_BIN "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
set(LUMISK_RPATH_PANE "$ORIGIN/../../..")

# A preference pane: a Qt plugin module placed in its .preferencePane folder.
function(lumisk_add_pane name)
    add_library(${name} MODULE ${ARGN})
    set(dir ${LUMISK_PANES_DIR}/${name}.preferencePane)
    set_target_properties(${name} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${dir}
        PREFIX ""
        INSTALL_RPATH "${LUMISK_RPATH_PANE}")
    install(TARGETS ${name}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/lumisk/PreferencePanes/${name}.preferencePane)
endfunction()
