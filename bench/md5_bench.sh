#!/usr/bin/env bash
# MD5 throughput of CMd5A::Md5File under Wine against md5sum on the same
# 1 GiB file, both read from the page cache. Prints both figures and the
# ratio (target: at least 0.9). Usage: bench/md5_bench.sh [build folder, default: the one bench-build.sh picks]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/bench-build.sh" "${1:-}"
rounds=3
bytes=$((1024 * 1024 * 1024))

if ! build_log=$(cmake --build "$build" --target md5_file_bench 2>&1); then
  echo "$build_log" >&2
  exit 1
fi
bench_exe="$build/bench/md5_file_bench.exe"

data=$(mktemp /tmp/orvane-md5-bench.XXXXXX)
trap 'rm -f "$data"' EXIT
head -c "$bytes" /dev/urandom >"$data"
cat "$data" >/dev/null

# Best of a few rounds for each, so one slow round on a shared machine
# does not decide the ratio.
best_md5sum=""
for _ in $(seq "$rounds"); do
  start=$(date +%s.%N)
  expected=$(md5sum "$data" | cut -d' ' -f1)
  end=$(date +%s.%N)
  best_md5sum=$(awk -v s="$start" -v e="$end" -v b="$best_md5sum" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
done

best_wine=""
windows_path="Z:${data//\//\\}"
for _ in $(seq "$rounds"); do
  read -r digest size seconds < <("$build/wine-run" "$bench_exe" "$windows_path" | tr -d '\r')
  if [ "$digest" != "$expected" ] || [ "$size" != "$bytes" ]; then
    echo "Md5File gave $digest for $size bytes; md5sum gave $expected for $bytes bytes" >&2
    exit 1
  fi
  best_wine=$(awk -v t="$seconds" -v b="$best_wine" 'BEGIN { print (b == "" || t < b) ? t : b }')
done

awk -v bytes="$bytes" -v plain="$best_md5sum" -v wine="$best_wine" 'BEGIN {
  mib = bytes / 1048576
  printf "md5sum:               %8.1f MiB/s (%.3f s)\n", mib / plain, plain
  printf "Md5File under Wine:   %8.1f MiB/s (%.3f s)\n", mib / wine, wine
  printf "ratio Md5File/md5sum: %.3f (target 0.900)\n", plain / wine
}'
