# Root for the steps that need it, sourced by the set-up scripts. Already root: the step runs
# as it is (a fresh container has no sudo). Otherwise sudo or, on a desktop without it, pkexec
# asks for the right; with neither, the script stops and says what to do.

root_helper() {  # prints the program that raises to root, or nothing when there is none
  local helper
  for helper in sudo pkexec; do
    if command -v "$helper" >/dev/null 2>&1; then
      echo "$helper"
      return
    fi
  done
}

no_root_helper() {  # what needs root
  echo "$(basename "$0"): $1 needs root, and neither sudo nor pkexec is installed." >&2
  echo "Run it again as root." >&2
}

as_root() {  # command [arguments...]
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
    return
  fi
  local helper
  helper=$(root_helper)
  [ -n "$helper" ] || { no_root_helper "'$*'"; return 1; }
  "$helper" "$@"
}

# Replaces the calling script by itself run as root, when it is not root yet. The script's
# path must be absolute (pkexec starts in another folder); `env NAME=value` may come first to
# carry settings over the helper's clean environment.
reexec_as_root() {  # what-for command [arguments...]
  [ "$(id -u)" -ne 0 ] || return 0
  local what=$1 helper
  shift
  helper=$(root_helper)
  [ -n "$helper" ] || { no_root_helper "$what"; exit 1; }
  echo "$what needs root: asking with $helper." >&2
  exec "$helper" "$@"
}
