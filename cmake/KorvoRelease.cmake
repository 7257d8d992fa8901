# The release build of the Windows program (presets mingw32-release and mingw64-release, made by
# scripts/release.sh): the program as it is published — small, stripped, reproducible and signed.
# Included after the libraries and the program are defined; development builds are not touched.
# docs/release.md says what each option saves.
option(KORVO_RELEASE "Build the Windows program for publication: small, stripped, reproducible, signed" OFF)
if(NOT KORVO_RELEASE)
  return()
endif()
if(NOT WIN32 OR KORVO_BUILD_TESTS)
  message(FATAL_ERROR "KORVO_RELEASE is a MinGW build of the program alone (KORVO_BUILD_TESTS=OFF)")
endif()

# The certificate and key the program is signed with (scripts/release.sh gives them).
set(KORVO_RELEASE_SIGNER_CERT "" CACHE FILEPATH "Certificate (PEM or DER) the release program is signed with")
set(KORVO_RELEASE_SIGNER_KEY "" CACHE FILEPATH "Private key (PEM or DER, unencrypted) of that certificate")
foreach(signer_file KORVO_RELEASE_SIGNER_CERT KORVO_RELEASE_SIGNER_KEY)
  if(NOT EXISTS "${${signer_file}}")
    message(FATAL_ERROR "${signer_file} names no file: the release build signs the program "
                        "(scripts/release.sh gives the certificate and key)")
  endif()
endforeach()
if(NOT KORVO_PINNED_SIGNER_KEYS)
  message(WARNING "The release program pins no package signer (KORVO_PINNED_SIGNER_KEYS is empty)")
endif()

# The preset this build was made with: the reproducibility check makes its second build with it.
set(KORVO_RELEASE_PRESET "" CACHE STRING "The release preset of this build (mingw32-release or mingw64-release)")
if(NOT KORVO_RELEASE_PRESET)
  message(FATAL_ERROR "Configure the release build with its preset (mingw32-release or mingw64-release)")
endif()

# The most bytes each signed program may have (tests/release fails above it).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(default_size_goal 512000)
else()
  set(default_size_goal 409600)
endif()
set(KORVO_RELEASE_SIZE_GOAL ${default_size_goal} CACHE STRING "Largest size in bytes the signed program may have")

# The time written into the image (the PE header's and the export table's stamps): the commit's,
# so that two builds of one commit agree. SOURCE_DATE_EPOCH in the environment wins.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(KORVO_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE KORVO_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_status ERROR_QUIET)
  if(NOT git_status EQUAL 0)
    message(FATAL_ERROR "Not a git checkout: give the build's time stamp in SOURCE_DATE_EPOCH")
  endif()
endif()

# Code generation for size. GNU ld cannot drop unused functions of an object whose unwind tables
# it must keep, so the program's own code is built without exceptions; on i686 it then needs no
# unwind tables at all (x86_64 keeps them: Windows unwinds every frame with them). The one file
# that catches an exception keeps them. No source or build path goes into the image.
set(release_compile_options -ffunction-sections -fdata-sections -fno-exceptions
    "-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=" "-ffile-prefix-map=${CMAKE_BINARY_DIR}/=")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND release_compile_options -fno-asynchronous-unwind-tables)
endif()
target_compile_options(korvo_options INTERFACE "$<$<COMPILE_LANGUAGE:C,CXX>:${release_compile_options}>")
set_source_files_properties(${PROJECT_SOURCE_DIR}/platform/win32/Win32MsxmlProbe.cpp
  DIRECTORY ${PROJECT_SOURCE_DIR}/platform PROPERTIES COMPILE_OPTIONS "-fexceptions;-fasynchronous-unwind-tables")

# Linking: stripped; unreferenced sections dropped; the default terminate handler, which prints
# the exception's demangled type to a console a GUI program does not have, replaced by abort()
# (what it calls next), so that the C++ demangler stays out; the PE time stamps from
# KORVO_SOURCE_DATE_EPOCH. The map file is what tools/release/size_breakdown.py reads.
set(KORVO_RELEASE_MAP ${CMAKE_BINARY_DIR}/KORVOSkelvSetup.map)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(symbol_prefix _)  # i686 C symbols carry a leading underscore
  include(${CMAKE_CURRENT_LIST_DIR}/KorvoReleaseUnwindTables.cmake)
endif()
target_link_options(KORVOSkelvSetup PRIVATE -s LINKER:--gc-sections
  "LINKER:--defsym,${symbol_prefix}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${symbol_prefix}abort"
  "LINKER:-Map,${KORVO_RELEASE_MAP}")
set_target_properties(KORVOSkelvSetup PROPERTIES
  CXX_LINKER_LAUNCHER "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${KORVO_SOURCE_DATE_EPOCH}")

# The signed program, <build>/signed/KORVOSkelvSetup.exe, made with every build.
find_program(KORVO_OSSLSIGNCODE osslsigncode REQUIRED)  # what sign-program.sh signs with
set(KORVO_RELEASE_SIGNED ${CMAKE_BINARY_DIR}/signed/KORVOSkelvSetup.exe)
add_custom_command(
  OUTPUT ${KORVO_RELEASE_SIGNED}
  COMMAND bash ${PROJECT_SOURCE_DIR}/tools/release/sign-program.sh ${KORVO_RELEASE_SIGNER_CERT}
          ${KORVO_RELEASE_SIGNER_KEY} $<TARGET_FILE:KORVOSkelvSetup> ${KORVO_RELEASE_SIGNED}
  DEPENDS KORVOSkelvSetup ${PROJECT_SOURCE_DIR}/tools/release/sign-program.sh
          ${KORVO_RELEASE_SIGNER_CERT} ${KORVO_RELEASE_SIGNER_KEY}
  COMMENT "Signing the program"
  VERBATIM)
add_custom_target(KORVOSkelvSetup_signed ALL DEPENDS ${KORVO_RELEASE_SIGNED})

enable_testing()
add_subdirectory(${PROJECT_SOURCE_DIR}/tests/release ${CMAKE_BINARY_DIR}/tests/release)
