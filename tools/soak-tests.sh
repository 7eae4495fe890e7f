#!/usr/bin/env bash
# Runs the network-namespace and display tests ROUNDS times (default 20) with two tests at a
# time, while two busy loops keep both processors loaded, and prints how often each test
# failed: a test that fails here now and then would cry wolf in a normal run. Not part of
# tools/run-tests.sh (it takes long); it uses the build in build/, built first if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
rounds=${1:-20}
source "$top/tools/as-root.sh"
reexec_as_root "The tests in network namespaces" "$top/tools/soak-tests.sh" "$rounds"

[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $(basename "$0") [ROUNDS]" >&2; exit 2; }
if [ ! -f build/CTestTestfile.cmake ]; then
  "$top/tools/install-deps.sh"
  cmake -S "$top" -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build

loads=()
stop_loads() { [ "${#loads[@]}" -eq 0 ] || kill "${loads[@]}" 2>/dev/null || true; }
trap stop_loads EXIT
for _ in 1 2; do
  ( while :; do :; done ) &
  loads+=($!)
done

declare -A failures=()
failed_list=build/Testing/Temporary/LastTestsFailed.log
started=$(date +%s)
for round in $(seq "$rounds"); do
  rm -f "$failed_list"
  status=0
  ctest --test-dir build -L 'netns|xvfb' -j 2 --output-on-failure >"build/soak-round.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    cat build/soak-round.log
    while IFS=: read -r _ name; do
      failures[$name]=$(( ${failures[$name]:-0} + 1 ))
    done <"$failed_list"
  fi
  echo "round $round of $rounds: $(grep -o '[0-9]* tests failed out of [0-9]*' build/soak-round.log ||
    echo 'no test ran'), $(( $(date +%s) - started )) s so far"
done

echo
echo "Failures per test over $rounds rounds under load ($(( $(date +%s) - started )) s):"
if [ "${#failures[@]}" -eq 0 ]; then
  echo "  none"
  exit 0
fi
for name in "${!failures[@]}"; do echo "  $name: ${failures[$name]}"; done | sort
exit 1
