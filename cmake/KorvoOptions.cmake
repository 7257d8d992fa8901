# Compiler options shared by every target of ours (not by third-party code such as GoogleTest).
add_library(korvo_options INTERFACE)
target_compile_options(korvo_options INTERFACE -Wall -Wextra)
if(KORVO_WERROR)
  target_compile_options(korvo_options INTERFACE -Werror)
endif()
target_include_directories(korvo_options INTERFACE ${PROJECT_SOURCE_DIR})

if(KORVO_SANITIZE)
  add_compile_options(-fsanitize=${KORVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KORVO_SANITIZE})
endif()

if(WIN32)
  # The oldest Windows the program starts on; tools/imports checks its imports against it. The
  # 32-bit program: Windows 2000 SP4. The 64-bit one: the first x64 Windows (Server 2003 SP1 and
  # XP Professional x64 Edition, both NT 5.2).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KORVO_OLDEST_WINDOWS 5.2.1)
  else()
    set(KORVO_OLDEST_WINDOWS 5.0.4)
  endif()
  # Unicode Win32 API with the Windows 2000 headers, so that a newer function is not even declared
  # (code that looks one up at run time declares its type itself). One self-contained executable
  # with no MinGW DLLs.
  target_compile_definitions(korvo_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0500)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(CMAKE_CROSSCOMPILING AND WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  # Windows test executables run under Wine, one private prefix per build folder.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
  set(KORVO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
endif()
