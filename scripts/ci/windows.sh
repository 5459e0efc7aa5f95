#!/usr/bin/env bash
# The Windows DLL, 64- and 32-bit: cross builds with MinGW-w64, a check of
# what each DLL exports and imports, and the test suite and the host
# comparison run under wine (dumps of the DLL's results against those of the
# Linux build, byte for byte).
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
step() { echo; echo "=== windows: $* ($((SECONDS - start)) s)"; }

# --- packages ----------------------------------------------------------------
step "packages"
bash scripts/install-deps.sh g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest \
  wine wine64 wine32:i386

# --- wine: a private prefix, one server for the whole run, no display -------
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine_home=$(mktemp -d)
export WINEPREFIX="$wine_home/prefix"
mkdir -p "$WINEPREFIX"  # the server starts only in an existing prefix
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$wine_home"
}
trap cleanup EXIT
step "wine prefix"
# Server and background services get no pipe of ours: a process holding one
# would keep the caller waiting after the run.
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1

# --- the Linux dump program the Windows dumps must equal --------------------
step "Linux reference build (dump_chart)"
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target dump_chart

# --- the two DLLs --------------------------------------------------------------
# Fails unless the DLL exports exactly the plain names of the .def file and
# imports from KERNEL32.dll and msvcrt.dll only.
expected_exports=$(sed -n '/^EXPORTS/,$p' readdata14/driver/readdata14.def | tail -n +2 |
                   sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\) *$/\1/p' | LC_ALL=C sort)
check_dll() {
  local objdump=$1 dll=$2 exports imports
  exports=$("$objdump" -p "$dll" |
            sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
  imports=$("$objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p' | sort -f | tr '\n' ' ')
  echo "exports: $(echo "$exports" | tr '\n' ' ')"
  echo "imports: $imports"
  if [ "$(echo "$exports" | LC_ALL=C sort)" != "$expected_exports" ]; then
    echo "FAIL: $dll must export exactly: $(echo $expected_exports)" >&2
    return 1
  fi
  if [ "$imports" != "KERNEL32.dll msvcrt.dll " ]; then
    echo "FAIL: $dll must depend on KERNEL32.dll and msvcrt.dll only" >&2
    return 1
  fi
}

for build in mingw64:x86_64-w64-mingw32 mingw32:i686-w64-mingw32; do
  preset=${build%%:*} triplet=${build#*:}
  step "$preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  step "$preset: exports and dependencies of readdata14.dll"
  check_dll "$triplet-objdump" "build/$preset/readdata14/readdata14.dll"
  step "$preset: tests under wine"
  ctest --preset "$preset" -j2
done

step "done: both DLLs built, exports and dependencies right, all tests passed under wine in $((SECONDS - start)) s"
