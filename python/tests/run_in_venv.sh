#!/bin/sh
# Installs the package as a user does, into a venv of Debian's interpreter,
# and runs its tests with that venv's interpreter.
#   run_in_venv.sh SOURCE_DIR WORK_DIR [pytest arguments]
# Exit 77 (skipped) only when python3-venv or numpy is not installed.
set -eu
src=$1
work=$2
shift 2
py=${READDATA14_PYTHON:-/usr/bin/python3}
venv=$work/venv

if ! "$py" -c "import numpy" 2>/dev/null; then
  echo "numpy is not installed for $py (Debian: python3-numpy): skipped"
  exit 77
fi
if [ ! -x "$venv/bin/python" ]; then
  if ! "$py" -m venv --system-site-packages "$venv"; then
    if command -v dpkg-query >/dev/null && ! dpkg-query -W -f='${Status}' python3-venv 2>/dev/null | grep -q "ok installed"; then
      echo "python3-venv is not installed: skipped"
      exit 77
    fi
    exit 1
  fi
fi

"$venv/bin/python" -m pip install --no-build-isolation --no-index --quiet --disable-pip-version-check "$src/python"

# Away from the source folder, so that the installed package is imported.
cd "$work"
rm -rf "$work/pytest-tmp"
READDATA14_SOURCE_DIR=$src exec "$venv/bin/python" -m pytest -p no:cacheprovider --basetemp "$work/pytest-tmp" \
  -q "$src/python/tests" "$@"
