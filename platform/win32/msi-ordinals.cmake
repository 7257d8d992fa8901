# Windows Installer's functions are imported from msi.dll by ordinal, the numbers every Windows
# version gives them (70 MsiGetProductInfoW, 205 MsiEnumRelatedProductsW); MinGW's own import
# library would import them by name. dlltool makes an import library that imports by ordinal.
if(NOT CMAKE_DLLTOOL)
  string(REGEX REPLACE "gcc(-win32)?$" "dlltool" guessed_dlltool "${CMAKE_C_COMPILER}")
  find_program(CMAKE_DLLTOOL NAMES ${guessed_dlltool} REQUIRED)
endif()
set(msi_stdcall_suffix "")
set(msi_kill_at "")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(msi_stdcall_suffix "@16")  # both take four arguments
  set(msi_kill_at "-k")
endif()
set(msi_def ${CMAKE_CURRENT_BINARY_DIR}/msi-ordinals.def)
set(msi_import ${CMAKE_CURRENT_BINARY_DIR}/libmsi-ordinals.a)
file(CONFIGURE OUTPUT ${msi_def} CONTENT "LIBRARY msi.dll
EXPORTS
MsiGetProductInfoW${msi_stdcall_suffix} @70 NONAME
MsiEnumRelatedProductsW${msi_stdcall_suffix} @205 NONAME
")
add_custom_command(OUTPUT ${msi_import}
                   COMMAND ${CMAKE_DLLTOOL} ${msi_kill_at} -d ${msi_def} -l ${msi_import}
                   DEPENDS ${msi_def}
                   COMMENT "msi.dll import library by ordinal")
add_custom_target(korvo_msi_import DEPENDS ${msi_import})
add_dependencies(korvo_platform korvo_msi_import)
target_link_libraries(korvo_platform PUBLIC ${msi_import})
