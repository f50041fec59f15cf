#!/usr/bin/env bash
# Drives the kwave completion as bash would, with the built kwave on PATH and
# a program directory in a temporary home.
set -u
completion=$1
bin_dir=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home PATH=$bin_dir:$PATH
source "$completion"

complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _kwave 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}"
}
expect() {
  local what=$1 wanted=$2
  shift 2
  complete_line "$@" | grep -qxF -- "$wanted" || {
    echo "FAIL: $what: \"$wanted\" not offered for: $*" >&2
    complete_line "$@" >&2
    exit 1
  }
}

expect "commands" play kwave pl
expect "commands after --dir" export-playlist kwave --dir "$home/x" export-p
expect "channel names" "CCTV-1综合" kwave play CCTV-1
expect "names with spaces kept whole" "CNR-1 中国之声" kwave details "CNR-1"
expect "on/off" off kwave favorite "CCTV-1综合" o
expect "options keys" autostart kwave options set auto
echo "completion checked"
