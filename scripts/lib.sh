# Shared set-up for scripts/test, scripts/demo and scripts/bench: packages,
# the build flavours, the Wine prefix and a virtual display. Sourced, not run.
#
# Two flavours come from the same sources: i686 (the product, PE32) and x86_64
# (PE32+). Cross-compiling needs nothing of the host, but running the i686
# build under Wine needs a kernel that runs 32-bit Linux programs, which some
# hosts switch off; the scripts find out by running one.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
# Code page 932: Wine takes the ANSI code page from the Unix locale.
export LC_ALL=ja_JP.UTF-8
# No Mono or Gecko install dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

PACKAGES="twm wine wine64 xvfb mingw-w64 cmake googletest locales fonts-ipafont-gothic xfonts-base imagemagick python3-xlib x11-utils file"
PACKAGES_I386="wine32:i386"

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The smallest static 32-bit x86 Linux program: exit(32) through int 0x80.
# Running it tells whether this kernel runs 32-bit programs at all (a kernel
# booted with ia32_emulation off answers "Exec format error").
HOST_RUNS_32BIT=""
host_runs_32bit() {
  if [ -z "$HOST_RUNS_32BIT" ]; then
    local probe rc=0
    probe=$(mktemp)
    printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x20\x31\xc0\x40\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || rc=$?
    rm -f "$probe"
    if [ "$rc" -eq 32 ]; then HOST_RUNS_32BIT=yes; else HOST_RUNS_32BIT=no; fi
  fi
  [ "$HOST_RUNS_32BIT" = yes ]
}

NO32_LINE="this host cannot run 32-bit programs: testing the 64-bit build only"

# The flavours this run uses: QUILLBAY_ARCH picks one by hand; otherwise every
# flavour the host can run, the product first.
flavours() {
  case "${QUILLBAY_ARCH:-}" in
    i686)
      host_runs_32bit || { log "QUILLBAY_ARCH=i686, but this host cannot run 32-bit programs"; return 1; }
      echo i686 ;;
    x86_64) echo x86_64 ;;
    "") if host_runs_32bit; then echo "i686 x86_64"; else echo x86_64; fi ;;
    *) log "QUILLBAY_ARCH must be i686 or x86_64, not '$QUILLBAY_ARCH'"; return 1 ;;
  esac
}

# The flavour a single-run script (demo, bench) uses.
main_flavour() { local f; f=$(flavours); echo "${f%% *}"; }

install_packages() {
  local want=$PACKAGES missing=()
  # wine32 only where it can run: elsewhere it would only shadow the 64-bit
  # loader behind Debian's wine wrapper.
  if [[ " $(flavours) " == *" i686 "* ]]; then want="$want $PACKAGES_I386"; fi
  for p in $want; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    log "generating the ja_JP.UTF-8 locale"
    as_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  fi
}

# Points the build folder, the prefix and the Wine programs at one flavour.
# Each flavour has its own prefix: a win32 prefix cannot run PE32+ programs.
use_flavour() {
  ARCH=$1
  BUILD=${QUILLBAY_BUILD:-$ROOT/build}/$ARCH
  export WINEPREFIX=$BUILD/wineprefix
  # Debian's wine wrapper prefers the 32-bit loader whenever it is installed,
  # even where it cannot run: name the loader.
  if [ "$ARCH" = i686 ]; then
    export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
  else
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  fi
  export WINESERVER=/usr/lib/wine/wineserver64
  [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver32
  WINE=$WINELOADER
}

configure_and_build() {
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$BUILD" -j"$(nproc)" "$@"
}

# Processes this script started; stop_all ends them whatever state the run
# is in, and a run that was killed leaves their ids for the next one.
XVFB_PID=""
start_display() {
  if [ -n "${QUILLBAY_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    log "using the display $DISPLAY"
    return
  fi
  mkdir -p "$BUILD"
  stop_stale
  # Xvfb picks a free display itself and tells its number: two runs that
  # looked for a free number at the same moment would share one display, and
  # the first to finish would take it from the other.
  local numberFile="$BUILD/display.number" n=""
  : >"$numberFile"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
  XVFB_PID=$!
  echo "$XVFB_PID" >"$BUILD/xvfb.pid"
  for _ in $(seq 100); do
    n=$(tr -dc 0-9 <"$numberFile")
    [ -n "$n" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$n" ] || { log "Xvfb did not start"; return 1; }
  export DISPLAY=":$n"
  echo "$DISPLAY" >"$BUILD/display"
}

# An earlier run that was killed may have left its display and its prefix's
# wineserver behind; a wineserver bound to an old display puts the new run's
# windows where nobody looks.
stop_stale() {
  "$WINESERVER" -k 2>/dev/null || true
  if [ -f "$BUILD/xvfb.pid" ]; then
    local pid; pid=$(cat "$BUILD/xvfb.pid")
    if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then kill "$pid" 2>/dev/null || true; fi
    rm -f "$BUILD/xvfb.pid"
  fi
}

# One wineserver for the whole run: every Wine start after the first is cheap.
start_wine() {
  mkdir -p "$BUILD"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the $WINEARCH Wine prefix (first time only)"
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
    "$WINESERVER" -w || true
  fi
  # Answers 2 when a server for this prefix is already up, which is as good.
  "$WINESERVER" -p || true
  # Every run: a prefix made before a new executable name was added to the
  # registry file still gets its Windows version.
  "$WINE" reg import "$ROOT/cmake/prefix.reg" >/dev/null 2>&1 </dev/null || true
  # Start Wine's own services now, outside CTest's pipes.
  "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# Must not fail half-way: it runs from EXIT traps under set -e.
stop_all() {
  set +e
  [ -n "${WINESERVER:-}" ] && "$WINESERVER" -k 2>/dev/null
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    rm -f "$BUILD/xvfb.pid"
  fi
  XVFB_PID=""
  return 0
}

# Whoever only sources this file (the mutation sampler among them) gets the
# main flavour ready; MUTATE_BUILD names a build folder of either flavour.
if [ -n "${MUTATE_BUILD:-}" ]; then
  case "$(grep -s '^CMAKE_TOOLCHAIN_FILE' "$MUTATE_BUILD/CMakeCache.txt")$(basename "$MUTATE_BUILD")" in
    *x86_64*) use_flavour x86_64 ;;
    *i686*) use_flavour i686 ;;
    *) use_flavour "$(main_flavour)" ;;
  esac
  BUILD=$MUTATE_BUILD
  export WINEPREFIX=$BUILD/wineprefix
else
  use_flavour "$(main_flavour)"
fi
