# The programs the test tiers run, each looked for when the tests are configured: a machine that
# lacks one fails here, naming it, instead of in the middle of a test run. tools/setup.sh installs
# them all.
set(QM_TEST_PROGRAMS
  # the build's own sub-builds and the Windows tiers
  clang clang++ i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump wine wineboot wineserver
  # displays, pictures and the editor's density
  Xvfb xrdb convert
  # sound made and measured
  sox soxi espeak-ng ffmpeg ffprobe
  # the packages
  makensis lintian dpkg-deb zip unzip file man readelf nm cmp debootstrap
  # LV2 hosts and checkers
  lv2_validate sord_validate sordi lv2info lv2ls lv2apply lv2bench jalv.gtk3 ardour7-lua
  jackd jack_wait jack_connect jack_simple_client pipewire pw-cat pw-link pw-cli)
foreach(program ${QM_TEST_PROGRAMS})
  string(MAKE_C_IDENTIFIER "QM_PROGRAM_${program}" variable)
  find_program(${variable} ${program})
  if(NOT ${variable})
    list(APPEND QM_MISSING_TEST_PROGRAMS ${program})
  endif()
endforeach()
if(QM_MISSING_TEST_PROGRAMS)
  message(FATAL_ERROR "The test tiers run programs that are not installed here: ${QM_MISSING_TEST_PROGRAMS}\n"
    "bash tools/setup.sh installs them (as root).")
endif()
