# What makes two builds of one commit, in any folder and on any day, give the same bytes: no build
# paths in the objects, the PE header's time stamp and the packages' times taken from the last
# commit's time (SOURCE_DATE_EPOCH), and the version in one generated header.

# The time every shipped file carries: SOURCE_DATE_EPOCH when the caller sets it, else the last
# commit's time, else a fixed day (a source tree outside git).
if(NOT DEFINED QM_SOURCE_DATE_EPOCH)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(QM_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
  else()
    execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
      OUTPUT_VARIABLE QM_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE gitStatus)
    if(NOT gitStatus EQUAL 0 OR NOT QM_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
      set(QM_SOURCE_DATE_EPOCH 1767225600)
    endif()
  endif()
endif()

# The linkers stamp PE headers with SOURCE_DATE_EPOCH when it is set.
foreach(lang C CXX)
  set(CMAKE_${lang}_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${QM_SOURCE_DATE_EPOCH})
endforeach()

# Source and build folders leave no trace in objects, debug data or __FILE__. The build folder is
# named last so that it wins where it lies inside the source folder.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=quellmarv3/
  -ffile-prefix-map=${CMAKE_BINARY_DIR}/=quellmarv3-build/)

set(QM_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/resources/ProductVersion.h.in ${QM_GENERATED_DIR}/ProductVersion.h @ONLY)
include_directories(${QM_GENERATED_DIR})
