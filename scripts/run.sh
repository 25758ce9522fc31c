#!/usr/bin/env bash
# Installs what is needed, builds the program and opens it. Without an optical drive or a listed disc
# image, the bundled demonstration disc is the drive.
#
#   scripts/run.sh               Quavrel
#   scripts/run.sh --cddb-demo   the lookup of the demonstration disc against the local CDDB server,
#                                printed as artist, album and track titles
#   scripts/run.sh --cli ARGS…   quavrel-cli with those arguments (quavrel-cli --help)
set -euo pipefail
cd "$(dirname "$0")/.."

mode=program
case "${1:-}" in
  "") ;;
  --cddb-demo) mode=cddb-demo ;;
  --cli)
    mode=cli
    shift
    ;;
  *)
    echo "usage: $0 [--cddb-demo | --cli ARGS...]" >&2
    exit 2
    ;;
esac

bash scripts/install-deps.sh >&2

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
if [ "$mode" = cli ]; then
  # Its build messages go to standard error: the program's own output stays clean for a script.
  cmake --build build -j "$(nproc)" --target quavrel-cli CDRIP3 Vorbis wnaspi32 quavrel_discs >&2
  exec build/bin/quavrel-cli "$@"
fi
if [ "$mode" = program ]; then
  # With the libraries it loads at run time (ripping, Vorbis, remote access, ASPI) and the demo disc.
  cmake --build build -j "$(nproc)" --target quavrel CDRIP3 Vorbis rasapi32 wnaspi32 quavrel_discs
  exec build/bin/quavrel
fi
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
