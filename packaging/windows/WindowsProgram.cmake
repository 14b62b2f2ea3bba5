# The Windows program: TaplineBrisk.exe with its icon and version, the DLLs it loads placed
# beside every program of the build (so the program and the tests run there, under Wine too),
# and the installer (target windows_installer).
#
# Two files come from a Linux build of the same sources (BRISK_HOST_BUILD), whose tools cannot
# run in a cross build: the icon (render-icon) and the user's guide (make-guide).
set(BRISK_HOST_BUILD "" CACHE PATH "A Linux build of these sources: its render-icon and guide")
set(host_icon_tool ${BRISK_HOST_BUILD}/tools/render-icon/render-icon)
set(host_guide ${BRISK_HOST_BUILD}/Tapline_Brisk_Users_Guide.pdf)
if(NOT EXISTS ${host_icon_tool} OR NOT EXISTS ${host_guide})
    message(FATAL_ERROR "The Windows program needs BRISK_HOST_BUILD, a Linux build of these sources "
        "with render-icon and the user's guide built (now: '${BRISK_HOST_BUILD}')")
endif()

set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set_target_properties(tapline-brisk PROPERTIES OUTPUT_NAME TaplineBrisk WIN32_EXECUTABLE ON
    RUNTIME_OUTPUT_DIRECTORY ${bin})

set(BRISK_ICO ${PROJECT_BINARY_DIR}/TaplineBrisk.ico)
add_custom_command(OUTPUT ${BRISK_ICO}
    COMMAND ${host_icon_tool} --ico ${BRISK_ICO}
    DEPENDS ${host_icon_tool}
    COMMENT "Drawing the program icon")
string(REPLACE "." "," BRISK_VERSION_COMMAS ${BRISK_VERSION_FOUR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/TaplineBrisk.rc.in ${PROJECT_BINARY_DIR}/TaplineBrisk.rc
    @ONLY)
target_sources(tapline-brisk PRIVATE ${PROJECT_BINARY_DIR}/TaplineBrisk.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/TaplineBrisk.rc PROPERTIES
    OBJECT_DEPENDS ${BRISK_ICO})

# What the program loads: Qt and its platform and style plugins, and the MinGW runtime that Qt
# is built against.
set(runtime)
foreach(dll Qt6Core Qt6Gui Qt6Widgets Qt6Network)
    list(APPEND runtime ${BRISK_MINGW_QT}/bin/${dll}.dll)
endforeach()
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path ${path} REALPATH)
    if(NOT EXISTS ${path})
        message(FATAL_ERROR "The MinGW runtime ${dll} is missing")
    endif()
    list(APPEND runtime ${path})
endforeach()
set(platform_plugin ${BRISK_MINGW_QT}/plugins/platforms/qwindows.dll)
file(GLOB style_plugins ${BRISK_MINGW_QT}/plugins/styles/*.dll)
add_custom_target(windows_runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/platforms ${bin}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${runtime} ${bin}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${platform_plugin} ${bin}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${style_plugins} ${bin}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${host_guide} ${bin}
    COMMENT "Placing Qt, the MinGW runtime and the guide beside the programs")
add_dependencies(tapline-brisk windows_runtime)

# The installer: the program's folder as a user gets it, packed by NSIS.
set(stage ${PROJECT_BINARY_DIR}/stage)
set(BRISK_INSTALLER ${PROJECT_BINARY_DIR}/TaplineBrisk-${BRISK_VERSION_FOUR}-setup.exe)
find_program(MAKENSIS makensis REQUIRED)
add_custom_command(OUTPUT ${BRISK_INSTALLER}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/platforms ${stage}/styles
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tapline-brisk> ${runtime} ${host_guide}
            ${stage}
    COMMAND ${CMAKE_COMMAND} -E copy ${platform_plugin} ${stage}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy ${style_plugins} ${stage}/styles
    COMMAND ${CMAKE_STRIP} --strip-unneeded ${stage}/TaplineBrisk.exe
    COMMAND ${MAKENSIS} -V2 -DVERSION=${BRISK_VERSION_FOUR} -DSTAGE=${stage}
            -DOUTFILE=${BRISK_INSTALLER} ${CMAKE_CURRENT_LIST_DIR}/tapline-brisk.nsi
    DEPENDS tapline-brisk ${CMAKE_CURRENT_LIST_DIR}/tapline-brisk.nsi ${host_guide}
    COMMENT "Building the Windows installer")
add_custom_target(windows_installer ALL DEPENDS ${BRISK_INSTALLER})
set(BRISK_INSTALLER ${BRISK_INSTALLER} PARENT_SCOPE)
