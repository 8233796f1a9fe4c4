#!/usr/bin/env bash
# Starts, stops and reports the local demo deployment of the web API: the
# API service (tools/demo/demo_service.py) and nginx in front of it, which
# terminates HTTPS for the primary and fallback hosts and serves the files.
#
#   scripts/demo-service.sh start|stop|status|certificate [STATE_DIR]
#
# certificate only makes the hosts' certificates (see scripts/demo-trust.sh).
# STATE_DIR (default: build/demo in this clone) holds everything the pair
# writes: pid files, logs, certificate, database, nginx config and files.
# Ports: ORVANE_DEMO_PORT_BASE (default 18000) + 80 API service and control,
# + 443 primary HTTPS (localhost), + 444 fallback HTTPS (127.0.0.1),
# + 81 file server. See tools/demo/README.md.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(dirname "$here")"
demo_dir="$repo/tools/demo"
python="${PYTHON:-python3}"
echo_module=/usr/lib/nginx/modules/ngx_http_echo_module.so

usage() {
  echo "usage: $0 start|stop|status|certificate [STATE_DIR]" >&2
  exit 2
}

action="${1:-}"
[ $# -le 2 ] || usage
state="${2:-$repo/build/demo}"
base="${ORVANE_DEMO_PORT_BASE:-18000}"
if ! [[ "$base" =~ ^[0-9]+$ ]] || [ "$base" -lt 1024 ] || [ "$base" -gt 65000 ]; then
  echo "demo-service: ORVANE_DEMO_PORT_BASE must be a number from 1024 to 65000" >&2
  exit 2
fi
api_port=$((base + 80))
files_port=$((base + 81))
primary_port=$((base + 443))
fallback_port=$((base + 444))

# The pid in FILE when that process is alive and its command line has WORD.
live_pid() {
  local file="$1" word="$2" pid
  [ -s "$file" ] || return 1
  pid="$(tr -dc '0-9' < "$file")"
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
  tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q -- "$word" || return 1
  echo "$pid"
}

# Whether PID runs; an exited process its parent has not reaped yet does not.
running() {
  local stat
  stat="$(ps -o stat= -p "$1" 2>/dev/null)" && [[ "$stat" != Z* ]]
}

stop_one() {
  local file="$1" word="$2" pid i
  if pid="$(live_pid "$file" "$word")"; then
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 100); do
      running "$pid" || break
      sleep 0.1
    done
    if running "$pid"; then
      kill -KILL "$pid" 2>/dev/null || true
    fi
  fi
  rm -f "$file"
}

port_open() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

show_logs() {
  local log
  for log in service.log nginx-error.log; do
    if [ -s "$state/$log" ]; then
      echo "--- last lines of $state/$log" >&2
      tail -n 20 "$state/$log" >&2
    fi
  done
}

# Wait until every given port accepts connections (20 s at most).
wait_ports() {
  local port i
  for port in "$@"; do
    for i in $(seq 200); do
      port_open "$port" && continue 2
      sleep 0.1
    done
    echo "demo-service: nothing answers on port $port" >&2
    show_logs
    return 1
  done
}

# Text made safe as the replacement of a sed s||| command.
sed_literal() {
  printf '%s' "$1" | sed -e 's/[\\|&]/\\&/g'
}

# Copy TEMPLATE to OUT, replacing @NAME@ by VALUE for each NAME VALUE pair.
render() {
  local template="$1" out="$2"
  shift 2
  set -- STATE_DIR "$state" DEMO_DIR "$demo_dir" "$@"
  local expression=()
  while [ $# -gt 0 ]; do
    expression+=(-e "s|@$1@|$(sed_literal "$2")|g")
    shift 2
  done
  sed "${expression[@]}" "$template" > "$out"
}

# NAME-cert.pem and NAME-key.pem, made once: a self-signed certificate for
# both API hosts' names.
make_certificate_pair() {
  local cert="$state/tls/$1cert.pem" key="$state/tls/$1key.pem"
  [ -s "$cert" ] && [ -s "$key" ] && return 0
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=localhost" \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
    -keyout "$key" -out "$cert" 2>/dev/null
}

# The hosts' certificate (which the demo build trusts) and an impostor's
# with the same names and another key, which the hosts show on demand.
make_certificate() {
  mkdir -p "$state/tls"
  make_certificate_pair ""
  make_certificate_pair impostor-
}

write_nginx_config() {
  local user_directive="" ipv6_listen=""
  # A root master would run its workers as nobody, who may not read the
  # state folder; run them as the user who starts the demo.
  [ "$(id -u)" = 0 ] && user_directive="user root;"
  if "$python" -c 'import socket; socket.socket(socket.AF_INET6).bind(("::1", 0))' 2>/dev/null; then
    ipv6_listen="listen [::1]:$primary_port ssl;"
  fi
  rm -f "$state"/hosts-up/*.conf "$state"/hosts-down/*.conf
  render "$demo_dir/nginx/nginx.conf.in" "$state/nginx.conf" \
    ECHO_MODULE "$echo_module" USER_DIRECTIVE "$user_directive" \
    API_PORT "$api_port" FILES_PORT "$files_port"
  render "$demo_dir/nginx/api-host.conf.in" "$state/hosts-up/primary.conf" \
    ROLE primary PORT "$primary_port" SERVER_NAME localhost IPV6_LISTEN "$ipv6_listen"
  render "$demo_dir/nginx/api-host.conf.in" "$state/hosts-up/fallback.conf" \
    ROLE fallback PORT "$fallback_port" SERVER_NAME 127.0.0.1 IPV6_LISTEN ""
}

do_stop() {
  stop_one "$state/nginx.pid" nginx
  stop_one "$state/api.pid" demo_service.py
}

do_start() {
  local nginx ipv6_flag=()
  nginx="$(command -v nginx || true)"
  [ -n "$nginx" ] || nginx=/usr/sbin/nginx
  if [ ! -x "$nginx" ] || [ ! -f "$echo_module" ]; then
    echo "demo-service: nginx with its echo module is missing (apt-get install nginx-light)" >&2
    return 1
  fi
  do_stop
  local port
  for port in "$api_port" "$primary_port" "$fallback_port" "$files_port"; do
    if port_open "$port"; then
      echo "demo-service: port $port is already in use (another demo instance?)" >&2
      return 1
    fi
  done
  mkdir -p "$state"/{tls,tmp,hosts-up,hosts-down}
  state="$(cd "$state" && pwd)"
  make_certificate
  write_nginx_config
  grep -q '\[::1\]' "$state/hosts-up/primary.conf" && ipv6_flag=(--ipv6)

  (cd "$demo_dir" && exec "$python" demo_service.py --state-dir "$state" --port-base "$base" \
    "${ipv6_flag[@]}" </dev/null >>"$state/service.log" 2>&1) &
  wait_ports "$api_port" || { do_stop; return 1; }

  if ! "$nginx" -p "$state/" -c "$state/nginx.conf" -e "$state/nginx-error.log" </dev/null; then
    echo "demo-service: nginx did not start" >&2
    show_logs
    do_stop
    return 1
  fi
  wait_ports "$primary_port" "$fallback_port" "$files_port" || { do_stop; return 1; }
  echo "demo service running (state $state): API https://localhost:$primary_port," \
    "fallback https://127.0.0.1:$fallback_port, files http://127.0.0.1:$files_port/," \
    "control http://127.0.0.1:$api_port/demo/"
}

report() {
  if [ -n "$2" ]; then echo "$1 running (pid $2)"; else echo "$1 stopped"; fi
}

do_status() {
  local api nginx
  api="$(live_pid "$state/api.pid" demo_service.py || true)"
  nginx="$(live_pid "$state/nginx.pid" nginx || true)"
  report "api service:" "$api"
  report "nginx:      " "$nginx"
  [ -n "$api" ] && [ -n "$nginx" ]
}

case "$action" in
  start) do_start ;;
  stop) do_stop ;;
  status) do_status ;;
  certificate) make_certificate ;;
  *) usage ;;
esac
