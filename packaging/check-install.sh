#!/usr/bin/env bash
# Installs a build into a temporary DESTDIR and checks it as a desktop would use it: the files in
# their places, icons of the right sizes, the programs answering --version without a display,
# and the menu entry, the metainfo and the manual pages passing their checkers (each checker
# only when it is installed: desktop-file-utils, appstream, man-db).
# Usage: check-install.sh CMAKE BUILD_DIR
set -uo pipefail
cmake=$1
build=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

if ! DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr >"$stage.log" 2>&1; then
    cat "$stage.log"
    rm -f "$stage.log"
    echo "FAIL: cmake --install"
    exit 1
fi
rm -f "$stage.log"
usr="$stage/usr"

for f in bin/zav-remote bin/zav-manager-sim share/applications/zav-remote.desktop \
    share/metainfo/io.github.zavremote.zavremote.metainfo.xml share/icons/hicolor/scalable/apps/zav-remote.svg; do
    [ -f "$usr/$f" ] || fail "missing /usr/$f"
done
for page in zav-remote zav-manager-sim; do
    ls "$usr/share/man/man1/$page.1"* >/dev/null 2>&1 || fail "missing manual page $page.1"
done

# PNG width and height are the big-endian words at bytes 16 and 20.
for size in 16 22 24 32 48 64 128 256; do
    png="$usr/share/icons/hicolor/${size}x${size}/apps/zav-remote.png"
    if [ ! -f "$png" ]; then
        fail "missing ${size}x${size} icon"
        continue
    fi
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    w=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
    h=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "${size}x${size} icon is ${w}x${h}"
done

# Neither program needs a display to answer.
for program in zav-remote zav-manager-sim; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/$program" --version 2>&1)
    [ $? -eq 0 ] && [[ "$out" == *1.0* ]] || fail "$program --version: $out"
done

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$usr/share/applications/zav-remote.desktop" || fail "desktop-file-validate"
else
    echo "desktop-file-validate not installed: menu entry not validated"
fi
if command -v appstreamcli >/dev/null; then
    # The file alone, then the whole tree: the file's name, the menu entry it launches.
    { appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml &&
        appstreamcli validate-tree --no-net "$stage"; } >"$stage/as" 2>&1 ||
        { cat "$stage/as"; fail "appstreamcli validate"; }
else
    echo "appstreamcli not installed: metainfo not validated"
fi
if command -v man >/dev/null; then
    for page in "$usr"/share/man/man1/*; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    done
fi

[ $failed -eq 0 ] && echo "install into DESTDIR: all checks passed"
exit $failed
