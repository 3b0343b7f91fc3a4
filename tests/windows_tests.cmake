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
