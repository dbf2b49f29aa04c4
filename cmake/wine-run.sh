#!/bin/sh
# Runs a Windows program under Wine, quietly, in the prefix that WINEPREFIX names (CTest
# gives each build tree its own). Wine starts helper processes (wineserver, services) that
# outlive the program and would inherit its standard streams, keeping the test runner
# waiting on them; so the program writes into files that are copied out once it ends.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if command -v wine64 >/dev/null 2>&1; then wine=wine64
elif [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64
else wine=wine; fi
out=$(mktemp) && err=$(mktemp) || exit 1
trap 'rm -f "$out" "$err"' EXIT
"$wine" "$@" >"$out" 2>"$err" </dev/null
rc=$?
cat "$out"
cat "$err" >&2
exit $rc
