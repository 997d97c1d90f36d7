#!/usr/bin/env bash
# Runs the README's emulator examples as they stand, with the programs of
# this build and a scratch folder in place of /tmp, and fails when one of
# them fails.
# usage: readme-examples.sh README.md BIN_DIR
set -euo pipefail
readme=$1
bin=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT

script=$scratch/examples.sh
sed -n '/<!-- emulator examples: begin -->/,/<!-- emulator examples: end -->/p' "$readme" \
  | sed -e '1d' -e '$d' -e 's/^    //' \
        -e "s#/tmp/#$scratch/#g" -e "s#\./build/bin/#$bin/#g" > "$script"
test -s "$script" || { echo "no emulator examples in $readme"; exit 1; }
cd "$scratch"
echo "== the README's emulator examples"
cat "$script"
echo "=="
# Each command must succeed; the jobs run under their job numbers.
timeout 120 bash -euo pipefail "$script"
echo "README emulator examples passed"
