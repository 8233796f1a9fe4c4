#!/usr/bin/env bash
# The game download against aria2c, curl and md5sum on one generated client
# of about 2,000 files and 1 GiB, served by an nginx of its own on 127.0.0.1.
# Scenarios: (a) nothing present, full download; (b) everything current,
# verify only; (c) 10% of the files changed. The fair peer is curl's own
# tool built for Windows from the program's libcurl source (the dependency
# build installs it) and run under the same Wine with --parallel-max 4: it
# pays the same price per socket call and checks nothing. Every tool runs
# ORVANE_BENCH_ROUNDS times per scenario; the table gives the median round,
# the spread of wall times, CPU time, CPU time per GiB fetched, peak memory
# and the Wine server's CPU time, then the driver's fixed costs (Wine's
# start, the workers' one-second end pause) as rows of their own, the
# ratios to the targets (met, missed, or unsettled where the rounds' spread
# crosses the target), and the Wine-server requests per file on a traced
# sample (bench/wine_requests.sh). Not a pass/fail. Writes the table and a
# chart (PNG, gnuplot) into the results folder it names at the end.
#
#   bench/download_bench.sh [build folder, default: the one bench-build.sh picks]
#
# Environment: ORVANE_BENCH_OUT (default <build>/bench-results) for the
# table and chart, ORVANE_BENCH_PORT (default 18291) for the file server,
# ORVANE_BENCH_ROUNDS (default 3), ORVANE_BENCH_SCENARIOS (default "a b c";
# the chart and the request trace come with the full set). The data set lives under /tmp and is
# deleted at the end. The driver runs in the build's Wine prefix and points
# the launcher's registration there at the bench's game folder for the run:
# do not run the workers tests at the same time.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/bench-build.sh" "${1:-}"
port=${ORVANE_BENCH_PORT:-18291}
rounds=${ORVANE_BENCH_ROUNDS:-3}
read -r -a scenarios <<<"${ORVANE_BENCH_SCENARIOS:-a b c}"
out_dir=${ORVANE_BENCH_OUT:-$build/bench-results}

if ! build_log=$(cmake --build "$build" --target download_bench 2>&1); then
  echo "$build_log" >&2
  exit 1
fi
driver="$build/bench/download_bench.exe"
# curl's tool, built with the dependencies from the same libcurl source.
deps=$(sed -n 's/^ORVANE_DEPS_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")
curl_exe="$deps/bin/curl.exe"
if [ ! -f "$curl_exe" ]; then
  echo "download_bench: no $curl_exe: rebuild the dependencies (scripts/build.sh)" >&2
  exit 1
fi
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
  wineserver -k 2>/dev/null || true
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
entries, aria, curl, curl_wine, sums = [], [], [], [], []
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
    curl_wine.append('url = "%s"\noutput = "Z:%s/curlwine/%s"\n' % (url, work, name))
    sums.append("%s  %s\n" % (md5, name))
with open(os.path.join(work, "server/filelist.json"), "w") as out:
    json.dump(entries, out)
with open(os.path.join(work, "server/filelist-sample.json"), "w") as out:
    json.dump(entries[::20], out)
for name, lines in (("aria2.txt", aria), ("curl.txt", curl), ("curl-wine.txt", curl_wine),
                    ("curl-wine-sample.txt", curl_wine[::20]), ("md5.txt", sums)):
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
mkdir -p "$work/game/client" "$work/aria2" "$work/curl" "$work/curlwine"
windows_path() { local p="Z:${1//\//\\}"; echo "$p"; }
game_windows=$(windows_path "$work/game")
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

# A Windows program under Wine, measured, with the Wine server's CPU time
# of the run kept in $work/round.server.
measure_wine() {
  local before after
  before=$(wineserver_cpu)
  measure "$build/wine-run" "$@" >"$work/wine.measure"
  after=$(wineserver_cpu)
  # A wineserver that ended and restarted during the run leaves no figure.
  awk -v a="$after" -v b="$before" 'BEGIN { if (a >= b) printf "%.2f\n", a - b; else print "n/a" }' \
    >"$work/round.server"
  cat "$work/wine.measure"
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

# Runs a tool for every round on a freshly prepared copy in dir and keeps
# each round's "wall cpu peak [server cpu] [driver figures]" as a line of
# $work/rounds/KEY.
rounds_of() {
  local key="$1" dir="$2" line
  shift 2
  : >"$work/rounds/$key"
  for _ in $(seq "$rounds"); do
    prepare "$dir"
    rm -f "$work/round.server" "$work/round.inside"
    line=$("$@") || exit 1
    [ -f "$work/round.server" ] && line="$line $(cat "$work/round.server")"
    [ -f "$work/round.inside" ] && line="$line $(cat "$work/round.inside")"
    echo "$line" >>"$work/rounds/$key"
  done
}

# Field N of the round with the median wall time (the lower middle of an
# even count).
median_field() {
  sort -n -k1,1 "$work/rounds/$1" | awk -v n="$2" '{ v[NR] = $n } END { print v[int((NR + 1) / 2)] }'
}
# "min max" of field N over the rounds.
spread_of() {
  awk -v n="$2" 'NR == 1 || $n < lo { lo = $n } NR == 1 || $n > hi { hi = $n } END { print lo, hi }' \
    "$work/rounds/$1"
}

run_driver() {
  measure_wine "$driver" "$game_windows" "$base/" "${list_name:-filelist.json}" "$base/client/"
  # files failures reports run last workers: the work phase is last - workers.
  tr -d '\r' <"$work/last.stdout" >"$work/round.inside"
}
# -V with each file's md5: an existing file is checked and kept when it
# matches, fetched again when not; missing files are fetched and checked.
run_aria2() {
  measure aria2c -j4 -V --auto-file-renaming=false \
    --console-log-level=warn --summary-interval=0 --download-result=hide -i "$work/aria2.txt"
}
# The files of scenario (c) only, from a curl config of the whole list.
changed_only() {
  awk 'NR == FNR { want["/" $0 "\""] = 1; next }
       /^url/ { keep = 0; for (w in want) if (index($0, w)) keep = 1 }
       keep' "$work/changed.txt" "$1"
}
curl_config() { # config for this scenario's run: the whole list, or the changed files in (c)
  if [ "$scenario" = c ]; then
    changed_only "$1" >"$1.changed"
    echo "$1.changed"
  else
    echo "$1"
  fi
}
run_curl() {
  measure curl -s --fail --parallel --parallel-max 4 --create-dirs -K "$(curl_config "$work/curl.txt")"
}
# curl's own tool built for Windows from the program's libcurl source, under
# the same Wine: it pays the same price per socket call and checks nothing.
run_curl_wine() {
  measure_wine "$curl_exe" -s --fail --parallel --parallel-max 4 --create-dirs \
    -K "$(windows_path "$(curl_config "$work/curl-wine.txt")")"
}
run_md5sum() {
  (cd "$work/game/client" && measure md5sum --quiet -c "$work/md5.txt")
}

# One Wine server for the whole run: one that ended while a scenario's copy
# was being prepared (more than its few seconds of persistence) would make
# the next Windows tool pay a cold start of about a second, Wine's own
# background processes included, which no native tool pays.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p </dev/null >/dev/null 2>&1
# Wine's own start and end, paid by every driver run.
measure "$build/wine-run" "$driver" >/dev/null
wine_start=$(measure "$build/wine-run" "$driver")

read -r bytes_a bytes_b bytes_c <"$work/fetched-bytes.txt"
mkdir -p "$out_dir" "$work/rounds"
table="$out_dir/download_bench.txt"
: >"$table"
say() { printf '%s\n' "$*" | tee -a "$table"; }
say "$bench_build_name in $build; median of $rounds round(s) per tool and scenario, spread min-max"
say "$(printf '%-32s %8s %13s %8s %9s %8s %9s' "scenario / tool" "wall s" "wall spread" "cpu s" "cpu s/GiB" "peak MiB" "server s")"
# row NAME KEY BYTES: the median round's figures and the spread of wall times.
row() {
  local line spread
  line=$(sort -n -k1,1 "$work/rounds/$2" | awk '{ l[NR] = $0 } END { print l[int((NR + 1) / 2)] }')
  spread=$(spread_of "$2" 1)
  say "$(awk -v n="$1" -v l="$line" -v s="$spread" -v b="${3:-0}" -v w="${4:-}" 'BEGIN { split(l, f, " "); split(s, r, " ");
    g = b > 0 ? sprintf("%.2f", f[2] / (b / 1073741824)) : "-";
    server = w == "wine" ? f[4] : "-";
    printf "%-32s %8.2f %13s %8.2f %9s %8.1f %9s", n, f[1], sprintf("%.2f-%.2f", r[1], r[2]), f[2], g, f[3] / 1024, server }')"
}
fixed() { say "$(printf '%-32s %8.3f' "$1" "$2")"; }
say "$(echo "$wine_start" | awk '{ printf "%-32s %8.2f %13s %8.2f %9s %8.1f", "Wine start (no work)", $1, "", $2, "-", $3 / 1024 }')"

for scenario in "${scenarios[@]}"; do
  case "$scenario" in
    a) say "(a) full download" ;;
    b) say "(b) all current, verify" ;;
    c) say "(c) 10% changed" ;;
  esac
  fetched=$(eval echo "\$bytes_$scenario")
  rounds_of "$scenario.driver" "$work/game/client" run_driver
  # The driver's line: wall cpu peak server files failures reports run last workers.
  awk '{ printf "%.3f\n", $9 - $10 }' "$work/rounds/$scenario.driver" >"$work/rounds/$scenario.work"
  # The wall time without the workers' fixed end pause (run - last file).
  awk '{ printf "%.3f\n", $1 - ($8 - $9) }' "$work/rounds/$scenario.driver" >"$work/rounds/$scenario.nopause"
  row "  driver (4 workers)" "$scenario.driver" "$fetched" wine
  read -r _ _ _ _ files failures reports run last workers < <(sort -n -k1,1 "$work/rounds/$scenario.driver" |
    awk '{ l[NR] = $0 } END { print l[int((NR + 1) / 2)] }')
  fixed "    work phase" "$(awk -v l="$last" -v w="$workers" 'BEGIN { print l - w }')"
  fixed "    fixed: list + queue" "$workers"
  fixed "    fixed: end pause" "$(awk -v r="$run" -v l="$last" 'BEGIN { print r - l }')"
  fixed "    fixed: Wine start and end" "$(awk -v d="$(median_field "$scenario.driver" 1)" -v r="$run" 'BEGIN { print d - r }')"
  say "    files $files, failures $failures, speed reports $reports (median round)"
  rounds_of "$scenario.aria2" "$work/aria2" run_aria2
  row "  aria2c -j4 (md5 checked)" "$scenario.aria2" "$fetched"
  if [ "$scenario" = b ]; then
    rounds_of b.md5sum "$work/game/client" run_md5sum
    row "  md5sum (1 process)" b.md5sum "$fetched"
  else
    rounds_of "$scenario.curl" "$work/curl" run_curl
    row "  curl --parallel-max 4 (native)" "$scenario.curl" "$fetched"
    rounds_of "$scenario.curlwine" "$work/curlwine" run_curl_wine
    row "  curl.exe --parallel-max 4, Wine" "$scenario.curlwine" "$fetched" wine
  fi
done

# verdict NAME KEY_A KEY_B TARGET [field]: the ratio of the medians, the
# range the rounds allow (min/max to max/min), and met, missed or
# unsettled where that range crosses the target.
verdict() {
  local name=$1 a=$2 b=$3 target=$4 field=${5:-1}
  [ -s "$work/rounds/$a" ] && [ -s "$work/rounds/$b" ] || return 0
  say "$(awk -v n="$name" -v t="$target" -v ma="$(median_field "$a" "$field")" -v mb="$(median_field "$b" 1)" \
    -v sa="$(spread_of "$a" "$field")" -v sb="$(spread_of "$b" 1)" 'BEGIN {
    split(sa, ra, " "); split(sb, rb, " ");
    lo = ra[1] / rb[2]; hi = ra[2] / rb[1];
    v = t == "" ? "reported" : (hi <= t ? "met" : (lo > t ? "missed" : "unsettled"));
    printf "  %-34s %5.2f  (rounds %.2f-%.2f)  target %s: %s", n, ma / mb, lo, hi, t == "" ? "none" : "<= " t, v }')"
}
say ""
say "ratios of medians:"
verdict "(a) driver / curl.exe under Wine" a.driver a.curlwine 1.0
verdict "(a) without end pause / curl.exe" a.nopause a.curlwine ""
verdict "(a) driver / aria2c" a.driver a.aria2 0.5
verdict "(a) driver / native curl" a.driver a.curl ""
verdict "(b) work phase / md5sum" b.work b.md5sum 0.6
verdict "(b) driver wall / md5sum" b.driver b.md5sum ""
verdict "(c) driver / aria2c" c.driver c.aria2 0.7
verdict "(c) driver / curl.exe under Wine" c.driver c.curlwine ""
peak=$(cat "$work/rounds/"*.driver | awk '$3 > m { m = $3 } END { print m }')
say "$(awk -v p="$peak" 'BEGIN { printf "  driver peak memory:                %.1f MiB  (< 64)", p / 1024 }')"

if [ "${#scenarios[@]}" != 3 ]; then
  echo
  echo "table: $table"
  exit 0
fi
# The chart: median wall time per scenario, one bar per tool ("-" where a
# tool has no part in that scenario).
med() { [ -s "$work/rounds/$1" ] && median_field "$1" 1 || echo "-"; }
{
  echo "# scenario driver aria2c curl.exe-wine curl-native md5sum"
  for scenario in a b c; do
    case "$scenario" in a) label='"(a) full"' ;; b) label='"(b) verify"' ;; c) label='"(c) 10% changed"' ;; esac
    echo "$label $(med $scenario.driver) $(med $scenario.aria2) $(med $scenario.curlwine) $(med $scenario.curl)" \
      "$(med $scenario.md5sum)"
  done
} >"$out_dir/download_bench.dat"
gnuplot <<GNUPLOT
set terminal png size 1000,520
set output "$out_dir/download_bench.png"
set title "Game download, 2,000 files / 1 GiB: median wall time (s) of $rounds round(s), lower is better ($bench_build_name)"
set datafile missing "-"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set key top right
set ylabel "wall time (s)"
set yrange [0:*]
plot "$out_dir/download_bench.dat" using 2:xtic(1) title "Orvane box (4 workers, md5)", \
     "" using 3 title "aria2c -j4 (md5)", \
     "" using 4 title "curl.exe --parallel 4 under Wine", \
     "" using 5 title "curl --parallel 4 (native)", \
     "" using 6 title "md5sum"
GNUPLOT

. "$repo/bench/wine_requests.sh"

echo
echo "table: $table"
echo "chart: $out_dir/download_bench.png"
