#!/usr/bin/env bash
# Builds the Debian package from a lean build (no tests, no sanitizers) and checks it: the file
# list, the control fields, the udev rule, the maintainer scripts, the desktop entry and AppStream
# validators and lintian. Usage: tools/package.sh [build folder] (default: build-package).
# Exits non-zero on the first failed check.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-package}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORLEX_BUILD_TESTS=OFF > /dev/null
rm -f "$build"/korlex-tool_*.deb
cmake --build "$build" -j "$(nproc)" --target package > "$build/package.log" 2>&1 \
    || { tail -40 "$build/package.log"; exit 1; }
debs=("$build"/korlex-tool_*.deb)
deb="${debs[0]}"
echo "package: $deb"

fail() {
    echo "package check FAILED: $*" >&2
    exit 1
}

version="$(sed -n 's/^project(korlex-tool VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korlex-tool ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version $(field Version), project $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
for dep in libc6 libqt5widgets5 libqt5gui5 libqt5core5a libhidapi-hidraw0 libudev1; do
    field Depends | grep -q "\b$dep\b" || fail "Depends lacks $dep: $(field Depends)"
done
[ "$(field Depends | grep -c asan)" = 0 ] || fail "a sanitized build was packaged"
[ "$(field Description | wc -l)" -ge 5 ] || fail "no long description"
for f in Maintainer Section Priority Homepage; do
    [ -n "$(field $f)" ] || fail "no $f field"
done

contents="$(mktemp -d)"
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents/root"
dpkg-deb -e "$deb" "$contents/control"
(cd "$contents/root" && find . -type f | sed 's/^\.//' | sort) > "$contents/files"
expected=(
    /usr/bin/korlex-tool
    /lib/udev/rules.d/70-korlex-tool.rules
    /usr/share/applications/org.korlex.KorlexTool.desktop
    /usr/share/metainfo/org.korlex.KorlexTool.metainfo.xml
    /usr/share/icons/hicolor/256x256/apps/org.korlex.KorlexTool.png
    /usr/share/man/man1/korlex-tool.1.gz
    /usr/share/doc/korlex-tool/copyright
    /usr/share/doc/korlex-tool/changelog.gz
    /usr/share/korlex-tool/guide/en/index.html
    /usr/share/korlex-tool/guide/zh_CN/index.html
)
# The artwork generator draws either the 256 px icon alone or the whole hicolor set.
if grep -q '/hicolor/16x16/' "$contents/files"; then
    for size in 16 24 32 48 64 128 256 512; do
        expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/org.korlex.KorlexTool.png")
    done
fi
if grep -qx /usr/bin/korlex-cli "$contents/files"; then
    # The command line: its page, the virtual bus server to try several devices with, and the
    # completions of the three shells, each where its shell looks.
    expected+=(/usr/share/man/man1/korlex-cli.1.gz
               /usr/bin/korlex-virtualbus
               /usr/share/man/man1/korlex-virtualbus.1.gz
               /usr/share/bash-completion/completions/korlex-cli
               /usr/share/zsh/vendor-completions/_korlex-cli
               /usr/share/fish/vendor_completions.d/korlex-cli.fish)
    field Description | grep -q korlex-cli || fail "the description does not name korlex-cli"
    bash -n "$contents/root/usr/share/bash-completion/completions/korlex-cli" \
        || fail "the bash completion does not parse"
fi
for file in "${expected[@]}"; do
    grep -qx "$file" "$contents/files" || fail "missing $file"
done
! grep -q '^/usr/local/' "$contents/files" || fail "files under /usr/local"
# Every picture the guide shows is in the package.
for page in "$contents"/root/usr/share/korlex-tool/guide/*/index.html; do
    for image in $(grep -o 'src="[^"]*"' "$page" | sed 's/src="\(.*\)"/\1/'); do
        [ -f "$(dirname "$page")/$image" ] || fail "$page shows $image, which is not installed"
    done
done

rule="$contents/root/lib/udev/rules.d/70-korlex-tool.rules"
for part in 'SUBSYSTEM=="hidraw"' 'ATTRS{idVendor}=="0483"' 'ATTRS{idProduct}=="5750"' \
    'TAG+="uaccess"'; do
    grep -v '^#' "$rule" | grep -qF "$part" || fail "the udev rule lacks $part"
done
for script in postinst postrm; do
    [ -x "$contents/control/$script" ] || fail "$script missing or not executable"
    sh -n "$contents/control/$script" || fail "$script does not parse"
    grep -q 'udevadm trigger --subsystem-match=hidraw' "$contents/control/$script" \
        || fail "$script does not trigger hidraw"
done

desktop="$contents/root/usr/share/applications/org.korlex.KorlexTool.desktop"
out="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'Exec=korlex-tool --data-folder' "$desktop" || fail "the desktop entry's Exec line"
echo "desktop-file-validate: no hint"
metainfo="$contents/root/usr/share/metainfo/org.korlex.KorlexTool.metainfo.xml"
appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli validate"
grep -qF '<modalias>usb:v0483p5750d*</modalias>' "$metainfo" || fail "no modalias"

# The README lists the lintian tags that are accepted, with their reasons; none so far.
lintian --fail-on error,warning --display-info "$deb" || fail "lintian"
echo "lintian: no error, no warning"
echo "package checks passed"
