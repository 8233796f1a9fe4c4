#!/usr/bin/env bash
# The game download against aria2c, curl and md5sum on one generated client
# of about 2,000 files and 1 GiB, served by an nginx of its own on 127.0.0.1.
# Scenarios: (a) nothing present, full download; (b) everything current,
# verify only; (c) 10% of the files changed. Prints wall time, CPU time,
# CPU time per GiB fetched and peak memory of each tool, the driver's fixed
# costs (Wine's start, the workers' one-second end pause) as rows of their
# own, and the ratios to the targets; not a pass/fail. Writes the table and
# a chart (PNG, gnuplot) into the results folder it names at the end.
#
#   bench/download_bench.sh [build folder, default: the one bench-build.sh picks]
#
# Environment: ORVANE_BENCH_OUT (default <build>/bench-results) for the
# table and chart, ORVANE_BENCH_PORT (default 18291) for the file server,
# ORVANE_BENCH_ROUNDS (default 1: best of that many runs per tool and
# scenario). The data set lives under /tmp and is deleted at the end. The
# driver runs in the build's Wine prefix and points the launcher's
# registration there at the bench's game folder for the run: do not run the
# workers tests at the same time.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/bench-build.sh" "${1:-}"
port=${ORVANE_BENCH_PORT:-18291}
rounds=${ORVANE_BENCH_ROUNDS:-1}
out_dir=${ORVANE_BENCH_OUT:-$build/bench-results}

if ! build_log=$(cmake --build "$build" --target download_bench 2>&1); then
  echo "$build_log" >&2
  exit 1
fi
driver="$build/bench/download_bench.exe"
for tool in aria2c curl md5sum nginx python3 gnuplot /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "download_bench: $tool is missing" >&2; exit 1; }
done
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "download_bench: port $port is taken (set ORVANE_BENCH_PORT)" >&2
  exit 1
fi

work=$(mktemp -d /tmp/orvane-download-bench.XXXXXX)
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ] && kill -0 "$nginx_pid" 2>/dev/null; then
    kill -QUIT "$nginx_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$nginx_pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "generating the client under $work ..." >&2
python3 - "$work" "http://127.0.0.1:$port" <<'PY'
import hashlib, json, math, os, random, sys
work, base = sys.argv[1], sys.argv[2]
rng = random.Random(20240604)
total_target = 1 << 30
# Many small files (1 KiB to 512 KiB, log-uniform) and some large ones: 80 of
# 1-5 MiB and 20 of tens of MiB, scaled so the whole comes to 1 GiB.
small = [int(math.exp(rng.uniform(math.log(1024), math.log(512 * 1024)))) for _ in range(1900)]
medium = [rng.randint(1 << 20, 5 << 20) for _ in range(80)]
large = [rng.randint(16 << 20, 48 << 20) for _ in range(20)]
scale = (total_target - sum(small)) / (sum(medium) + sum(large))
files = []
for i, size in enumerate(small):
    files.append(("data/%02d/%04d.bin" % (i % 40, i), size))
for i, size in enumerate(medium + large):
    files.append(("pak/%03d.pak" % i, int(size * scale)))
rng.shuffle(files)
entries, aria, curl, sums = [], [], [], []
for name, size in files:
    path = os.path.join(work, "server/client", name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    digest = hashlib.md5()
    with open(path, "wb") as out:
        left = size
        while left:
            chunk = os.urandom(min(left, 1 << 22))
            digest.update(chunk)
            out.write(chunk)
            left -= len(chunk)
    md5 = digest.hexdigest()
    entries.append({"file": name, "md5": md5})
    url = "%s/client/%s" % (base, name)
    aria.append("%s\n  dir=%s/aria2\n  out=%s\n  checksum=md5=%s\n" % (url, work, name, md5))
    curl.append('url = "%s"\noutput = "%s/curl/%s"\n' % (url, work, name))
    sums.append("%s  %s\n" % (md5, name))
with open(os.path.join(work, "server/filelist.json"), "w") as out:
    json.dump(entries, out)
for name, lines in (("aria2.txt", aria), ("curl.txt", curl), ("md5.txt", sums)):
    with open(os.path.join(work, name), "w") as out:
        out.writelines(lines)
# The files that scenario (c) changes: every tenth.
with open(os.path.join(work, "changed.txt"), "w") as out:
    out.writelines(name + "\n" for name, _ in files[::10])
# Bytes each scenario fetches, for CPU time per GiB.
with open(os.path.join(work, "fetched-bytes.txt"), "w") as out:
    out.write("%d 0 %d\n" % (sum(s for _, s in files), sum(s for _, s in files[::10])))
print("%d files, %.1f MiB" % (len(files), sum(s for _, s in files) / 1048576.0), file=sys.stderr)
PY

user_directive=""
[ "$(id -u)" = 0 ] && user_directive="user root;"
mkdir -p "$work/nginx"
cat >"$work/nginx/nginx.conf" <<EOF
$user_directive
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  default_type application/octet-stream;
  types { application/json json; }
  server {
    listen 127.0.0.1:$port;
    root $work/server;
  }
}
EOF
nginx -p "$work/nginx/" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log"
nginx_pid=$(cat "$work/nginx/nginx.pid")

# Every client copy starts from the same state per scenario.
mkdir -p "$work/game/client" "$work/aria2" "$work/curl"
game_windows="Z:${work//\//\\}\\game"
base="http://127.0.0.1:$port"

# CPU seconds (user + system) of every wineserver: the driver's window
# messages are partly paid for there.
wineserver_cpu() {
  local total=0 pid ticks
  for pid in $(pgrep wineserver || true); do
    ticks=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
    total=$((total + ticks))
  done
  awk -v t="$total" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }'
}

# Runs a command under /usr/bin/time and prints "wall cpu peak_kib".
measure() {
  local out="$work/time.out" rc=0
  /usr/bin/time -o "$out" -f "%e %U %S %M" "$@" >"$work/last.stdout" 2>"$work/last.stderr" || rc=$?
  if [ "$rc" != 0 ]; then
    echo "download_bench: '$*' failed ($rc):" >&2
    tail -n 5 "$work/last.stderr" >&2
    cat "$work/last.stdout" >&2
    exit 1
  fi
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$out"
}

# Puts one tool's copy of the client into the state of the current scenario.
prepare() {
  local dir="$1"
  rm -rf "$dir"
  case "$scenario" in
    a) mkdir -p "$dir" ;;
    b) cp -r "$work/server/client" "$dir" ;;
    c)
      cp -r "$work/server/client" "$dir"
      # The first 4 KiB (or the whole of a smaller file) inverted; the size
      # stays, so every tool sees a damaged copy rather than a partial one.
      python3 - "$dir" "$work/changed.txt" <<'PY'
import sys
folder, listing = sys.argv[1], sys.argv[2]
for name in open(listing).read().split():
    with open(folder + "/" + name, "r+b") as f:
        head = f.read(4096)
        f.seek(0)
        f.write(bytes(b ^ 0xFF for b in head))
PY
      ;;
  esac
  sync
}

# Best of the rounds by wall time, each on a freshly prepared copy in dir:
# "wall cpu peak".
best_of() {
  local dir="$1" best="" line
  shift
  for _ in $(seq "$rounds"); do
    prepare "$dir"
    line=$("$@") || exit 1
    if [ -z "$best" ] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best=$line
      # The driver's own figures of the round kept.
      if [ -f "$work/round.inside" ]; then mv "$work/round.inside" "$work/driver.inside"; fi
    fi
    rm -f "$work/round.inside"
  done
  echo "$best"
}

run_driver() {
  local before after
  before=$(wineserver_cpu)
  measure "$build/wine-run" "$driver" "$game_windows" "$base/" filelist.json "$base/client/" >"$work/driver.measure"
  after=$(wineserver_cpu)
  read -r files failures reports run last workers < <(tr -d '\r' <"$work/last.stdout")
  # A wineserver that ended and restarted during the run leaves no figure.
  echo "$files $failures $reports $run $last $workers $(awk -v a="$after" -v b="$before" \
    'BEGIN { if (a >= b) printf "%.2f s", a - b; else printf "n/a" }')" >"$work/round.inside"
  cat "$work/driver.measure"
}
# -V with each file's md5: an existing file is checked and kept when it
# matches, fetched again when not; missing files are fetched and checked.
run_aria2() {
  measure aria2c -j4 -V --auto-file-renaming=false \
    --console-log-level=warn --summary-interval=0 --download-result=hide -i "$work/aria2.txt"
}
run_curl_all() {
  measure curl -s --fail --parallel --parallel-max 4 --create-dirs -K "$work/curl.txt"
}
run_curl_changed() {
  awk 'NR == FNR { want["/" $0 "\""] = 1; next }
       /^url/ { keep = 0; for (w in want) if (index($0, w)) keep = 1 }
       keep' "$work/changed.txt" "$work/curl.txt" >"$work/curl-changed.txt"
  measure curl -s --fail --parallel --parallel-max 4 --create-dirs -K "$work/curl-changed.txt"
}
run_md5sum() {
  (cd "$work/game/client" && measure md5sum --quiet -c "$work/md5.txt")
}

# Wine's own start and end, paid by every driver run.
wine_start=$(measure "$build/wine-run" "$driver")

read -r bytes_a bytes_b bytes_c <"$work/fetched-bytes.txt"
mkdir -p "$out_dir"
table="$out_dir/download_bench.txt"
: >"$table"
say() { printf '%s\n' "$*" | tee -a "$table"; }
say "$(printf '%-30s %9s %9s %10s %10s' "scenario / tool" "wall s" "cpu s" "cpu s/GiB" "peak MiB")"
# row NAME "wall cpu peakKiB" [bytes fetched]
row() {
  say "$(awk -v n="$1" -v l="$2" -v b="${3:-0}" 'BEGIN { split(l, f, " ");
    g = b > 0 ? sprintf("%.2f", f[2] / (b / 1073741824)) : "-";
    printf "%-30s %9.2f %9.2f %10s %10.1f", n, f[1], f[2], g, f[3] / 1024 }')"
}
fixed() { say "$(printf '%-30s %9.2f' "$1" "$2")"; }
row "Wine start (no work)" "$wine_start"

declare -A result
for scenario in a b c; do
  case "$scenario" in
    a) title="(a) full download" ;;
    b) title="(b) all current, verify" ;;
    c) title="(c) 10% changed" ;;
  esac
  say "$title"
  fetched=$(eval echo "\$bytes_$scenario")
  result[$scenario.driver]=$(best_of "$work/game/client" run_driver)
  read -r files failures reports run last workers server_cpu _ <"$work/driver.inside"
  row "  driver (4 workers)" "${result[$scenario.driver]}" "$fetched"
  # The driver's wall time in parts: the workers' own work (queue filled to
  # the last file done), and the fixed costs around it.
  result[$scenario.work]=$(awk -v l="$last" -v w="$workers" 'BEGIN { printf "%.3f", l - w }')
  fixed "    work phase" "${result[$scenario.work]}"
  fixed "    fixed: list + queue" "$workers"
  fixed "    fixed: end pause" "$(awk -v r="$run" -v l="$last" 'BEGIN { printf "%.3f", r - l }')"
  fixed "    fixed: Wine start and end" "$(awk -v d="${result[$scenario.driver]%% *}" -v r="$run" 'BEGIN { printf "%.3f", d - r }')"
  say "    files $files, failures $failures, speed reports $reports, wineserver cpu $server_cpu"
  result[$scenario.aria2]=$(best_of "$work/aria2" run_aria2)
  row "  aria2c -j4 (md5 checked)" "${result[$scenario.aria2]}" "$fetched"
  case "$scenario" in
    a) result[$scenario.other]=$(best_of "$work/curl" run_curl_all); other="curl --parallel-max 4" ;;
    b) result[$scenario.other]=$(best_of "$work/game/client" run_md5sum); other="md5sum (1 process)" ;;
    c) result[$scenario.other]=$(best_of "$work/curl" run_curl_changed); other="curl, changed files only" ;;
  esac
  row "  $other" "${result[$scenario.other]}" "$fetched"
done

ratio() { awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { printf "%.2f", a / b }'; }
say ""
say "ratios (target):"
say "  (a) driver / aria2c:       $(ratio "${result[a.driver]}" "${result[a.aria2]}")  (<= 0.5)"
say "  (a) driver / curl:         $(ratio "${result[a.driver]}" "${result[a.other]}")  (<= 1.0)"
say "  (b) work phase / md5sum:   $(ratio "${result[b.work]}" "${result[b.other]}")  (<= 0.6)"
say "  (b) driver wall / md5sum:  $(ratio "${result[b.driver]}" "${result[b.other]}")  (the whole, fixed costs included)"
say "  (c) driver / aria2c:       $(ratio "${result[c.driver]}" "${result[c.aria2]}")  (<= 0.7)"
peak=$(echo "${result[a.driver]} ${result[b.driver]} ${result[c.driver]}" | awk '{ m = $3; if ($6 > m) m = $6; if ($9 > m) m = $9; print m }')
say "$(awk -v p="$peak" 'BEGIN { printf "  driver peak memory:        %.1f MiB  (< 64)", p / 1024 }')"

# The chart: wall time per scenario, one bar per tool.
{
  echo "# scenario driver aria2c other"
  echo "\"(a) full\" ${result[a.driver]%% *} ${result[a.aria2]%% *} ${result[a.other]%% *}"
  echo "\"(b) verify\" ${result[b.driver]%% *} ${result[b.aria2]%% *} ${result[b.other]%% *}"
  echo "\"(c) 10% changed\" ${result[c.driver]%% *} ${result[c.aria2]%% *} ${result[c.other]%% *}"
} >"$out_dir/download_bench.dat"
gnuplot <<GNUPLOT
set terminal png size 900,500
set output "$out_dir/download_bench.png"
set title "Game download, 2,000 files / 1 GiB: wall time (s), lower is better"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set key top right
set ylabel "wall time (s)"
set yrange [0:*]
plot "$out_dir/download_bench.dat" using 2:xtic(1) title "Orvane box (4 workers)", \
     "" using 3 title "aria2c -j4 (md5)", \
     "" using 4 title "curl --parallel 4 (a, c) / md5sum (b)"
GNUPLOT
echo
echo "table: $table"
echo "chart: $out_dir/download_bench.png"
