# release: the packages as users get them, and the same bytes twice.
set(QM_RELEASE_WORK ${CMAKE_BINARY_DIR}/release)
set(QM_DEB ${QM_PACKAGES_DIR}/quellmarv3_${PROJECT_VERSION}_amd64.deb)
add_test(NAME release.deb COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check-deb.sh ${QM_DEB} ${QM_DIST_DIR}
  ${PROJECT_VERSION} $<TARGET_FILE:quellmar_linux_module_tests> ${QM_RELEASE_WORK}/deb
  $<TARGET_FILE:quellmar_lv2_module_tests>)
set_tests_properties(release.deb PROPERTIES RESOURCE_LOCK keybus ENVIRONMENT "QM_HOST_PATH=$<TARGET_FILE:quellmar_host>")
add_test(NAME release.installer COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check-installer.sh
  ${QM_PACKAGES_DIR}/QuellmarV3-${PROJECT_VERSION}-windows-setup.exe ${QM_DIST_DIR} ${PROJECT_VERSION}
  ${QM_RELEASE_WORK}/installer)
add_test(NAME release.archives COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check-archives.sh ${QM_PACKAGES_DIR}
  ${QM_DIST_DIR} ${PROJECT_VERSION} ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set(QM_REPRODUCIBLE_ARGS ${CMAKE_SOURCE_DIR} ${QM_DIST_DIR} ${PROJECT_VERSION} ${QM_SOURCE_DATE_EPOCH} ${QM_DUCK_MANUAL})
add_test(NAME release.reproducible.packages COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check-reproducible.sh
  ${QM_REPRODUCIBLE_ARGS} ${QM_RELEASE_WORK}/packages-again)
# Compares with the fresh tier's clean-root build of the same commit; without one, builds what ships
# once more: both cores for a few minutes, so it runs alone.
add_test(NAME release.reproducible.build COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check-reproducible.sh
  --rebuild ${CMAKE_BINARY_DIR}/fresh/shipped ${QM_REPRODUCIBLE_ARGS} ${QM_RELEASE_WORK}/build-again)
set_tests_properties(release.reproducible.build PROPERTIES RUN_SERIAL ON TIMEOUT 1800 FIXTURES_REQUIRED fresh-first)
set_tests_properties(release.deb release.installer release.archives release.reproducible.packages
  release.reproducible.build PROPERTIES LABELS release)
