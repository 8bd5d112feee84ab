# Sourced by scripts/test: a system D-Bus and an avahi-daemon restricted to loopback, for the
# DNS-SD integration tests. Both are started only when running as root (CI and the dev machines);
# otherwise the tests that need them skip themselves.
#
# Several test runs may share the machine (one per worktree), so the daemons are shared too: every
# run registers itself under $QUAVEL_SERVICES_STATE/users, a daemon that already answers is used as
# it is and never stopped, and the daemons a run started are stopped by the last run to leave (runs
# that died without stopping are pruned by their process id). Stopping waits for each daemon to exit
# and removes the pid files it leaves, so the next start is never blocked by a stale /run/dbus/pid.
QUAVEL_SERVICES_STATE=/run/quavel-test-services

quavel_alive() { # pid command-name
    [ -n "$1" ] && kill -0 "$1" 2>/dev/null && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]
}

quavel_bus_answers() {
    dbus-send --system --dest=org.freedesktop.DBus --print-reply /org/freedesktop/DBus \
        org.freedesktop.DBus.GetId >/dev/null 2>&1
}

quavel_avahi_answers() {
    dbus-send --system --dest=org.freedesktop.Avahi --print-reply / \
        org.freedesktop.Avahi.Server.GetState >/dev/null 2>&1
}

quavel_prune_users() {
    local user
    for user in "$QUAVEL_SERVICES_STATE"/users/*; do
        [ -e "$user" ] || continue
        kill -0 "$(basename "$user")" 2>/dev/null || rm -f "$user"
    done
}

# Stops a daemon this machinery started (recorded in <state>/<name>.pid) and waits for it to exit.
quavel_stop_daemon() { # name command-name
    local file="$QUAVEL_SERVICES_STATE/$1.pid" pid
    pid="$(cat "$file" 2>/dev/null || true)"
    if quavel_alive "$pid" "$2"; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            quavel_alive "$pid" "$2" || break
            sleep 0.1
        done
        quavel_alive "$pid" "$2" && kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$file"
}

start_test_services() {
    if [ "$(id -u)" -ne 0 ] || ! command -v avahi-daemon >/dev/null || ! command -v dbus-daemon >/dev/null \
            || ! command -v flock >/dev/null; then
        return 0
    fi
    mkdir -p "$QUAVEL_SERVICES_STATE/users"
    (
        flock 9
        quavel_prune_users
        touch "$QUAVEL_SERVICES_STATE/users/$$"

        if ! quavel_bus_answers; then
            mkdir -p /run/dbus
            # A pid file whose daemon is gone blocks dbus-daemon from starting.
            quavel_alive "$(cat /run/dbus/pid 2>/dev/null || true)" dbus-daemon || rm -f /run/dbus/pid
            rm -f /run/dbus/system_bus_socket
            dbus-daemon --system --fork --print-pid >"$QUAVEL_SERVICES_STATE/dbus.pid" 2>/dev/null 9>&- \
                || rm -f "$QUAVEL_SERVICES_STATE/dbus.pid"
        fi

        if quavel_bus_answers && ! quavel_avahi_answers && ! pgrep -x avahi-daemon >/dev/null; then
            cat >"$QUAVEL_SERVICES_STATE/avahi.conf" <<CONF
[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
[reflector]
enable-reflector=no
CONF
            rm -f /run/avahi-daemon/pid
            avahi-daemon -f "$QUAVEL_SERVICES_STATE/avahi.conf" --no-drop-root --no-rlimits --no-chroot \
                </dev/null >"$QUAVEL_SERVICES_STATE/avahi.log" 2>&1 9>&- &
            echo $! >"$QUAVEL_SERVICES_STATE/avahi.pid"
        fi
        # Wait until the daemon (ours or another run's) answers on the bus.
        for _ in $(seq 1 50); do
            quavel_avahi_answers && break
            sleep 0.1
        done
    ) 9>"$QUAVEL_SERVICES_STATE/lock"
    if quavel_avahi_answers; then
        export QUAVEL_TEST_AVAHI=1
    fi
}

stop_test_services() {
    [ -d "$QUAVEL_SERVICES_STATE/users" ] || return 0
    (
        flock 9
        rm -f "$QUAVEL_SERVICES_STATE/users/$$"
        quavel_prune_users
        if [ -z "$(ls -A "$QUAVEL_SERVICES_STATE/users")" ]; then
            local avahi dbus
            avahi="$(cat "$QUAVEL_SERVICES_STATE/avahi.pid" 2>/dev/null || true)"
            if [ -n "$avahi" ]; then
                quavel_stop_daemon avahi avahi-daemon
                if [ "$(cat /run/avahi-daemon/pid 2>/dev/null || true)" = "$avahi" ]; then
                    rm -f /run/avahi-daemon/pid
                fi
            fi
            dbus="$(cat "$QUAVEL_SERVICES_STATE/dbus.pid" 2>/dev/null || true)"
            if [ -n "$dbus" ]; then
                quavel_stop_daemon dbus dbus-daemon
                if [ "$(cat /run/dbus/pid 2>/dev/null || true)" = "$dbus" ]; then
                    rm -f /run/dbus/pid /run/dbus/system_bus_socket
                fi
            fi
        fi
    ) 9>"$QUAVEL_SERVICES_STATE/lock"
    return 0
}
