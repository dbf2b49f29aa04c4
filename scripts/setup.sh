# Sourced by the scripts: installs from Debian's packages what a fresh machine lacks.

# col_install <package>...: apt-get install, as root or through sudo.
col_install() {
  if [ "$(id -u)" = 0 ]; then sudo=""
  elif command -v sudo >/dev/null 2>&1; then sudo="sudo"
  else echo "missing $*: install them, or run the tests with --linux-only" >&2; return 1
  fi
  if [ -z "${COL_APT_UPDATED:-}" ]; then
    $sudo apt-get update && COL_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "$@"
}

# col_need <command> <package>...: installs the packages when the command is missing.
col_need() {
  command -v "$1" >/dev/null 2>&1 && return 0
  shift
  col_install "$@"
}

# col_need_file <file> <package>...: installs the packages when the file is missing (for
# libraries, which bring no command).
col_need_file() {
  [ -e "$1" ] && return 0
  shift
  col_install "$@"
}

col_have_wine() { command -v wine64 >/dev/null 2>&1 || [ -x /usr/lib/wine/wine64 ]; }

col_jobs() { nproc 2>/dev/null || echo 4; }
