#!/usr/bin/env bash
# Checks that the Debian packaging still fits the project, without building a package:
# - the changelog's version is the project's version (the programs' --version);
# - the licence is in place and named alike in LICENSE, debian/copyright and the metainfo;
# - `make package` installs every Build-Depends (they are among the Makefile's packages);
# - every file that `cmake --install` puts in place goes into one of the binary packages
#   (debian/*.install, or the shell completions that debian/rules hands to the client);
# - with -DBUILD_TESTING=OFF, as the package builds, no test, no benchmark and no QtTest.
# Usage: check-debian-sources.sh SOURCE_DIR BUILD_DIR CMAKE PROJECT_VERSION
set -uo pipefail
src=$1
build=$2
cmake=$3
version=$4
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

changelog_version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' "$src/debian/changelog" 2>/dev/null)
[ "$changelog_version" = "$version" ] ||
    fail "debian/changelog is at '$changelog_version', the project at '$version'"

if ! grep -q 'GNU GENERAL PUBLIC LICENSE' "$src/LICENSE" 2>/dev/null ||
    ! grep -q 'Version 3, 29 June 2007' "$src/LICENSE"; then
    fail "LICENSE is not the GPL version 3"
fi
grep -q '^License: GPL-3+$' "$src/debian/copyright" 2>/dev/null ||
    fail "debian/copyright does not license the files under GPL-3+"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
    "$src/packaging/zav-remote.metainfo.xml" || fail "the metainfo names no GPL-3.0-or-later"
grep -q '^# SPDX-License-Identifier: GPL-3.0-or-later$' "$src/CMakeLists.txt" ||
    fail "CMakeLists.txt has no SPDX line"

# Build-Depends, one package a line or comma-separated, without versions and alternatives.
# shellcheck disable=SC2016 # the Makefile's variables, expanded by make
wanted=$(make -s --no-print-directory -C "$src" -f Makefile \
    --eval 'print-packages: ; @echo $(PACKAGES) $(PACKAGE_TOOLS)' print-packages 2>/dev/null)
[ -n "$wanted" ] || fail "no package list in the Makefile"
depends=$(awk '/^Build-Depends:/ { f = 1; sub(/^Build-Depends:/, "") }
                 f && /^[A-Za-z-]+:/ { f = 0 }
                 f { print }' "$src/debian/control" 2>/dev/null |
    tr ',|' '\n' | sed 's/[(<[].*//' | tr -d ' \t' | grep -v '^$')
[ -n "$depends" ] || fail "debian/control has no Build-Depends"
for dep in $depends; do
    [ "$dep" = debhelper-compat ] && dep=debhelper
    [[ " $wanted " == *" $dep "* ]] || fail "Build-Depends $dep is not installed by make package"
done

# Every installed file in a package: a line of debian/*.install names it or a folder above it.
if DESTDIR="$stage/root" "$cmake" --install "$build" --prefix /usr >"$stage/install.log" 2>&1; then
    cat "$src"/debian/*.install 2>/dev/null | sed 's:/*$::' >"$stage/lists"
    (cd "$stage/root" && find . -type f -o -type l) | sed 's:^\./::' | sort | while read -r file; do
        case $file in
        usr/share/bash-completion/* | usr/share/zsh/* | usr/share/fish/*) continue ;;
        esac
        placed=0
        while read -r pattern; do
            [ -n "$pattern" ] || continue
            # shellcheck disable=SC2053 # the lines of an .install file are patterns
            if [[ $file == $pattern || $file == $pattern/* ]]; then
                placed=1
                break
            fi
        done <"$stage/lists"
        [ $placed -eq 1 ] || echo "FAIL: /$file is installed but in no package (debian/*.install)"
    done | tee "$stage/unplaced"
    [ -s "$stage/unplaced" ] && failed=1
else
    cat "$stage/install.log"
    fail "cmake --install"
fi

# The package's configuration: the targets it would build.
if "$cmake" -S "$src" -B "$stage/notests" -DBUILD_TESTING=OFF >"$stage/configure.log" 2>&1; then
    targets=$("$cmake" --build "$stage/notests" --target help 2>/dev/null | sed -n 's/^\.\.\. //p' |
        grep -v '[./]' | grep -v '_autogen$' | grep -Ei 'tst|test|bench')
    [ -z "$targets" ] || fail "BUILD_TESTING=OFF still builds: $(tr '\n' ' ' <<<"$targets")"
    if grep -q '^Qt6Test_DIR:PATH=/' "$stage/notests/CMakeCache.txt" ||
        grep -rqs 'libQt6Test' "$stage/notests" --include=link.txt; then
        fail "BUILD_TESTING=OFF still looks for or links QtTest"
    fi
    [ ! -e "$stage/notests/CTestTestfile.cmake" ] || fail "BUILD_TESTING=OFF still registers tests"
else
    cat "$stage/configure.log"
    fail "configuring with -DBUILD_TESTING=OFF"
fi

[ $failed -eq 0 ] && echo "Debian packaging sources: all checks passed"
exit $failed
