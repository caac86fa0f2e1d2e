# Sourced by the scripts that run Windows programs under Wine (wine-velko, wine-program,
# run-runtime-tests, run-module-tests): a private Wine prefix for each run, copied from a template
# prefix made once under the Windows build folder, with the pty helper preloaded (pty-ioctl/), so
# that Wine holds pseudo-terminals exclusively as Windows holds COM ports.
#
# VELKO_WIN_BUILD: the Windows build folder (a relative path is taken from the repository's
# root). It holds bin/ (velko.exe, velko_fox.ocx, the test programs), and gets pty-ioctl/,
# wineprefix-template/ and wine-runs/.
# VELKO_WIN_ARCH: i686 or x86_64, the architecture of the build's programs. Either variable names
# the other: the architecture is read from the programs in the build folder, and the folder is
# build-win32 or build-win64 for the architecture (build-win32 when neither is given).
#
# VELKO_WIN_WINDOWS: the Windows a prefix stands for, win64 (the default: 64-bit Windows, which
# runs programs of both architectures) or win32 (32-bit Windows, one registry view, for a build of
# i686 programs). Each has its own template; a script may start prefixes of both, setting the
# variable for the calls of wine_env_prepare and wine_env_start (or wine_env_new_prefix).
#
# wine_env_prepare sets VELKO_WINE, the Wine loader of that architecture: Wine's own programs
# (regsvr32, reg, cscript) started through it are of the same architecture as the build's, and
# use the same registry view.

VELKO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

wine_env_fail() {
  echo "${0##*/}: $*" >&2
  exit 2
}

# The default build folder of an architecture.
wine_env_build_folder() {
  case $1 in
    i686) echo build-win32 ;;
    x86_64) echo build-win64 ;;
    *) wine_env_fail "VELKO_WIN_ARCH is i686 or x86_64, not '$1'" ;;
  esac
}

VELKO_WIN_BUILD=${VELKO_WIN_BUILD:-$(wine_env_build_folder "${VELKO_WIN_ARCH:-i686}")}
[[ $VELKO_WIN_BUILD == /* ]] || VELKO_WIN_BUILD=$VELKO_ROOT/$VELKO_WIN_BUILD

# The architecture of a Windows program: the machine field of its PE header.
wine_env_program_architecture() {
  local header machine
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')
  case $machine in
    014c) echo i686 ;;
    8664) echo x86_64 ;;
    *) wine_env_fail "$1 is no i686 or x86_64 Windows program" ;;
  esac
}

# The Wine loader that starts programs of an architecture.
wine_env_loader() {
  case $1 in
    i686) echo wine ;;
    x86_64) echo /usr/lib/wine/wine64 ;;
  esac
}

# The template prefix of the Windows VELKO_WIN_WINDOWS names (wine_env_prepare checks the name).
wine_env_template() {
  case ${VELKO_WIN_WINDOWS:-win64} in
    win64) echo "$VELKO_WIN_BUILD/wineprefix-template" ;;
    win32) echo "$VELKO_WIN_BUILD/wineprefix-template-win32" ;;
  esac
}

# The helper library and the template prefix, made under a lock so that parallel runs wait for
# the first one. The template is made again when Wine's version changes.
wine_env_prepare() {
  [[ -d $VELKO_WIN_BUILD/bin ]] || wine_env_fail "no Windows build at $VELKO_WIN_BUILD"
  local programs=("$VELKO_WIN_BUILD"/bin/*.exe)
  [[ -f ${programs[0]} ]] || wine_env_fail "no program in $VELKO_WIN_BUILD/bin"
  local built
  built=$(wine_env_program_architecture "${programs[0]}")
  [[ ${VELKO_WIN_ARCH:-$built} == "$built" ]] ||
    wine_env_fail "$VELKO_WIN_BUILD holds $built programs, not $VELKO_WIN_ARCH"
  local windows=${VELKO_WIN_WINDOWS:-win64}
  case $windows in
    win64) ;;
    win32) [[ $built == i686 ]] ||
      wine_env_fail "32-bit Windows runs no $built programs ($VELKO_WIN_BUILD)" ;;
    *) wine_env_fail "VELKO_WIN_WINDOWS is win64 or win32, not '$windows'" ;;
  esac
  VELKO_WIN_ARCH=$built
  VELKO_WINE=$(wine_env_loader "$built")
  mkdir -p "$VELKO_WIN_BUILD/wine-runs"
  local template
  template=$(wine_env_template)
  local version
  version=$(wine --version)
  (
    flock 9
    make -s -C "$VELKO_ROOT/tests/win/pty-ioctl" OUT="$VELKO_WIN_BUILD/pty-ioctl" >&2 ||
      wine_env_fail "the pty ioctl helper does not build"
    if [[ $(cat "$template/velko-wine-version" 2>/dev/null) != "$version" ]]; then
      local fresh=$template.new
      rm -rf "$fresh" "$template"
      # No Mono or Gecko: nothing is installed or fetched while the prefix is made.
      WINEARCH=$windows WINEPREFIX=$fresh WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' \
        DISPLAY= wineboot -i >/dev/null 2>&1 || wine_env_fail "wineboot could not make a prefix"
      WINEPREFIX=$fresh wineserver -w
      echo "$version" >"$fresh/velko-wine-version"
      mv "$fresh" "$template"
    fi
  ) 9>"$VELKO_WIN_BUILD/wine-setup.lock"
}

# A new prefix for this run (of the Windows VELKO_WIN_WINDOWS names), its own wineserver, and the
# environment of every Wine process of the run. The copy links the template's files (fast) except
# the registry, which Wine rewrites in place when a file has more than one link.
# wine_env_new_prefix and wine_env_start_server are its two halves, for a caller that changes the
# registry before the server reads it.
wine_env_start() {
  wine_env_new_prefix
  wine_env_start_server
}

wine_env_new_prefix() {
  WINE_RUN=$(mktemp -d "$VELKO_WIN_BUILD/wine-runs/run.XXXXXX")
  wine_env_reap_after_exit
  local template
  template=$(wine_env_template)
  cp -al "$template" "$WINE_RUN/prefix"
  local registry
  for registry in "$template"/*.reg; do
    cp --remove-destination "$registry" "$WINE_RUN/prefix/${registry##*/}"
  done
  export WINEPREFIX=$WINE_RUN/prefix
  export WINEDEBUG=-all
  # No Mono or Gecko, and a crash ends the program at once instead of starting the debugger.
  export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
  export LD_PRELOAD="$VELKO_WIN_BUILD/pty-ioctl/\$LIB/libvelko_pty_ioctl.so${LD_PRELOAD:+ $LD_PRELOAD}"
  unset DISPLAY
}

# The server's own output (it dumps its objects when a pseudo-terminal it holds hangs up) goes
# to the run's log, never to the program's output.
wine_env_start_server() {
  wineserver -p 2>>"$WINE_RUN/wineserver.log" </dev/null >&2
}

# Once this script has ended, however it ended (a test may kill it outright), a process of its
# own ends the run's Wine processes and removes the run's folder.
wine_env_reap_after_exit() {
  WINEPREFIX=$WINE_RUN/prefix setsid -f python3 -c '
import os, select, shutil, subprocess, sys
script, run = int(sys.argv[1]), sys.argv[2]
try:
    select.select([os.pidfd_open(script)], [], [])
except ProcessLookupError:
    pass
subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
shutil.rmtree(run, ignore_errors=True)
' "$$" "$WINE_RUN" </dev/null >/dev/null 2>&1
}

# Port N is the device at PATH, also where Wine has found a serial device of its own for N (it
# takes /dev/ttyS0 as COM1): the registry's port table, written before the server starts. A
# path with a quote, a backslash or a line end is refused.
wine_env_register_port() {
  [[ $2 != *[\"\\$'\n']* ]] || wine_env_fail "a device path Wine's registry cannot hold: $2"
  sed -i "/^\[Software\\\\\\\\Wine\\\\\\\\Ports\]/,/^\$/{/^\$/i \"COM$1\"=\"$2\"
}" "$WINEPREFIX/system.reg"
}

# Each --device N=PATH among the arguments (or --device=N=PATH) becomes port N; a text of
# another shape is left for the program to report.
wine_env_register_devices() {
  local arguments=("$@") device i
  for ((i = 0; i < ${#arguments[@]}; ++i)); do
    case ${arguments[i]} in
      --device) device=${arguments[i + 1]:-} ;;
      --device=*) device=${arguments[i]#--device=} ;;
      *) continue ;;
    esac
    if [[ $device =~ ^([0-9]+)=(.+)$ ]]; then
      wine_env_register_port "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
    fi
  done
}

# A Linux path as Wine's drive Z: names it.
wine_env_windows_path() {
  local path=$1
  echo "Z:${path//\//\\}"
}
