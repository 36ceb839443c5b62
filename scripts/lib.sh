# Shared set-up for scripts/test and scripts/demo: packages, toolchain build,
# the Wine prefix and a virtual display. Sourced, not run.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${QUILLBAY_BUILD:-$ROOT/build}
export WINEPREFIX=$BUILD/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
# Code page 932: Wine takes the ANSI code page from the Unix locale.
export LC_ALL=ja_JP.UTF-8
# No Mono or Gecko install dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

PACKAGES_I386="wine32:i386"
PACKAGES="twm wine xvfb mingw-w64 cmake googletest locales fonts-ipafont-gothic imagemagick python3-xlib x11-utils"

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }

install_packages() {
  local missing=()
  for p in $PACKAGES $PACKAGES_I386; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    local sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    log "generating the ja_JP.UTF-8 locale"
    local sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  fi
}

configure_and_build() {
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$BUILD" -j"$(nproc)" "$@"
}

XVFB_PID=""
start_display() {
  if [ -n "${QUILLBAY_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    log "using the display $DISPLAY"
    return
  fi
  local n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  echo "$DISPLAY" > "$BUILD/display"
}

# One wineserver for the whole run: every Wine start after the first is cheap.
start_wine() {
  mkdir -p "$BUILD"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix (first time only)"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Answers 2 when a server for this prefix is already up, which is as good.
  wineserver -p || true
  # Every run: a prefix made before a new executable name was added to the
  # registry file still gets its Windows version.
  wine reg import "$ROOT/cmake/prefix.reg" >/dev/null 2>&1 </dev/null || true
  # Start Wine's own services now, outside CTest's pipes.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_all() {
  wineserver -k 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
}
