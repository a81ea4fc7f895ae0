# Sourced by the scripts that run Windows programs: one quiet Wine prefix in the build folder
# (or at $QM_WINEPREFIX).
export WINEPREFIX="${QM_WINEPREFIX:-$PWD/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  # wineboot leaves a Wine server running whose desktop has no display: a window program
  # started next under Xvfb would join it and draw nothing. Wait for that server to end.
  wineserver -w
fi
