# Sourced: a throwaway PostgreSQL cluster on 127.0.0.1 for the tests. pg_test_server_start
# exports KOREQ_PG_TEST (a libpq connection string); pg_test_server_stop removes it all.
# initdb refuses root, so as root the cluster belongs to the postgres user.

pg_test_server_start() {
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "pg-test-server: no PostgreSQL server installed (scripts/install-deps.sh installs it)" >&2
    return 1
  fi
  PG_TEST_DIR=$(mktemp -d /tmp/koreq-pg.XXXXXX)
  chmod 755 "$PG_TEST_DIR"
  local as=()
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres:postgres "$PG_TEST_DIR"
    as=(runuser -u postgres --)
  fi
  # A port nobody listens on: other builds on the machine may run their own cluster.
  local port
  for port in $(seq 55432 55531); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || break
  done
  "${as[@]}" "$bin/initdb" -D "$PG_TEST_DIR/data" -U postgres --auth=trust -E UTF8 \
    --locale=C.UTF-8 -N >"$PG_TEST_DIR/initdb.log" 2>&1 || {
    cat "$PG_TEST_DIR/initdb.log" >&2
    return 1
  }
  # The postgres superuser (the tests' own connection) is trusted on loopback; every other
  # role signs on with its password, so the tests see the server check one.
  printf '%s\n' "local all all trust" "host all postgres 127.0.0.1/32 trust" \
    "host all all 127.0.0.1/32 scram-sha-256" | "${as[@]}" tee "$PG_TEST_DIR/data/pg_hba.conf" >/dev/null
  "${as[@]}" "$bin/pg_ctl" -D "$PG_TEST_DIR/data" -l "$PG_TEST_DIR/log" -w -t 30 \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $PG_TEST_DIR -c fsync=off -c max_connections=200" \
    start >/dev/null || {
    cat "$PG_TEST_DIR/log" >&2
    return 1
  }
  PG_TEST_BIN=$bin
  PG_TEST_AS=("${as[@]}")
  export KOREQ_PG_TEST="host=127.0.0.1 port=$port user=postgres dbname=postgres"
  echo "pg-test-server: PostgreSQL on 127.0.0.1:$port ($PG_TEST_DIR)"
}

pg_test_server_stop() {
  [ -n "${PG_TEST_DIR:-}" ] || return 0
  "${PG_TEST_AS[@]}" "$PG_TEST_BIN/pg_ctl" -D "$PG_TEST_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$PG_TEST_DIR"
  PG_TEST_DIR=
}
