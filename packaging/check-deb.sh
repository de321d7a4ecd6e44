#!/usr/bin/env bash
# Checks the Debian packages that build-deb.sh left in PACKAGE_DIR as a sponsor would: lintian
# with no error and no warning (the informational tags are shown), and hardening-check on every
# program (PIE, stack protector, fortified functions, read-only relocations, immediate binding;
# stack clash protection is reported, control-flow protection not required).
# Each check runs only when its tool is installed (lintian; devscripts for hardening-check).
# Usage: check-deb.sh PACKAGE_DIR
set -uo pipefail
dir=$1
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

shopt -s nullglob
changes=("$dir"/*.changes)
debs=()
for deb in "$dir"/*.deb; do
    [[ "$deb" == *-dbgsym_* ]] || debs+=("$deb")
done
if [ ${#changes[@]} -eq 0 ] || [ ${#debs[@]} -eq 0 ]; then
    echo "FAIL: no packages in $dir (make package builds them)"
    exit 1
fi

if command -v lintian >/dev/null; then
    # The .changes brings in every package of the build and its .buildinfo.
    lintian --fail-on error,warning --display-info "${changes[@]}" ||
        fail "lintian reports errors or warnings"
else
    echo "lintian not installed: packages not checked"
fi

if command -v hardening-check >/dev/null; then
    stage=$(mktemp -d)
    trap 'rm -rf "$stage"' EXIT
    programs=0
    for deb in "${debs[@]}"; do
        dpkg-deb -x "$deb" "$stage" || fail "cannot unpack $deb"
    done
    for program in "$stage"/usr/bin/*; do
        programs=$((programs + 1))
        # Control-flow protection marks a program only when every object linked in carries it,
        # the C library's start files included, which Debian 12's do not: not required.
        hardening-check --nocfprotection "$program" || fail "hardening-check $(basename "$program")"
    done
    [ $programs -gt 0 ] || fail "no program in the packages"
else
    echo "hardening-check (devscripts) not installed: programs not checked"
fi

[ $failed -eq 0 ] && echo "Debian packages: all checks passed"
exit $failed
