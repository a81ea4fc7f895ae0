# fresh: the README's commands on machines with nothing on them. A clean Debian 12 root (cached as
# a tarball in the build folder) gets a clean clone of the commit under test and runs the first
# command, alone so that its time means something, and before any other test (CMakeLists.txt makes
# the others wait for it), so that the parts that need its root (mostly waiting on apt) run beside
# other tests instead of alone at the end; the package and the tarball are then installed into
# roots of their own, and the first root runs the second command's set-up. A run where the archive
# cannot be reached is skipped, saying so.
set(QM_FRESH_WORK ${CMAKE_BINARY_DIR}/fresh)
add_test(NAME fresh.first-command COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fresh/first-command.sh ${QM_FRESH_WORK}
  ${CMAKE_SOURCE_DIR})
set_tests_properties(fresh.first-command PROPERTIES RUN_SERIAL ON TIMEOUT 1200 FIXTURES_SETUP fresh-first)
add_test(NAME fresh.package COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fresh/package.sh ${QM_FRESH_WORK})
add_test(NAME fresh.tarball COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fresh/tarball.sh ${QM_FRESH_WORK})
add_test(NAME fresh.second-setup COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fresh/second-setup.sh ${QM_FRESH_WORK}
  ${CMAKE_BINARY_DIR})
set_tests_properties(fresh.package fresh.tarball fresh.second-setup PROPERTIES FIXTURES_REQUIRED fresh-first
  TIMEOUT 900)
# The roots share one download cache: one apt at a time.
set_tests_properties(fresh.first-command fresh.package fresh.tarball fresh.second-setup PROPERTIES LABELS fresh
  RESOURCE_LOCK fresh-archive SKIP_RETURN_CODE 77)
