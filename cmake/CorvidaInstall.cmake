# What `cmake --install` puts where, and the manual pages it installs. The desktop program, its entry
# and its icons join in where the corvida target exists.
include(GNUInstallDirs)

set(corvida_packaging "${PROJECT_SOURCE_DIR}/packaging")

# The SVG as the scalable icon, and the PNG sizes rendered from it, in the hicolor theme.
function(corvida_install_icons svg)
    set(icon_root "${CMAKE_INSTALL_DATADIR}/icons/hicolor")
    install(FILES "${svg}" DESTINATION "${icon_root}/scalable/apps" RENAME corvida.svg)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    set(pngs "")
    foreach(size 16 24 32 48 64 128 256)
        set(folder "${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size}")
        add_custom_command(OUTPUT "${folder}/corvida.png"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
            COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output "${folder}/corvida.png" "${svg}"
            DEPENDS "${svg}"
            COMMENT "Rendering the ${size}x${size} icon"
            VERBATIM)
        list(APPEND pngs "${folder}/corvida.png")
        install(FILES "${folder}/corvida.png" DESTINATION "${icon_root}/${size}x${size}/apps")
    endforeach()
    add_custom_target(corvida_icons ALL DEPENDS ${pngs})
endfunction()

set(corvida_programs corvida-cli kittool radiosim)
if(TARGET corvida)
    list(PREPEND corvida_programs corvida)
endif()
install(TARGETS ${corvida_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The demo kit as corvida works on it, its plain files, and radiosim's radios of it:
#   radiosim --profile share/corvida/radios/kx400.radio --files share/corvida/kits/demo-src
set(corvida_data_dir "${CMAKE_INSTALL_DATADIR}/corvida")
install(DIRECTORY "${CORVIDA_DEMO_KIT}/" DESTINATION "${corvida_data_dir}/kits/demo")
install(DIRECTORY "${CORVIDA_DEMO_KIT_PLAIN}/" DESTINATION "${corvida_data_dir}/kits/demo-src")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/kits/demo/radios/" DESTINATION "${corvida_data_dir}/radios"
        FILES_MATCHING PATTERN "*.radio")

if(TARGET corvida)
    install(FILES "${corvida_packaging}/corvida.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    # The desktop program's own picture, drawn as SVG; the PNG sizes are rendered from it.
    set(CORVIDA_ICON_SVG "${PROJECT_SOURCE_DIR}/src/app/icons/corvida.svg" CACHE FILEPATH
        "the application's icon, SVG")
    if(EXISTS "${CORVIDA_ICON_SVG}")
        corvida_install_icons("${CORVIDA_ICON_SVG}")
    else()
        message(WARNING "The application's icon ${CORVIDA_ICON_SVG} is missing (set CORVIDA_ICON_SVG): "
                        "corvida is installed without one")
    endif()
endif()

# Manual pages from each program's own --help, with a hand-written description and examples
# (packaging/man/NAME.h2m), so that they never drift from the code. Instrumented programs (sanitizer
# and fuzz builds) make none: nobody installs them.
set(corvida_man_pages_default ON)
if(CORVIDA_SANITIZE OR CORVIDA_FUZZ)
    set(corvida_man_pages_default OFF)
endif()
option(CORVIDA_MAN_PAGES "Generate and install the manual pages (needs help2man)" ${corvida_man_pages_default})
if(CORVIDA_MAN_PAGES)
    find_program(HELP2MAN help2man REQUIRED)
    set(corvida_man_summary_corvida "upgrade two-way radios over a serial port")
    set(corvida_man_summary_corvida-cli "upgrade and examine two-way radios from the command line")
    set(corvida_man_summary_kittool "build, inspect and lint Corvida upgrade kits")
    set(corvida_man_summary_radiosim "a simulated two-way radio on a pseudo-terminal")
    set(man_pages "")
    foreach(program IN LISTS corvida_programs)
        set(page "${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1")
        set(include "${corvida_packaging}/man/${program}.h2m")
        # The desktop program answers --help without a display; a program that hung instead would stop
        # the build, so each gets a minute.
        add_custom_command(OUTPUT "${page}"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/man"
            COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                    timeout 60 ${HELP2MAN} --no-info --no-discard-stderr
                    "--version-string=${PROJECT_VERSION}" "--name=${corvida_man_summary_${program}}"
                    "--include=${include}" "--output=${page}" $<TARGET_FILE:${program}>
            DEPENDS ${program} "${include}"
            COMMENT "Writing the manual page of ${program}"
            VERBATIM)
        list(APPEND man_pages "${page}")
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${man_pages})
    install(FILES ${man_pages} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endif()
