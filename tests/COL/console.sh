#!/bin/sh
# The standard streams on a console. On a pseudo-terminal (script), a test program's child
# role writes text of its code page through COLstandardOutput and COLstandardError, and
# Skelwin names a directory; the terminal must get the characters themselves, in its own
# UTF-8. Under Wine the terminal is a Windows console, which keeps a code page of its own.
#   console.sh <COLtests> <Skelwin> <role's text> <directory>
# The texts are in UTF-8; a program whose name ends in .exe runs under Wine.
set -u
tests=$1 skelwin=$2 text=$3 directory=$4

if command -v wine64 >/dev/null 2>&1; then wine=wine64
elif [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64
else wine=wine; fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Natively, Skelwin's registry and lock live in a store of this run's own.
store=$(mktemp -d) || exit 1
trap 'rm -rf "$store"' EXIT
export PLAT_REGISTRY_DIR="$store"

failed=0
# on_terminal <expected text> <program> <arguments>...: runs the program on a terminal of
# its own and looks for the text in what the terminal got, the console's cursor moves
# taken out.
on_terminal() {
  expected=$1; shift
  case $1 in *.exe) set -- "$wine" "$@" ;; esac
  command=""
  for word in "$@"; do command="$command '$(printf '%s' "$word" | sed "s/'/'\\\\''/g")'"; done
  got=$(timeout 120 script -qec "exec $command </dev/null" /dev/null | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g')
  if printf '%s' "$got" | grep -qF -- "$expected"; then
    printf 'ok: %s\n' "$expected"
  else
    printf 'FAILED: %s is not among what the terminal got:\n' "$expected"
    printf '%s\n' "$got"
    failed=1
  fi
}

on_terminal "out:$text" "$tests" --test-child-role=WritesTextOfItsCodePage
on_terminal "err:$text" "$tests" --test-child-role=WritesTextOfItsCodePage
# Both scopes at once: Skelwin shows the directory, then refuses, and changes nothing.
on_terminal "$directory" "$skelwin" --user --system --path "$directory"
exit $failed
