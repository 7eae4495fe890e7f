#!/usr/bin/env bash
# The set-up scripts ask for root themselves, and only when they need it: as root they run
# their steps directly (a fresh container has no sudo); as another user they go through sudo
# or pkexec, whichever is installed, and stop with a clear message when neither is. The
# README gives the two commands without sudo. Fake sudo and pkexec record what they were
# asked to run, so nothing is really raised, built or installed.
set -euo pipefail
checkout=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
chmod 777 "$work"  # the unprivileged user writes what the fake helpers were asked
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The unprivileged user may not be able to read the checkout (one under a 0700 folder, run
# as root): the scripts run from a world-readable copy of what they read before they ask.
top="$work/checkout"
mkdir -p "$top/tools"
cp "$checkout"/tools/*.sh "$top/tools/"
cp "$checkout/README.md" "$top/"

# A PATH of its own: the few real programs the scripts use before they ask for root, plus
# the helpers a case wants.
bin_with() {  # folder helper...
  local dir=$1 tool
  shift
  mkdir -p "$dir"
  for tool in bash env id basename dirname cat nproc mktemp rm; do
    ln -sf "$(command -v "$tool")" "$dir/$tool"
  done
  for tool in "$@"; do
    printf '#!/bin/bash\necho "%s $*" >>"%s/asked"\n' "$tool" "$work" >"$dir/$tool"
    chmod 755 "$dir/$tool"
  done
}

as_user() {  # runs the rest as an unprivileged user when the test runs as root
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"
  else
    "$@"
  fi
}

run_case() {  # name path command...; prints status and the messages
  local name=$1 path=$2
  shift 2
  rm -f "$work/asked"
  local status=0
  as_user env -i PATH="$path" HOME="$work" bash -c "$*" >"$work/$name.out" 2>&1 || status=$?
  echo "$status"
}

bin_with "$work/sudo-bin" sudo pkexec
bin_with "$work/pkexec-bin" pkexec
bin_with "$work/bare-bin"
chmod -R a+rX "$work"
helper="source '$top/tools/as-root.sh'"

# Not root: sudo first, pkexec when there is no sudo, a message when there is neither.
[ "$(run_case sudo "$work/sudo-bin" "$helper; as_root apt-get update")" = 0 ] || fail "as_root with sudo"
[ "$(cat "$work/asked")" = "sudo apt-get update" ] || fail "sudo was asked: $(cat "$work/asked")"
[ "$(run_case pkexec "$work/pkexec-bin" "$helper; as_root apt-get update")" = 0 ] || fail "as_root with pkexec"
[ "$(cat "$work/asked")" = "pkexec apt-get update" ] || fail "pkexec was asked: $(cat "$work/asked")"
[ "$(run_case bare "$work/bare-bin" "$helper; as_root apt-get update")" = 1 ] || fail "as_root without a helper"
grep -q "needs root, and neither sudo nor pkexec is installed" "$work/bare.out" || fail "message: $(cat "$work/bare.out")"

# The two commands of the README, run by a user without a display, ask for root for the whole run.
for script in run-demo.sh run-tests.sh; do
  status=$(run_case "$script" "$work/sudo-bin" "'$top/tools/$script'")
  [ "$status" = 0 ] || fail "$script: $(cat "$work/$script.out")"
  grep -q "^sudo .*$top/tools/$script\$" "$work/asked" || fail "$script asked: $(cat "$work/asked" 2>/dev/null)"
done
status=$(run_case demo-bare "$work/bare-bin" "'$top/tools/run-demo.sh'")
[ "$status" = 1 ] && grep -q "Run it again as root" "$work/demo-bare.out" || fail "run-demo.sh without a helper: $(cat "$work/demo-bare.out")"

# Root runs the step itself, without sudo (which a fresh container lacks).
if [ "$(id -u)" -eq 0 ]; then
  [ "$(env -i PATH="$work/bare-bin" bash -c "$helper; as_root id -u")" = 0 ] || fail "root did not run the step itself"
fi

grep -q '| main job | `./tools/run-demo.sh` |' "$top/README.md" || fail "README: main job command"
grep -q '| all tests | `./tools/run-tests.sh` |' "$top/README.md" || fail "README: test command"
! grep -q 'sudo \./tools/' "$top/README.md" || fail "README still asks for sudo"
echo PASS
