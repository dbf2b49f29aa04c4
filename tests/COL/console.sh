#!/bin/sh
# The standard streams on a console. On a pseudo-terminal (script), a test program's child
# role writes text of its code page through COLstandardOutput and COLstandardError, and
# Skelwin names a directory; the terminal must get the characters themselves, in its own
# UTF-8. Then two threads write to one sink at once, and every byte must arrive once. Under Wine the terminal is a Windows console, which keeps a code page of its own.
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
# terminal_of <program> <arguments>...: runs the program on a terminal of its own and sets
# got to what the terminal got, the console's cursor moves taken out.
terminal_of() {
  case $1 in *.exe) set -- "$wine" "$@" ;; esac
  command=""
  for word in "$@"; do command="$command '$(printf '%s' "$word" | sed "s/'/'\\\\''/g")'"; done
  got=$(timeout 120 script -qec "exec $command </dev/null" /dev/null | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g')
}

# on_terminal <expected text> <program> <arguments>...: looks for the text in what the
# terminal got from the program.
on_terminal() {
  expected=$1; shift
  terminal_of "$@"
  if printf '%s' "$got" | grep -qF -- "$expected"; then
    printf 'ok: %s\n' "$expected"
  else
    printf 'FAILED: %s is not among what the terminal got:\n' "$expected"
    printf '%s\n' "$got"
    failed=1
  fi
}

# shared_on_terminal <rounds>: two threads share the test program's standard output (role
# SharesTheSinkBetweenThreads). Each round of the first thread shows as the whole
# character or, when a "b" of the other came between its two bytes, as the first byte
# shown with that "b" and the second byte shown alone; every other "b" shows as itself.
# The role names those pieces as the console shows them after the race; what the race
# left must be made of them alone, in those numbers.
shared_on_terminal() {
  terminal_of "$tests" --test-child-role=SharesTheSinkBetweenThreads "$1"
  if printf '%s' "$got" | grep -q 'has no character of two bytes'; then
    printf 'skipped: two threads on one sink, as the code page has no character of two bytes\n'
  elif printf '%s' "$got" | tr -d '\r\n' | LC_ALL=C awk -v rounds="$1" '
    # Takes every occurrence of piece out of text and says how many there were.
    function takeOut(piece,    at, rest, count) {
      rest = text; text = ""; count = 0
      while ((at = index(rest, piece)) > 0) {
        text = text substr(rest, 1, at - 1); rest = substr(rest, at + length(piece)); ++count
      }
      text = text rest
      return count
    }
    { all = all $0 }
    END {
      start = index(all, "race:"); end = index(all, ":end"); at = index(all, "pieces:")
      if (start == 0 || end < start || at < end) { print "no race or no pieces"; exit 1 }
      split(substr(all, at + 7), piece, "|")
      text = substr(all, start + 5, end - start - 5)
      # The first byte shows either on its own, and then the "b" (UTF-8), or with the "b"
      # as one character (a double-byte code page); on its own it may look as the second.
      first = piece[2]; withB = 1
      if (substr(first, length(first)) == "b") { first = substr(first, 1, length(first) - 1); withB = 0 }
      whole = takeOut(piece[1])
      if (first == piece[3]) { alone = takeOut(first); split_ = int(alone / 2); second = alone - split_ }
      else { split_ = takeOut(first); second = takeOut(piece[3]) }
      b = takeOut("b")
      printf "%d whole, %d split, %d second bytes alone, %d b of %d rounds", whole, split_, second, b, rounds
      if (text != "") printf "; left: %s", text
      print ""
      exit !(text == "" && split_ == second && whole + split_ == rounds && b + withB * split_ == rounds)
    }'; then
    printf 'ok: every byte of two threads once\n'
  else
    printf 'FAILED: two threads on one sink lost or repeated bytes\n'
    failed=1
  fi
}

on_terminal "out:$text" "$tests" --test-child-role=WritesTextOfItsCodePage
on_terminal "err:$text" "$tests" --test-child-role=WritesTextOfItsCodePage
# Both scopes at once: Skelwin shows the directory, then refuses, and changes nothing.
on_terminal "$directory" "$skelwin" --user --system --path "$directory"
shared_on_terminal 20000
exit $failed
