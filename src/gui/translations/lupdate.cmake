# Keeps the window's translations in step with its texts (tr() in src/gui, main_window.ui, the
# marked texts of src/settings_model, the buttons' descriptions and the simulated machine's
# password note).
#   cmake -DLUPDATE=<lupdate> -DMODE=update -P lupdate.cmake
#       brings every halix_<code>.ts here up to date: new texts are added unfinished,
#       texts gone from the sources are dropped; then translate the unfinished ones.
#   cmake -DLUPDATE=<lupdate> -DMODE=check -DSCRATCH=<directory> -P lupdate.cmake
#       does the same to copies in SCRATCH and fails, naming the texts, when a copy holds a
#       text without its translation (new, unfinished or empty) or one no longer in the sources.
cmake_minimum_required(VERSION 3.25)
get_filename_component(sources "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
# The window's setting texts live beside the window, in a library without Qt; the simulated
# machine's note to its password request lives with its authorization.
get_filename_component(settingTexts "${sources}/../settings_model" ABSOLUTE)
get_filename_component(passwordNote "${sources}/../sim/tools/sim_authorization.cpp" ABSOLUTE)
get_filename_component(buttonTexts "${sources}/../controller/window_actions.cpp" ABSOLUTE)
file(GLOB translations "${CMAKE_CURRENT_LIST_DIR}/halix_*.ts")
if(NOT translations)
    message(FATAL_ERROR "no halix_*.ts in ${CMAKE_CURRENT_LIST_DIR}")
endif()

# Without source locations, so that edits elsewhere in a file do not change the .ts.
set(options -locations none -extensions cpp,h,ui -I "${sources}/..")

set(report "")
foreach(translation IN LISTS translations)
    get_filename_component(name "${translation}" NAME)
    if(MODE STREQUAL "update")
        execute_process(COMMAND "${LUPDATE}" -silent ${options} -no-obsolete "${sources}"
                                "${settingTexts}" "${passwordNote}" "${buttonTexts}" -ts "${translation}"
                        RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "lupdate failed on ${name}: ${status}")
        endif()
        continue()
    elseif(NOT MODE STREQUAL "check")
        message(FATAL_ERROR "MODE must be update or check, not \"${MODE}\"")
    endif()

    file(MAKE_DIRECTORY "${SCRATCH}")
    set(copy "${SCRATCH}/${name}")
    file(COPY_FILE "${translation}" "${copy}")
    execute_process(COMMAND "${LUPDATE}" -silent ${options} "${sources}" "${settingTexts}"
                            "${passwordNote}" "${buttonTexts}" -ts "${copy}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "lupdate failed on a copy of ${name}: ${status}")
    endif()
    file(READ "${copy}" content)
    # Escaped, a semicolon in a text stays inside its entry of the list of findings.
    string(REPLACE ";" "\\;" content "${content}")
    # An entry without its translation: new or left unfinished, gone from the sources, or
    # marked finished while empty.
    string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation( type=\"[a-z]+\"|></translation>)"
           entries "${content}")
    string(REGEX MATCH "type=\"(unfinished|vanished|obsolete)\"|<translation></translation>" any
           "${content}")
    if(any)
        string(APPEND report "${name}:\n")
        foreach(entry IN LISTS entries)
            string(REGEX MATCH "<source>([^<]*)</source>" source "${entry}")
            set(state "empty")
            if(entry MATCHES "type=\"([a-z]+)\"")
                set(state "${CMAKE_MATCH_1}")
            endif()
            string(REGEX REPLACE "<source>([^<]*)</source>" "\\1" source "${source}")
            string(APPEND report "  ${state}: ${source}\n")
        endforeach()
    endif()
endforeach()

if(report)
    message(FATAL_ERROR "The window's translations are not complete:\n${report}"
                        "Run `cmake --build <build> --target halix_update_translations`, then "
                        "give each text marked unfinished in the .ts its translation and "
                        "remove the mark.")
endif()
