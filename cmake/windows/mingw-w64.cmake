# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (the -posix flavour, whose
# libstdc++ has std::thread). Used for the MinGW Qt and for the Windows program alike.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRISK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRISK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRISK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRISK_MINGW_TRIPLE}-windres)

# Libraries and headers only from the MinGW sysroot and the MinGW Qt; programs (moc, uic, rcc)
# from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${BRISK_MINGW_TRIPLE})
if(DEFINED ENV{BRISK_MINGW_QT})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{BRISK_MINGW_QT})
endif()
if(BRISK_MINGW_QT)
    list(APPEND CMAKE_FIND_ROOT_PATH ${BRISK_MINGW_QT})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
