#!/usr/bin/env bash
# Installs what is needed, builds everything, then runs the demonstration: a lookup of the bundled
# demonstration disc against the local CDDB server, printed as artist, album and track titles.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

# The server serves the bundled entries and the generated demo disc's entry on a free loopback port.
server_out=$(mktemp)
python3 build/bin/cddb_server.py --data tests/data/cddb --data build/data/cddb >"$server_out" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; rm -f "$server_out"' EXIT

port=
for _ in $(seq 100); do
  port=$(sed -n 's/^PORT \([0-9][0-9]*\)$/\1/p' "$server_out")
  [ -n "$port" ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "The local CDDB server did not start." >&2
  exit 1
fi
echo "Local CDDB server on 127.0.0.1:$port"

build/bin/cddb_demo "127.0.0.1:$port" /~cddb/cddb.cgi
