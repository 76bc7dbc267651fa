# cmake/mingw-i686.cmake
# The one place that pins the Windows target: 32-bit MinGW-w64 with the win32 thread model
# (the posix one drags in imports that Windows 98 lacks), Windows 95/98-era API macros so
# newer functions are compile errors, subsystem 4.0, a static run-time.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TG_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TG_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TG_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER  ${TG_TRIPLET}-windres)
set(CMAKE_AR           /usr/bin/${TG_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${TG_TRIPLET}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TG_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(TG_WINVER_DEFS "-D_WIN32_WINNT=0x0400 -DWINVER=0x0400 -D_WIN32_IE=0x0400 -DSTRICT -DNOMINMAX -DWIN32_LEAN_AND_MEAN")
set(CMAKE_C_FLAGS_INIT   "-march=i586 ${TG_WINVER_DEFS}")
set(CMAKE_CXX_FLAGS_INIT "-march=i586 ${TG_WINVER_DEFS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0")
# The resource compiler reads our .rc files as Windows-1252 text. A file in another encoding
# says so with #pragma code_page: the upgrader's texts of twelve languages are UTF-8
# (resources/vyAppUpdaterLanguage.rc), stored as UTF-16 string tables and turned into the
# running system's ANSI code page by LoadStringA.
set(CMAKE_RC_FLAGS_INIT "-c 1252 -l 0x409")

# Tests run under Wine.
get_filename_component(_tg_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_tg_root}/scripts/wine-exec")
