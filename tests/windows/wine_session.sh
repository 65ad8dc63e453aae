# Sourced by scripts/windows-tests.sh: one Xvfb and one persistent wineserver for the whole
# Windows stage, with a Wine prefix of our own in the build folder.
#
#   wine_session_start BUILD_FOLDER   exports DISPLAY, WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES
#   wine_session_stop                 stops the server and Xvfb
#   wine_virtual_desktop on|off       Wine's virtual desktop (where display modes can change)
#
# The prefix is made once (about 15 s) with Mono and Gecko declined, so no installer waits for a
# click, and set up as a Windows machine would be for the demo: "Courier New" is a monospace face
# (Liberation Mono), and windows are not handed to a window manager (Xvfb has none; with one
# expected, every box that closes costs Wine a two-second wait). Audio drivers are off: each test
# that wants sound turns them on for its own run.

wine_quiet_overrides="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"

wine_session_start() {
  local build="$1" n
  WINE_SESSION_DISPLAY=""
  for n in $(seq 60 99); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then WINE_SESSION_DISPLAY=":$n"; break; fi
  done
  [ -n "$WINE_SESSION_DISPLAY" ] || { echo "no free X display number" >&2; return 1; }
  Xvfb "$WINE_SESSION_DISPLAY" -screen 0 1024x768x24 -nolisten tcp > "$build/xvfb.log" 2>&1 &
  WINE_SESSION_XVFB=$!
  export DISPLAY="$WINE_SESSION_DISPLAY"
  local tries
  for tries in $(seq 100); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
  export WINEPREFIX="$(realpath "$build")/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="$wine_quiet_overrides"
  if [ ! -f "$WINEPREFIX/.talvoren-ready" ]; then
    rm -rf "$WINEPREFIX"
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i > /dev/null 2>&1 || { echo "wineboot failed" >&2; return 1; }
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f > /dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.talvoren-ready"
  fi
  wineserver -p
  wine cmd /c exit 0 > /dev/null 2>&1 # starts the desktop process before the first timed run
}

wine_session_stop() {
  wineserver -k 2> /dev/null || true
  [ -z "${WINE_SESSION_XVFB:-}" ] || kill "$WINE_SESSION_XVFB" 2> /dev/null || true
}

# A display mode can only change inside Wine's virtual desktop (on plain Xvfb the screen's own
# mode is the only one). The desktop is chosen when the server starts, so the server restarts.
wine_virtual_desktop() {
  if [ "$1" = on ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f > /dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f > /dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f > /dev/null 2>&1 || true
  fi
  wineserver -k 2> /dev/null || true
  wineserver -w
  wineserver -p
  wine cmd /c exit 0 > /dev/null 2>&1
}
