# The rooms' message broker for scripts and tests: an unprivileged mosquitto from
# res/broker/mosquitto.conf.in, with its state in a folder of the caller's.
# shellcheck shell=bash

# Starts mosquitto with TCP on $2 and WebSocket on $3 (127.0.0.1), state in $1; waits until
# both ports answer. Prints its pid. Fails in one line when it cannot start.
dz_broker_start() {  # DIR TCP_PORT WS_PORT
  local dir=$1 tcp=$2 ws=$3 root i pid
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  command -v mosquitto >/dev/null || { echo "broker: mosquitto is missing; run scripts/setup" >&2; return 1; }
  mkdir -p "$dir"
  cp "$root/res/broker/acl" "$dir/acl"
  sed -e "s#@DIR@#$dir#g" -e "s#@TCP@#$tcp#g" -e "s#@WS@#$ws#g" \
    "$root/res/broker/mosquitto.conf.in" >"$dir/mosquitto.conf"
  # Started as root, mosquitto drops to its own user, which must write the state folder.
  if [ "$(id -u)" -eq 0 ] && id mosquitto >/dev/null 2>&1; then chown -R mosquitto "$dir"; fi
  mosquitto -c "$dir/mosquitto.conf" >/dev/null 2>&1 </dev/null &
  pid=$!
  for i in $(seq 50); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$tcp") 2>/dev/null && (exec 3<>"/dev/tcp/127.0.0.1/$ws") 2>/dev/null; then
      echo "$pid"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "broker: mosquitto did not start on $tcp/$ws (log: $dir/mosquitto.log)" >&2
  kill "$pid" 2>/dev/null
  return 1
}

dz_broker_stop() {  # PID
  [ -n "${1:-}" ] || return 0
  kill "$1" 2>/dev/null || return 0
  local i
  for i in $(seq 30); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$1" 2>/dev/null || true
}
