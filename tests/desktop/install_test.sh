#!/usr/bin/env bash
# Installs the program into a temporary HOME from the build folder given as
# $1, validates the desktop entry with its action and the metainfo, checks that
# an upgrade keeps the user's configuration and that kvapomer-import is found
# on the user's usual PATH, starts the installed program from its menu entry
# under Xvfb and openbox, sees its window and the settings window tied to it,
# closes it through the window manager and the exit question, uninstalls and
# checks what is left. Exits 77 (skipped) only when a tool it needs is missing.
set -uo pipefail

build=$(realpath "${1:?usage: install_test.sh BUILD_DIR}")
source_dir=$(realpath "$(dirname "$0")/../..")
app_id=cz.orv.Kvapomer

for tool in Xvfb openbox xdotool wmctrl xprop xwininfo desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/deps installs it)"
        exit 77
    fi
done
[ -x "$build/kvapomer" ] && [ -x "$build/kvapomer-import" ] || { echo "FAIL: $build has not built both programs"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kvapomer-install.XXXXXX")
xvfb_pid= wm_pid= app_pid=
cleanup() {
    local pid
    for pid in $app_pid $wm_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
check() { # description, command...
    local what=$1
    shift
    "$@" || fail "$what"
    echo "ok: $what"
}

export HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CACHE_HOME="$work/cache"
unset XDG_DATA_HOME XDG_CONFIG_HOME QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
prog_dir="$HOME/.local/opt/kvapomer"
entry="$HOME/.local/share/applications/$app_id.desktop"
autostart="$HOME/.config/autostart/$app_id.desktop"
icon="$HOME/.local/share/icons/hicolor/scalable/apps/$app_id.svg"
metainfo="$HOME/.local/share/metainfo/$app_id.metainfo.xml"
command_link="$HOME/.local/bin/kvapomer-import"

install_program() {
    KVAPOMER_BUILD_DIR="$build" timeout 60 "$source_dir/scripts/install" "$@" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log"; fail "scripts/install $*"; }
}

# Install, with autostart.
install_program --autostart
check "program folder holds both programs, the sound and the sample file" \
    test -x "$prog_dir/kvapomer" -a -x "$prog_dir/kvapomer-import" -a -f "$prog_dir/alarm.wav" -a -f "$prog_dir/kvapomern.ini"
check "sample configuration installed as it is" cmp -s "$source_dir/resources/kvapomern.ini" "$prog_dir/kvapomern.ini"
check "menu entry valid" desktop-file-validate "$entry"
check "autostart entry valid" desktop-file-validate "$autostart"
check "autostart entry is the menu entry" cmp -s "$entry" "$autostart"
check "icon installed" test -s "$icon"
check "metainfo valid" appstreamcli validate --no-net "$metainfo"
check "menu entry starts the installed executable" grep -qxF "Exec=$prog_dir/kvapomer" "$entry"
action_exec=$(sed -n '/^\[Desktop Action import\]$/,/^\[/s/^Exec=//p' "$entry")
check "menu entry's action opens the import window ($action_exec)" \
    test "$action_exec" = "$prog_dir/kvapomer-import --window"
check "the action is named in Czech" grep -qxF "Name[cs]=Načíst linku z jízdního řádu" "$entry"

# An upgrade keeps the user's file byte for byte.
sed -i 's/^Bus=150\r$/Bus=136\r/' "$prog_dir/kvapomern.ini"
check "configuration changed for the upgrade test" grep -q '^Bus=136' "$prog_dir/kvapomern.ini"
cp "$prog_dir/kvapomern.ini" "$work/users.ini"
install_program
check "upgrade keeps the user's configuration" cmp -s "$work/users.ini" "$prog_dir/kvapomern.ini"

# kvapomer-import on the PATH that a login gives the user: Debian's ~/.profile
# adds ~/.local/bin when it exists.
if [ -f /etc/skel/.profile ]; then
    found=$(env -i HOME="$HOME" PATH=/usr/local/bin:/usr/bin:/bin \
        bash -c '. /etc/skel/.profile >/dev/null 2>&1; command -v kvapomer-import')
else
    found=$(PATH="$HOME/.local/bin:/usr/bin:/bin" command -v kvapomer-import)
fi
check "kvapomer-import is on the user's PATH ($found)" test "$found" = "$command_link"
check "it is the installed one" test "$(readlink -f "$found")" = "$prog_dir/kvapomer-import"
ASAN_OPTIONS=detect_leaks=0 "$found" "$source_dir/tests/data/gtfs/city" SPO 150 --date 2026-12-12 \
    >"$work/import.log" 2>&1 || { cat "$work/import.log"; fail "kvapomer-import from the PATH"; }
check "the command from the PATH writes the installed program's file" \
    grep -qz $'\nt0=01:10\r\nt1=08:30\r\nNumberOfTimes=2\r\n' "$prog_dir/kvapomern.ini"

# A display with a window manager.
exec {display_fd}<> <(:)
Xvfb ${KVAPOMER_TEST_DISPLAY:+":$KVAPOMER_TEST_DISPLAY"} -displayfd "$display_fd" -screen 0 1280x800x24 \
    -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 -u "$display_fd" display_number || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$display_number"
XDG_CONFIG_HOME="$work/wm" XDG_CACHE_HOME="$work/wm" openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.2
done

# Start it the way the menu does: the entry's Exec line.
exec_line=$(sed -n 's/^Exec=//p' "$entry")
ASAN_OPTIONS=detect_leaks=0 $exec_line >"$work/program.log" 2>&1 &
app_pid=$!
main_window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orv Kvapomer  ver\.' | head -1)
[ -n "$main_window" ] || { cat "$work/program.log"; fail "main window did not appear"; }
echo "ok: main window appeared"
sleep 0.5 # the window places itself again once its frame is known
wm_class=$(xprop -id "$main_window" WM_CLASS)
startup_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
check "window class matches the entry's StartupWMClass ($wm_class)" \
    grep -q "\"$startup_class\"\$" <<<"$wm_class"

# "Nastavení" opens the settings window as a transient of the main window.
# Minimised anyway, it comes back: openbox minimises and restores a window
# together with its transients, so restoring the main window brings it back;
# under a window manager that minimises it alone, "Nastavení" does.
click_settings() { xdotool mousemove --window "$main_window" 270 100 click 1; }
viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
wait_for() { # condition...
    local _
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
click_settings
settings=$(timeout 10 xdotool search --sync --onlyvisible --name '^Časy příjezdů autobusů \(nastavení\)$' | head -1)
[ -n "$settings" ] || fail "settings window did not appear"
transient_for=$(xprop -id "$settings" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p')
check "settings window is transient for the main window" test "$((transient_for))" -eq "$main_window"
xdotool windowminimize "$settings"
check "settings window minimised" wait_for eval '! viewable "$settings"'
if viewable "$main_window"; then
    click_settings
else
    xdotool windowactivate "$main_window"
    check "main window restored" wait_for viewable "$main_window"
fi
check "the minimised settings window is back" wait_for viewable "$settings"

# Close the main window through the window manager's close request addressed
# to it (whichever window has the focus); the exit question is found by its
# title and answered with OK.
wmctrl -i -c "$main_window" || fail "wmctrl could not ask to close the main window"
question=$(timeout 10 xdotool search --sync --onlyvisible --all --pid "$app_pid" --name '^Orv Kvapomer$' | head -1)
[ -n "$question" ] || fail "exit question did not appear"
xdotool windowactivate --sync "$question" key --clearmodifiers Return
for _ in $(seq 200); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "program did not end after the exit question"
wait "$app_pid"
status=$?
app_pid=
check "program ended normally (status $status)" test "$status" -eq 0
check "exit stored the view in the user's file" grep -q '^Stav=0' "$prog_dir/kvapomern.ini"

left_files() { (cd "$HOME" && find . -type f | sort); }

# Uninstall keeps the user's file, and only that.
timeout 30 "$source_dir/scripts/uninstall" || fail "scripts/uninstall"
check "uninstall leaves only the user's file ($(left_files | tr '\n' ' '))" \
    test "$(left_files)" = "./.local/opt/kvapomer/kvapomern.ini"
check "the user's file is as the program left it" grep -q '^Bus=136' "$prog_dir/kvapomern.ini"
check "the command's link is gone" test ! -L "$command_link"

# A link of the user's own at the command's place is never replaced or removed.
ln -s /bin/true "$command_link"

# A new install uses that file; --purge removes it too.
install_program
check "reinstall keeps the user's file" grep -q '^Bus=136' "$prog_dir/kvapomern.ini"
timeout 30 "$source_dir/scripts/uninstall" --purge || fail "scripts/uninstall --purge"
check "the user's own link stays" test "$(readlink "$command_link")" = /bin/true
rm -- "$command_link"
check "uninstall --purge leaves nothing ($(left_files | tr '\n' ' '))" test -z "$(left_files)"
check "program folder removed" test ! -e "$prog_dir"
echo "PASS"
