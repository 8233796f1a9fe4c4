# Sourced by download_bench.sh at its end: counts the Wine-server requests
# the driver and curl.exe make per file, on a sample of every twentieth
# file of the client (100 files), with the server's own request trace
# (WINEDEBUG=+server). Tracing slows everything down, so these runs are
# not timed. Prints requests per file and per MiB fetched, and the request
# kinds that make up most of them.

# Runs a Windows program with a fresh, tracing Wine server; the trace goes
# to FILE.
traced() { # trace file, program, arguments...
  local trace=$1
  shift
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  WINEDEBUG=+server "$ORVANE_WINE" "$@" >/dev/null 2>"$trace" || true
  wineserver -w 2>/dev/null || true
}

# "count kind" a line for every request kind of a trace, replies left out.
request_kinds() {
  grep -E '^[0-9a-f]{4}: [a-z_0-9]+\(' "$1" | grep -v ') = ' |
    sed -E 's/^[0-9a-f]{4}: ([a-z_0-9]+)\(.*/\1/' | sort | uniq -c
}

sample_files=$(python3 -c 'import json, sys; print(len(json.load(open(sys.argv[1]))))' "$work/server/filelist-sample.json")
sample_mib=$(python3 - "$work/server/filelist-sample.json" "$work/server/client" <<'PY'
import json, os, sys
entries = json.load(open(sys.argv[1]))
print("%.1f" % (sum(os.path.getsize(os.path.join(sys.argv[2], e["file"])) for e in entries) / 1048576.0))
PY
)
say ""
say "Wine-server requests on a sample of $sample_files files ($sample_mib MiB), traced apart from the timed runs:"
# The requests of Wine's own start and end, with no work: the rows below
# are net of these, per file and per MiB, with the kinds that grew most.
traced "$work/trace-empty" "$driver"
request_kinds "$work/trace-empty" >"$work/kinds-empty"
say "  Wine start and end, no work: $(awk '{ t += $1 } END { print t + 0 }' "$work/kinds-empty") requests"
request_row() { # name, trace
  request_kinds "$2" >"$work/kinds-run"
  say "$(awk -v n="$1" -v f="$sample_files" -v m="$sample_mib" '
    NR == FNR { base[$2] = $1; next }
    { net[$2] = $1 - base[$2]; total += net[$2] }
    END {
      line = sprintf("  %-22s net %7d requests, %6.1f per file, %6.1f per MiB;", n, total, total / f, total / m)
      for (i = 0; i < 5; i++) {
        best = ""; for (k in net) if (best == "" || net[k] > net[best]) best = k
        if (best == "" || net[best] <= 0) break
        line = line sprintf(" %s %.1f/file", best, net[best] / f); delete net[best]
      }
      print line
    }' "$work/kinds-empty" "$work/kinds-run")"
}
scenario=a
prepare "$work/game/client"
traced "$work/trace-driver-a" "$driver" "$game_windows" "$base/" filelist-sample.json "$base/client/"
request_row "(a) driver" "$work/trace-driver-a"
prepare "$work/curlwine"
traced "$work/trace-curl-a" "$curl_exe" -s --fail --parallel --parallel-max 4 --create-dirs \
  -K "$(windows_path "$work/curl-wine-sample.txt")"
request_row "(a) curl.exe" "$work/trace-curl-a"
scenario=b
prepare "$work/game/client"
traced "$work/trace-driver-b" "$driver" "$game_windows" "$base/" filelist-sample.json "$base/client/"
request_row "(b) driver (verify)" "$work/trace-driver-b"
rm -f "$work"/trace-* "$work"/kinds-*
