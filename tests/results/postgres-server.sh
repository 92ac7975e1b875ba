#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A PostgreSQL server of the tests' own, from Debian's postgresql package:
# initdb into FOLDER, listening only on a Unix socket in it (no TCP port, so
# several builds can run one each at once), run as an unprivileged user (the
# postgres system user when this runs as root).
#
#   postgres-server.sh start FOLDER   fresh server; FOLDER/uri holds its libpq URI
#   postgres-server.sh stop FOLDER    stops it and removes everything
#   postgres-server.sh pause FOLDER   stops it, keeping its data
#   postgres-server.sh resume FOLDER  starts it again
#
# Exits 77 (skipped) when the server binaries are not installed.
set -euo pipefail
command="$1"
folder="$(realpath -m "$2")"

bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)"
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "SKIP: no PostgreSQL server binaries (Debian package postgresql): server tests skipped"
  exit 77
fi

as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# Where the server lives: FOLDER itself, or (when the server's user cannot
# reach it, or a socket path there would be too long) a folder under /tmp
# that FOLDER/location names.
home_of() {
  if [ -f "$folder/location" ]; then cat "$folder/location"; else echo "$folder/server"; fi
}

pg_ctl_in() { # home, pg_ctl arguments...
  local home="$1"
  shift
  as_server_user "$bindir/pg_ctl" -D "$home/data" -l "$home/server.log" -w -t 60 "$@"
}

start_server() { # home
  pg_ctl_in "$1" -o "-c listen_addresses='' -c unix_socket_directories='$1' -c fsync=off \
-c max_connections=40" start >/dev/null
}

stop_server() {
  local home
  home="$(home_of)"
  if [ -f "$home/data/postmaster.pid" ]; then
    pg_ctl_in "$home" -m fast stop >/dev/null || true
  fi
}

case "$command" in
start)
  stop_server
  [ -f "$folder/location" ] && rm -rf "$(cat "$folder/location")"
  rm -rf "$folder"
  mkdir -p "$folder/server"
  home="$folder/server"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$home"
    runuser -u postgres -- test -w "$home" || home=""
  fi
  if [ -z "$home" ] || [ ${#home} -gt 80 ]; then
    home="$(mktemp -d /tmp/kel-pg.XXXXXX)"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$home"
    echo "$home" >"$folder/location"
  fi
  as_server_user "$bindir/initdb" -D "$home/data" -A trust -U postgres -E UTF8 --no-sync \
    >"$home/initdb.log" 2>&1 || { cat "$home/initdb.log"; exit 1; }
  start_server "$home" || { cat "$home/server.log"; exit 1; }
  echo "postgresql://postgres@/postgres?host=$home" >"$folder/uri"
  echo "PostgreSQL server on the socket in $home"
  ;;
stop)
  stop_server
  [ -f "$folder/location" ] && rm -rf "$(cat "$folder/location")"
  rm -rf "$folder"
  ;;
pause)
  stop_server
  ;;
resume)
  start_server "$(home_of)"
  ;;
*)
  echo "usage: $0 start|stop|pause|resume FOLDER" >&2
  exit 2
  ;;
esac
