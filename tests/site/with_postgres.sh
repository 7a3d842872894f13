#!/usr/bin/env bash
# Runs COMMAND with a throwaway PostgreSQL 15: a cluster made with initdb in a temporary
# folder, run as an unprivileged user, reachable only through a Unix socket in that folder.
# COMMAND finds it in PINVELLE_TEST_POSTGRES (a libpq URI).
set -eu
[ $# -gt 0 ] || { echo "usage: with_postgres.sh COMMAND..."; exit 2; }
bin=/usr/lib/postgresql/15/bin
[ -x "$bin/initdb" ] || { echo "missing PostgreSQL 15 (see scripts/packages.txt)"; exit 1; }
work=$(mktemp -d)
chmod 755 "$work"
as=()
if [ "$(id -u)" -eq 0 ]; then
    # PostgreSQL refuses to run as root.
    chown nobody: "$work"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
port=5544
stop() {
    "${as[@]}" "$bin/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap stop EXIT
"${as[@]}" "$bin/initdb" -D "$work/data" -U site --auth=trust -E UTF8 --no-sync >"$work/initdb.log" 2>&1 ||
    { cat "$work/initdb.log"; exit 1; }
"${as[@]}" "$bin/pg_ctl" -D "$work/data" -w -l "$work/server.log" \
    -o "-c listen_addresses='' -k $work -p $port" start >/dev/null ||
    { cat "$work/server.log"; exit 1; }
"${as[@]}" "$bin/createdb" -h "$work" -p "$port" -U site notes
export PINVELLE_TEST_POSTGRES="postgresql://site@/notes?host=$work&port=$port"
"$@"
