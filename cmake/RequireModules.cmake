# qm_require_modules(PREFIX DEBIAN_PACKAGE MODULE...): the pkg-config modules as the imported
# target PkgConfig::PREFIX; when one is missing, configuring stops and names the Debian package
# that provides it, which tools/setup.sh installs.
macro(qm_require_modules prefix package)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET GLOBAL ${ARGN})
  if(NOT ${prefix}_FOUND)
    message(FATAL_ERROR "pkg-config finds no ${ARGN}: install the Debian package ${package} "
      "(tools/setup.sh installs what the build needs)")
  endif()
endmacro()
