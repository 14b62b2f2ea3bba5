# add_unit_test(NAME [QT] SOURCES a.cpp b.cpp LIBS lib... [LABELS label...] [ENV VAR=value...]
#               [WINE runner-option...])
# One line per test executable; every test gets its own HOME and XDG folders (see tests/run-isolated;
# on Windows tests/windows/run-wine).
# QT: the test runs inside a QApplication.
function(add_unit_test NAME)
    cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS;ENV;WINE" ${ARGN})
    if(T_QT)
        add_executable(${NAME} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/QtTestMain.cpp)
        target_link_libraries(${NAME} PRIVATE ${T_LIBS} Qt6::Widgets GTest::gmock)
        set_target_properties(${NAME} PROPERTIES AUTOMOC ON)
    else()
        add_executable(${NAME} ${T_SOURCES})
        target_link_libraries(${NAME} PRIVATE ${T_LIBS} GTest::gmock_main)
    endif()
    target_include_directories(${NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    if(WIN32)
        # A Windows test runs under Wine, in the Wine prefix of its build folder, with its own
        # profile folders; WINE passes options to the runner (--pty N: a line on COM<N>).
        add_test(NAME ${NAME}
            COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/run-wine ${T_WINE} $<TARGET_FILE:${NAME}>)
        list(APPEND T_ENV BRISK_WINE_PREFIX=${PROJECT_BINARY_DIR}/wine-prefix)
    else()
        add_test(NAME ${NAME}
            COMMAND ${PROJECT_SOURCE_DIR}/tests/run-isolated $<TARGET_FILE:${NAME}>)
    endif()
    set_tests_properties(${NAME} PROPERTIES TIMEOUT 120)
    if(T_LABELS)
        set_tests_properties(${NAME} PROPERTIES LABELS "${T_LABELS}")
    endif()
    if(T_ENV)
        set_tests_properties(${NAME} PROPERTIES ENVIRONMENT "${T_ENV}")
    endif()
endfunction()

# Core code must stay free of Qt: fail the configure step when a core source includes a Qt
# header or when a core target links a Qt library.
function(brisk_check_no_qt TARGET)
    get_target_property(srcs ${TARGET} SOURCES)
    get_target_property(dir ${TARGET} SOURCE_DIR)
    foreach(src IN LISTS srcs)
        if(NOT IS_ABSOLUTE ${src})
            set(src ${dir}/${src})
        endif()
        get_filename_component(src_dir ${src} DIRECTORY)
        get_filename_component(src_name ${src} NAME_WE)
        foreach(file ${src} ${src_dir}/${src_name}.h)
            if(EXISTS ${file})
                file(STRINGS ${file} qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
                if(qt_includes)
                    message(FATAL_ERROR "Core source ${file} includes a Qt header: ${qt_includes}")
                endif()
            endif()
        endforeach()
    endforeach()
    get_target_property(libs ${TARGET} LINK_LIBRARIES)
    if(libs MATCHES "Qt")
        message(FATAL_ERROR "Core target ${TARGET} links Qt: ${libs}")
    endif()
endfunction()

# Includes between the program's folders run one way: app -> view -> dialogs -> gui, resources
# -> core -> platform interfaces. Fail the configure step when a file of one of the folders
# (relative to the calling CMakeLists.txt) includes a header of a FORBIDDEN folder.
# brisk_check_includes(folder... FORBIDDEN folder...)
function(brisk_check_includes)
    cmake_parse_arguments(C "" "" "FORBIDDEN" ${ARGN})
    list(JOIN C_FORBIDDEN "|" forbidden)
    list(JOIN C_FORBIDDEN "/, " shown)
    foreach(folder IN LISTS C_UNPARSED_ARGUMENTS)
        get_filename_component(folder ${folder} ABSOLUTE)
        file(GLOB_RECURSE files ${folder}/*.h ${folder}/*.cpp)
        foreach(file IN LISTS files)
            file(STRINGS ${file} includes
                REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${forbidden})/")
            if(includes)
                message(FATAL_ERROR "${file} includes a header of a folder above its own "
                    "(${shown}/): ${includes}")
            endif()
        endforeach()
    endforeach()
endfunction()
