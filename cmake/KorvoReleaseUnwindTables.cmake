# The 32-bit release program's unwind tables (DWARF .eh_frame). GNU ld's default script keeps every
# object's .eh_frame, and each one refers to all of its object's functions, so nothing that is
# linked can be dropped: a whole copy of std::string is linked for one of its functions. The
# release program is linked with ld's own default script but one rule changed: it keeps only the
# unwind tables on the way of the one exception the program catches — the MSXML check's own throw
# (its file, __cxa_throw, the unwinder, operator new and the library's throwing helpers) — between
# the start marker (crtbegin.o) and the end marker (crtend.o) the C++ runtime reads them by; all
# the others go with the functions no one calls. An exception thrown anywhere else ends the program,
# as it did with every table kept, since nothing else catches. tests/release checks the tables of
# these objects are all in the image, reachable from the start marker.
set(KORVO_RELEASE_UNWIND_OBJECTS
  "*libkorvo_platform.a:Win32MsxmlProbe.cpp.obj"
  "*libstdc++.a:eh_throw.o" "*libstdc++.a:new_op.o" "*libstdc++.a:functexcept.o"
  "*libgcc_eh.a:*")

execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE ld_verbose COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "\n=+\n(.*)\n=+\n" ld_script "${ld_verbose}")
set(ld_script "${CMAKE_MATCH_1}")
set(default_rule "KEEP(*(.eh_frame*))")
string(FIND "${ld_script}" "${default_rule}" rule_at)
if(rule_at LESS 0)
  message(FATAL_ERROR "${CMAKE_LINKER}'s default script has no '${default_rule}' to change")
endif()
set(kept_rules "KEEP(*crtbegin.o(.eh_frame*))\n")
foreach(object IN LISTS KORVO_RELEASE_UNWIND_OBJECTS)
  string(APPEND kept_rules "    KEEP(${object}(.eh_frame*))\n")
endforeach()
string(APPEND kept_rules "    KEEP(*crtend.o(.eh_frame*))")
string(REPLACE "${default_rule}" "${kept_rules}" ld_script "${ld_script}")
set(KORVO_RELEASE_LINKER_SCRIPT ${CMAKE_BINARY_DIR}/KORVOSkelvSetup.x)
file(WRITE ${KORVO_RELEASE_LINKER_SCRIPT} "${ld_script}\n")

target_link_options(KORVOSkelvSetup PRIVATE "LINKER:-T,${KORVO_RELEASE_LINKER_SCRIPT}")
set_property(TARGET KORVOSkelvSetup APPEND PROPERTY LINK_DEPENDS ${KORVO_RELEASE_LINKER_SCRIPT})
