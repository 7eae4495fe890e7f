#!/usr/bin/env bash
# Shell completion for travelkin-search offers exactly the long options its --help lists,
# completes a prefix to the one option it starts, and completes file names (blanks and all)
# after --save and --compare. Completion is asked of bash as a user's shell asks it.
set -euo pipefail
search=$(realpath "$1") completion=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

complete_line() {  # words of the command line; the last is being completed
  (cd "$work" && bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _travelkin_search; printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$completion" travelkin-search "$@")
}

from_help=$("$search" --help | grep -o -- '--[a-z][a-z-]*' | sort -u | tr '\n' ' ')
offered=$(complete_line -- | tr '\n' ' ')
[ "$offered" = "$from_help" ] || fail "'--' offers '$offered'; --help lists '$from_help'"
[ "$(complete_line --in)" = --interval ] || fail "'--in' completes to '$(complete_line --in)'"
touch "$work/saved list.json" "$work/other.txt"
[ "$(complete_line --save saved)" = "saved list.json" ] || fail "--save: '$(complete_line --save saved)'"
[ -z "$(complete_line --seconds '')" ] || fail "a number was completed: $(complete_line --seconds '')"
echo PASS
