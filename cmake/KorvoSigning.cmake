# The package signers the program trusts by their public key (the SHA-256 of the DER
# SubjectPublicKeyInfo, 64 hexadecimal digits; tools/signing/public-key-pin.sh prints it for a
# certificate). A package signed with one of these keys is installed even when its chain ends in a
# root this machine does not trust; any other signature must chain to a trusted root and name the
# publisher.
set(KORVO_PINNED_SIGNER_KEYS "" CACHE STRING "Public-key pins (SHA-256 hex, ;-separated) of trusted package signers")
# Development and test builds also trust a throwaway signer of their own, made in the build folder
# (demo-signer/signer.crt and signer.key), with which the tests and the demonstration sign their
# packages. A release build for publication turns this off and pins its real signer instead.
option(KORVO_PIN_DEMO_SIGNER "Make and pin a throwaway package signer in the build folder" ON)

set(KORVO_DEMO_SIGNER_DIR ${CMAKE_BINARY_DIR}/demo-signer)
set(korvo_pins ${KORVO_PINNED_SIGNER_KEYS})
if(WIN32 AND KORVO_PIN_DEMO_SIGNER)
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/tools/signing/make-signer.sh ${KORVO_DEMO_SIGNER_DIR}
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/tools/signing/public-key-pin.sh
                          ${KORVO_DEMO_SIGNER_DIR}/signer.crt
                  OUTPUT_VARIABLE demo_pin OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  list(APPEND korvo_pins ${demo_pin})
endif()

# The pins as C++ initialisers of 32-byte arrays, for setup/PinnedSigners.cpp.
set(KORVO_PINNED_SIGNER_INITIALISERS "")
foreach(pin IN LISTS korvo_pins)
  string(TOLOWER "${pin}" pin)
  if(NOT pin MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "KORVO_PINNED_SIGNER_KEYS: '${pin}' is not hexadecimal")
  endif()
  string(LENGTH "${pin}" pin_length)
  if(NOT pin_length EQUAL 64)
    message(FATAL_ERROR "KORVO_PINNED_SIGNER_KEYS: '${pin}' is not 64 hexadecimal digits (a SHA-256)")
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${pin}")
  string(APPEND KORVO_PINNED_SIGNER_INITIALISERS "    {{${bytes}}},\n")
endforeach()
list(LENGTH korvo_pins KORVO_PINNED_SIGNER_COUNT)
