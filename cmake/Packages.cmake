# What users download, in dist/packages/: made from the shipped binaries by
# packaging/make-packages.sh, again whenever a binary or a packaging file changes.
set(QM_PACKAGES_DIR ${QM_DIST_DIR}/packages)
# The page's zip where the page is built ("-": none).
set(QM_PACKAGED_WEB -)
set(QM_PACKAGED_WEB_FILES "")
if(TARGET web_page)
  set(QM_PACKAGED_WEB ${QM_DIST_DIR}/web)
  set(QM_PACKAGED_WEB_FILES ${QM_WEB_SERVICE_WORKER})
endif()
file(GLOB QM_PACKAGING_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/*/* ${CMAKE_SOURCE_DIR}/packaging/*)
add_custom_command(OUTPUT ${QM_PACKAGES_DIR}/SHA256SUMS
  COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/make-packages.sh ${QM_DIST_DIR} ${QM_PACKAGES_DIR}
    ${PROJECT_VERSION} ${QM_SOURCE_DATE_EPOCH} ${QM_DUCK_MANUAL} ${QM_PACKAGED_WEB}
  DEPENDS ${QM_PACKAGED_WEB_FILES} ${QM_DIST_DIR}/linux-x86_64/QuellmarV3.so ${QM_DIST_DIR}/linux-x86_64/quellmar-duck ${QM_LV2_TTL}
    ${QM_LV2_BUNDLE}/QuellmarV3_dsp.so ${QM_LV2_BUNDLE}/QuellmarV3_ui.so
    ${QM_DIST_DIR}/win32/QuellmarV3.dll ${QM_DIST_DIR}/win64/QuellmarV3.dll ${QM_DUCK_MANUAL}
    ${QM_PACKAGING_FILES} ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Making the packages in ${QM_PACKAGES_DIR}"
  VERBATIM)
add_custom_target(packages ALL DEPENDS ${QM_PACKAGES_DIR}/SHA256SUMS)
add_dependencies(packages QuellmarV3 lv2_bundle quellmar-duck win32 win64)
if(TARGET web_page)
  add_dependencies(packages web_page)
endif()
