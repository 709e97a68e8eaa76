# Sourced by scripts/demo: the demo server, and an environment in which the launcher talks only
# to it and writes nothing outside a given folder.

# demo_start_server BUILD_DIR WORK_DIR GAME_DIR [demo_server options...]
# Starts BUILD_DIR/tools/demo/demo_server serving GAME_DIR as the configuration's "path", with its
# record, ports file and output in WORK_DIR, and waits until it listens. Exports DEMO_SERVER_PID,
# DEMO_PORT (game server), DEMO_LOGIN_PORT (login host), DEMO_RECORD and DEMO_SERVER_LOG.
demo_start_server() {
  local build=$1 work=$2 game=$3
  shift 3
  local server=$build/tools/demo/demo_server
  if [ ! -x "$server" ]; then
    echo "demo: $server is missing; build the project first" >&2
    return 1
  fi
  mkdir -p "$work"
  DEMO_RECORD=$work/record.jsonl
  DEMO_SERVER_LOG=$work/server.log
  rm -f "$work/ports" "$DEMO_RECORD"
  "$server" --game-dir "$game" --record "$DEMO_RECORD" --ports-file "$work/ports" "$@" \
    >"$DEMO_SERVER_LOG" 2>&1 &
  DEMO_SERVER_PID=$!
  local _
  for _ in $(seq 1 300); do
    if [ -s "$work/ports" ]; then
      . "$work/ports"
      export DEMO_SERVER_PID DEMO_PORT DEMO_LOGIN_PORT DEMO_RECORD DEMO_SERVER_LOG
      return 0
    fi
    if ! kill -0 "$DEMO_SERVER_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "demo: the demo server did not start:" >&2
  cat "$DEMO_SERVER_LOG" >&2
  demo_stop_server
  return 1
}

demo_stop_server() {
  if [ -n "${DEMO_SERVER_PID:-}" ]; then
    kill "$DEMO_SERVER_PID" 2>/dev/null || true
    wait "$DEMO_SERVER_PID" 2>/dev/null || true
    DEMO_SERVER_PID=
  fi
}

# demo_launcher_env ROOT
# Points the launcher's three endpoints at the running demo server and keeps its home,
# configuration, caches, registry and desktop folder under ROOT. The desktop folder exists, as on
# a player's machine, so that the launcher saves its shortcut there. The X authority of the user's
# display is kept, since it is found through HOME.
demo_launcher_env() {
  local root=$1
  if [ -z "${XAUTHORITY:-}" ] && [ -n "${HOME:-}" ] && [ -f "$HOME/.Xauthority" ]; then
    export XAUTHORITY=$HOME/.Xauthority
  fi
  export HOME=$root/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
  export CVL_REGISTRY_DIR=$root/registry
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$CVL_REGISTRY_DIR" "$HOME/Desktop"
  local game=http://127.0.0.1:$DEMO_PORT
  export CVL_STRING_148="http://127.0.0.1:$DEMO_LOGIN_PORT/oauth2/5670?redirectUri=$game/user/kvWebLogin"
  export CVL_STRING_154="$game/log/log"
  export CVL_STRING_155="$game/package/brindle/PCDownloadCfg.json"
}

# demo_has_event TYPE: true once the server has received a report of TYPE.
demo_has_event() {
  grep -q "^{\"kind\":\"event\",.*\"type\":\"$1\"" "$DEMO_RECORD" 2>/dev/null
}

# demo_wait_for SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds; false on time-out.
demo_wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# demo_login NAME: hands NAME to the login page, which calls window.external.AppLogin with it.
demo_login() {
  curl -sf -o /dev/null --data-binary "$1" "http://127.0.0.1:$DEMO_LOGIN_PORT/demo/login"
}
