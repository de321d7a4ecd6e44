#!/usr/bin/env bash
# Builds the Debian packages (debian/) from a copy of the source tree in OUTPUT_DIR, so that
# debhelper's build folder and its clean-up never meet the developers' own build folders; the
# .deb files, the .changes and the .buildinfo are left in OUTPUT_DIR.
# Usage: build-deb.sh OUTPUT_DIR [JOBS]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
out=$1
jobs=${2:-$(nproc)}
version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
tree="$out/zav-remote-$version"

mkdir -p "$out"
out=$(cd "$out" && pwd)
tree="$out/zav-remote-$version"
# What an earlier run left, and only that.
rm -rf "$out"/zav-remote-*/ "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo
mkdir -p "$tree"

# The files of the working tree as git sees them (edits not yet committed included, ignored
# files left out); without git, everything but the build folders.
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$src" ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do
            [ -e "$src/$f" ] && printf '%s\0' "$f"
        done |
        tar -C "$src" --null -T - -cf - | tar -C "$tree" -xf -
else
    tar -C "$src" --exclude=./build --exclude='./build-*' --exclude='./obj-*' \
        --exclude=./.cache -cf - . | tar -C "$tree" -xf -
fi

# A ccache of the caller's survives debhelper's temporary HOME.
if [ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && [ -z "${CCACHE_DIR:-}" ] && command -v ccache >/dev/null; then
    if CCACHE_DIR=$(ccache -k cache_dir 2>/dev/null) && [ -n "$CCACHE_DIR" ]; then
        export CCACHE_DIR
    fi
fi

(cd "$tree" && dpkg-buildpackage -b -us -uc -j"$jobs")
rm -rf "$tree"

echo
echo "Debian packages in $out:"
ls -1 "$out"/*.deb
