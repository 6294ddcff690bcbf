#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, never the system's own:
#   pg-test-cluster.sh start STATE   initdb into a new temporary folder, start the
#                                    server listening only on a Unix socket in that
#                                    folder, and write its connection string to STATE
#   pg-test-cluster.sh stop STATE    stop that server and remove its folder
# As root (CI), the server runs as the unprivileged "postgres" account, since
# initdb refuses root. A cluster left behind by an interrupted run is stopped and
# removed by the next start.
set -euo pipefail

command=${1:?start or stop}
state=${2:?the state file}

bindir=${TOLM_PG_BINDIR:-}
if [[ -z $bindir ]]; then
  for candidate in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    if [[ -x $candidate/initdb ]]; then bindir=$candidate; break; fi
  done
fi

as_server=()
if [[ $(id -u) -eq 0 ]]; then as_server=(runuser -u postgres --); fi

stop() {
  [[ -f $state ]] || return 0
  local folder
  folder=$(sed -n 's/^# folder //p' "$state")
  if [[ -n $folder && -d $folder ]]; then
    if [[ -n $bindir && -f $folder/data/postmaster.pid ]]; then
      "${as_server[@]}" "$bindir/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$folder"
  fi
  rm -f "$state"
}

case $command in
  stop)
    stop
    ;;
  start)
    stop
    if [[ -z $bindir ]]; then
      echo "PostgreSQL cannot start: no initdb under /usr/lib/postgresql/*/bin (run scripts/install-deps.sh)" >&2
      exit 1
    fi
    if [[ ${#as_server[@]} -gt 0 ]] && ! id postgres >/dev/null 2>&1; then
      echo "PostgreSQL cannot start: running as root and there is no unprivileged postgres account" >&2
      exit 1
    fi
    folder=$(mktemp -d /tmp/tolm-pg.XXXXXX)
    mkdir -p "$(dirname "$state")"
    printf '# folder %s\n' "$folder" >"$state"
    if [[ ${#as_server[@]} -gt 0 ]]; then chown postgres: "$folder"; fi
    chmod 700 "$folder"
    if ! "${as_server[@]}" "$bindir/initdb" -D "$folder/data" -U tolm --auth=trust -E UTF8 --locale=C.UTF-8 \
        --no-sync >"$folder/initdb.log" 2>&1; then
      echo "PostgreSQL cannot start: initdb failed:" >&2
      cat "$folder/initdb.log" >&2
      stop
      exit 1
    fi
    # One role of the tests proves itself with a password, as on a real server.
    sed -i '1i local all srv_pat scram-sha-256' "$folder/data/pg_hba.conf"
    # Durability is of no use to a cluster that is thrown away.
    options="-c listen_addresses='' -c unix_socket_directories='$folder' -c fsync=off"
    options+=" -c synchronous_commit=off -c full_page_writes=off -c max_connections=200"
    if ! "${as_server[@]}" "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 -o "$options" \
        start >/dev/null; then
      echo "PostgreSQL cannot start: the server did not come up:" >&2
      cat "$folder/server.log" >&2 || true
      stop
      exit 1
    fi
    # The tests log in as the cluster's superuser by default (PGUSER=tolm, as a
    # person's own account would), so a location names no role unless a test does.
    printf 'host=%s\n' "$folder" >>"$state"
    echo "PostgreSQL test cluster listening in $folder"
    ;;
  *)
    echo "usage: $0 start|stop STATE" >&2
    exit 2
    ;;
esac
