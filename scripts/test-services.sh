# Sourced by scripts/test: a system D-Bus and an avahi-daemon restricted to loopback, for the
# DNS-SD integration tests. Both are started only when running as root (CI and the dev machines);
# otherwise the tests that need them skip themselves.
QUAVEL_SERVICES_DIR=""
QUAVEL_DBUS_PID=""
QUAVEL_AVAHI_PID=""

start_test_services() {
    if [ "$(id -u)" -ne 0 ] || ! command -v avahi-daemon >/dev/null || ! command -v dbus-daemon >/dev/null; then
        return 0
    fi
    if [ -S /run/avahi-daemon/socket ] && avahi-browse --version >/dev/null 2>&1; then
        :
    fi
    QUAVEL_SERVICES_DIR="$(mktemp -d)"
    mkdir -p /run/dbus
    if [ ! -S /run/dbus/system_bus_socket ] || ! dbus-send --system --dest=org.freedesktop.DBus --print-reply \
            /org/freedesktop/DBus org.freedesktop.DBus.GetId >/dev/null 2>&1; then
        rm -f /run/dbus/pid /run/dbus/system_bus_socket
        QUAVEL_DBUS_PID="$(dbus-daemon --system --fork --print-pid)"
    fi
    cat > "$QUAVEL_SERVICES_DIR/avahi.conf" <<CONF
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
    if ! pgrep -x avahi-daemon >/dev/null; then
        rm -f /run/avahi-daemon/pid
        avahi-daemon -f "$QUAVEL_SERVICES_DIR/avahi.conf" --no-drop-root --no-rlimits --no-chroot \
            >"$QUAVEL_SERVICES_DIR/avahi.log" 2>&1 &
        QUAVEL_AVAHI_PID=$!
        # Wait until the daemon answers on the bus.
        for _ in $(seq 1 50); do
            if dbus-send --system --dest=org.freedesktop.Avahi --print-reply / \
                    org.freedesktop.Avahi.Server.GetState >/dev/null 2>&1; then
                break
            fi
            sleep 0.1
        done
    fi
    export QUAVEL_TEST_AVAHI=1
}

stop_test_services() {
    if [ -n "$QUAVEL_AVAHI_PID" ]; then
        kill "$QUAVEL_AVAHI_PID" 2>/dev/null || true
        wait "$QUAVEL_AVAHI_PID" 2>/dev/null || true
        rm -f /run/avahi-daemon/pid
    fi
    if [ -n "$QUAVEL_DBUS_PID" ]; then
        kill "$QUAVEL_DBUS_PID" 2>/dev/null || true
        rm -f /run/dbus/pid
    fi
    [ -n "$QUAVEL_SERVICES_DIR" ] && rm -rf "$QUAVEL_SERVICES_DIR"
    return 0
}
