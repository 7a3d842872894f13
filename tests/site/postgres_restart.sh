#!/usr/bin/env bash
# Run by with_postgres.sh: the site keeps answering across a restart of its PostgreSQL server
# (each of its threads held a connection that the restart killed).
set -u
site=${1:?usage: postgres_restart.sh PINVELLE-SITE}
work=$(echo "$PINVELLE_TEST_POSTGRES" | sed 's/.*host=\([^&]*\).*/\1/')
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$site" --database "$PINVELLE_TEST_POSTGRES" --listen "127.0.0.1:$port" 2>"$work/site.log" &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT
answers() { # a cookie makes every request look its session up in the database
    for _ in $(seq 40); do
        curl -s -b pinvelle_session=unknown -o /dev/null -w '%{http_code}\n' \
            "http://127.0.0.1:$port/noteimport.aspx"
    done | sort | uniq -c | tr -s ' \n' ' '
}
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
before=$(answers)
as=()
[ "$(id -u)" -eq 0 ] && as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
"${as[@]}" /usr/lib/postgresql/15/bin/pg_ctl -D "$work/data" -w -m fast restart \
    -o "-c listen_addresses='' -k $work -p 5544" >/dev/null
after=$(answers)
echo "before the restart: $before; after: $after"
[ "$before" = " 40 200 " ] && [ "$after" = " 40 200 " ]
