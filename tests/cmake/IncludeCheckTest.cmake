# brisk_check_includes on a scratch tree: a view file that includes a header of app/ fails the
# check, which names the file; without that include the tree passes.
# cmake -DSOURCE_DIR=<project> -DWORK_DIR=<scratch folder> -P IncludeCheckTest.cmake
set(root ${WORK_DIR}/include-check)
file(REMOVE_RECURSE ${root})
file(WRITE ${root}/src/app/Frame.h "#pragma once\n")
file(WRITE ${root}/src/view/View.h "#pragma once\n#include \"gui/Form.h\"\n// #include \"app/Frame.h\"\n")
file(WRITE ${root}/check.cmake "include(${SOURCE_DIR}/cmake/BriskHelpers.cmake)\n"
    "brisk_check_includes(${root}/src/view ${root}/src/dialogs FORBIDDEN app)\n")

function(run_check expected)
    execute_process(COMMAND ${CMAKE_COMMAND} -P ${root}/check.cmake
        RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(expected STREQUAL "pass" AND NOT result EQUAL 0)
        message(FATAL_ERROR "a clean tree failed the check: ${errors}")
    elseif(expected STREQUAL "fail" AND (result EQUAL 0 OR NOT errors MATCHES "View.cpp"))
        message(FATAL_ERROR "an include of app/ passed the check or went unnamed: ${errors}")
    endif()
endfunction()

run_check(pass)
file(WRITE ${root}/src/view/View.cpp "#include \"view/View.h\"\n  #  include \"app/Frame.h\"\n")
run_check(fail)
