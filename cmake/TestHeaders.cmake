# GoogleTest's header costs about half of a test file's compile time. Every program that links the
# given GoogleTest target gets it precompiled once per program instead of parsed once per file.
function(qm_precompile_test_headers gtest_target)
  set_property(TARGET ${gtest_target} APPEND PROPERTY INTERFACE_PRECOMPILE_HEADERS
    "$<$<COMPILE_LANGUAGE:CXX>:<gtest/gtest.h>>")
endfunction()
