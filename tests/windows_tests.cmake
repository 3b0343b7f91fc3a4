# The Windows suite, run under Wine: the whole core suite once in each of two locales (code page 932
# and another), and kmd driven from the outside, alone and against the native kmd.
set(QUARVEL_NATIVE_KMD "" CACHE FILEPATH "The native kmd, for the exchange of diff files with it")
set(QUARVEL_NATIVE_SAMPLE "" CACHE FILEPATH "The native quarvel-sample")
add_test(NAME win.core COMMAND quarvel_tests)
add_test(NAME win.core.ja COMMAND quarvel_tests)
set_tests_properties(win.core PROPERTIES ENVIRONMENT "LANG=C.UTF-8" TIMEOUT 600)
set_tests_properties(win.core.ja PROPERTIES ENVIRONMENT "LANG=ja_JP.UTF-8" TIMEOUT 600)
add_test(NAME win.kmd.roundtrip COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/kmd_windows_test.sh
         $<TARGET_FILE:kmd> $<TARGET_FILE:quarvel-sample> "${QUARVEL_NATIVE_KMD}" "${QUARVEL_NATIVE_SAMPLE}" roundtrip)
if(QUARVEL_NATIVE_KMD AND QUARVEL_NATIVE_SAMPLE)
  foreach(case native-to-windows windows-to-native)
    add_test(NAME win.kmd.${case} COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/kmd_windows_test.sh
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
