#!/usr/bin/env bash
# Takes the screenshots that the README, the AppStream metadata and the user guide show: the
# program runs under its own Xvfb against the virtual device, in English and in Chinese, and a
# test-only hook (KORLEX_SCREENSHOT_STEP, see app/screenshotdriver.h) puts the window into each
# state.
#
# Usage: tools/screenshots.sh [--program PATH] [--output DIR]
#   --program  the korlex-tool to run (default: build-package/app/korlex-tool)
#   --output   where the PNG files go (default: docs/guide/images)
# Fails when the window does not appear or a screenshot is blank. Needs xvfb, xauth, xdotool,
# imagemagick and fonts-wqy-microhei (tools/packages.txt).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="$root/build-package/app/korlex-tool"
output="$root/docs/guide/images"
while [ "$#" -gt 0 ]; do
    case "$1" in
    --program) program="$(realpath "$2")"; shift 2 ;;
    --output) output="$(realpath -m "$2")"; shift 2 ;;
    *) echo "usage: $0 [--program PATH] [--output DIR]" >&2; exit 1 ;;
    esac
done
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 1; }

# A screen of its own, so that a desktop the script may run on is never photographed.
if [ -z "${KORLEX_SCREENSHOT_XVFB:-}" ]; then
    export KORLEX_SCREENSHOT_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" \
        bash "$0" --program "$program" --output "$output"
fi

mkdir -p "$output"
work="$(mktemp -d /tmp/korlex.XXXXXX)"
pid=""
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2> /dev/null || true
        wait "$pid" 2> /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "screenshots FAILED: $*" >&2
    exit 1
}

# Upgrade files for the virtual device 0x1005: 256 KiB of image (still being sent when the
# upgrade is photographed) and 16 KiB (done quickly), each followed by the target id.
upgradeFile="$work/firmware.swdf"
head -c 262144 /dev/urandom > "$upgradeFile"
printf '\x10\x05' >> "$upgradeFile"
smallUpgradeFile="$work/small.swdf"
head -c 16384 /dev/urandom > "$smallUpgradeFile"
printf '\x10\x05' >> "$smallUpgradeFile"

# shot <file name> <language: en or zh_CN> <step> <seconds to wait after the window appears>
#      [<virtual device setting>]
shot() {
    local name="$1" language="$2" step="$3" settle="$4" virtual="${5:-1,delay=1}"
    local home="$work/$language"
    mkdir -p "$home/.config/lgInfo"
    # The stored interface language: 0 English, 1 Simplified Chinese.
    printf '[General]\nflag=85\nlg=%s\n' "$([ "$language" = en ] && echo 0 || echo 1)" \
        > "$home/.config/lgInfo/lg.conf"
    (
        cd "$home"
        export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
        export LANG=C.UTF-8 KORLEX_VIRTUAL_DEVICE="$virtual" KORLEX_SCREENSHOT_STEP="$step"
        exec "$program" --data-folder
    ) > "$work/$name.log" 2>&1 &
    pid=$!

    local window
    window="$(timeout 20 xdotool search --sync --onlyvisible --class korlex-tool | head -n 1)" \
        || fail "$name: the window did not appear ($(cat "$work/$name.log"))"
    sleep "$settle"
    kill -0 "$pid" 2> /dev/null || fail "$name: the program ended ($(cat "$work/$name.log"))"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The whole screen cut to the main window, so that dialogs over it are in the picture.
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/$name.png"
    kill "$pid"
    wait "$pid" 2> /dev/null || true
    pid=""

    # A blank or nearly blank picture means the window drew nothing.
    local colours
    colours="$(identify -format '%k' "$work/$name.png")"
    [ "$colours" -ge 64 ] || fail "$name: blank screenshot ($colours colours)"
    convert "$work/$name.png" -strip -dither None -colors 96 "PNG8:$output/$name.png"
    echo "$output/$name.png: ${WIDTH}x${HEIGHT}, $colours colours, $(stat -c %s "$output/$name.png") bytes"
}

for language in en zh_CN; do
    shot "device-$language" "$language" device 1
    shot "upgrade-$language" "$language" "upgrade=$upgradeFile" 5
    shot "pictures-$language" "$language" pictures 1
    shot "editor-$language" "$language" editor 1
    shot "curves-$language" "$language" curves 1
    # A customised device whose new firmware starts with its factory settings: the window
    # offers to restore the backup it made before the upgrade.
    shot "restore-$language" "$language" "restore=$smallUpgradeFile" 12 "1,delay=1,factory"
done
