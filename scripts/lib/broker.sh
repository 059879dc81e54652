# The rooms' message broker for scripts and tests: an unprivileged mosquitto from
# res/broker/mosquitto.conf.in, or with DOZERO_BROKER=nats a nats-server from
# res/broker/nats.conf.in, with its state in a folder of the caller's.
# shellcheck shell=bash

# Starts the broker with TCP on $2 and WebSocket on $3 (127.0.0.1), state in $1; waits until
# both ports answer. Prints its pid. Fails in one line when it cannot start. Started again
# on the same folder, it finds the rooms it kept.
dz_broker_start() {  # DIR TCP_PORT WS_PORT
  local dir=$1 tcp=$2 ws=$3 kind=${DOZERO_BROKER:-mosquitto} root i pid program
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  case $kind in
    mosquitto) program=mosquitto ;;
    nats) program=nats-server ;;
    *) echo "broker: unknown DOZERO_BROKER $kind (mosquitto or nats)" >&2; return 1 ;;
  esac
  command -v $program >/dev/null || { echo "broker: $program is missing; run scripts/setup" >&2; return 1; }
  mkdir -p "$dir"
  sed -e "s#@DIR@#$dir#g" -e "s#@TCP@#$tcp#g" -e "s#@WS@#$ws#g" \
    "$root/res/broker/$kind.conf.in" >"$dir/$kind.conf"
  if [ "$kind" = mosquitto ]; then
    cp "$root/res/broker/acl" "$dir/acl"
    # Started as root, mosquitto drops to its own user, which must write the state folder.
    if [ "$(id -u)" -eq 0 ] && id mosquitto >/dev/null 2>&1; then chown -R mosquitto "$dir"; fi
  fi
  $program -c "$dir/$kind.conf" >/dev/null 2>&1 </dev/null &
  pid=$!
  for i in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$tcp") 2>/dev/null && (exec 3<>"/dev/tcp/127.0.0.1/$ws") 2>/dev/null; then
      echo "$pid"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "broker: $program did not start on $tcp/$ws (log: $dir/$kind.log)" >&2
  kill "$pid" 2>/dev/null
  return 1
}

# The address of the broker's WebSocket listener for pages.
dz_broker_ws_url() {  # WS_PORT
  if [ "${DOZERO_BROKER:-mosquitto}" = nats ]; then
    echo "ws://127.0.0.1:$1/mqtt"
  else
    echo "ws://127.0.0.1:$1"
  fi
}

dz_broker_stop() {  # PID
  [ -n "${1:-}" ] || return 0
  kill "$1" 2>/dev/null || return 0
  local i
  for i in $(seq 30); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$1" 2>/dev/null || true
}
