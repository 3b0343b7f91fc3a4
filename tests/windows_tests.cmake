# The Windows suite, run under Wine: the whole core suite once in each of two locales (code page 932
# and another), and kmd driven from the outside, alone and against the native kmd.
set(QUARVEL_NATIVE_KMD "" CACHE FILEPATH "The native kmd, for the exchange of diff files with it")
set(QUARVEL_NATIVE_SAMPLE "" CACHE FILEPATH "The native quarvel-sample")
# The environment tests write the settings file into the Windows directory, which both locales' runs
# share in the one Wine prefix: they run apart from the rest, one locale at a time.
# The import's enumerations of every fault, kill and edit point use ASCII names only and take most of
# the suite's time under Wine: the second locale leaves them to the first.
add_test(NAME win.core COMMAND quarvel_tests --gtest_filter=-EnvTest.*)
add_test(NAME win.core.ja COMMAND quarvel_tests --gtest_filter=-EnvTest.*:ImportFaultsTest.*:ImportKillTest.*:ImportLiveTest.*)
add_test(NAME win.env COMMAND quarvel_tests --gtest_filter=EnvTest.*)
add_test(NAME win.env.ja COMMAND quarvel_tests --gtest_filter=EnvTest.*)
set_tests_properties(win.core win.env PROPERTIES ENVIRONMENT "LANG=C.UTF-8" TIMEOUT 1200)
set_tests_properties(win.core.ja win.env.ja PROPERTIES ENVIRONMENT "LANG=ja_JP.UTF-8" TIMEOUT 600)
set_tests_properties(win.env win.env.ja PROPERTIES RESOURCE_LOCK windows-directory)
add_test(NAME win.kmd.roundtrip COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/kmd_windows_test.sh
         $<TARGET_FILE:kmd> $<TARGET_FILE:quarvel-sample> "${QUARVEL_NATIVE_KMD}" "${QUARVEL_NATIVE_SAMPLE}" roundtrip)
if(QUARVEL_NATIVE_KMD AND QUARVEL_NATIVE_SAMPLE)
  foreach(case native-to-windows windows-to-native)
    add_test(NAME win.kmd.${case} COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/kmd_windows_test.sh
             $<TARGET_FILE:kmd> $<TARGET_FILE:quarvel-sample> "${QUARVEL_NATIVE_KMD}" "${QUARVEL_NATIVE_SAMPLE}" ${case})
  endforeach()
endif()
set_tests_properties(win.kmd.roundtrip PROPERTIES ENVIRONMENT "LANG=C.UTF-8" TIMEOUT 300)

# The Win32 views in-process and quarvel.exe itself, under a virtual display (run by ./test after the
# suite above, in a display and a Wine server of their own).
add_executable(quarvel_win32_gui_tests gui/win32/win32_gui_test.cc)
target_link_libraries(quarvel_win32_gui_tests PRIVATE quarvel_win32 quarvel_test_support GTest::gtest)
target_include_directories(quarvel_win32_gui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(quarvel_win32_gui_tests quarvel)

# Opens a diff as Explorer does, through the registered command, and reads the import dialog from
# outside: for the setup's test (tests/windows_installer_test.sh, run by ./test).
add_executable(shell_open_probe win32/shell_open_probe.cc)
target_compile_definitions(shell_open_probe PRIVATE UNICODE _UNICODE)
target_link_options(shell_open_probe PRIVATE -municode)
target_link_libraries(shell_open_probe PRIVATE user32 shell32 advapi32)
