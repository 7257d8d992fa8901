# Tests of the machine checks.
korvo_test(machine_checks_test
  SOURCES OsCheckTest.cpp DiskSpaceCheckTest.cpp VideoCheckTest.cpp UserAdminTest.cpp
  LIBS korvo_checks korvo_platform_fakes)

# The real Windows queries, under Wine.
korvo_test(machine_win32_test
  SOURCES Win32MachineTest.cpp
  LIBS korvo_checks
  WINDOWS_ONLY)
