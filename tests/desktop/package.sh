#!/usr/bin/env bash
# The Debian package: cpack makes quorvelin_VERSION_ARCH.deb from the build,
# and lintian must find nothing worse than notes in it.
#
# Usage: package.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" ||
    { cat "$work/cpack.log" >&2; exit 1; }
package=$work/quorvelin_$2_$(dpkg --print-architecture).deb
if [[ ! -f $package ]]; then
    echo "package: FAIL: cpack made $(cd "$work" && echo *.deb), not $(basename "$package")" >&2
    exit 1
fi
lintian --fail-on error,warning --info "$package"
# The sync timer where systemd looks for the units of every user.
contents=$(dpkg-deb --contents "$package")
for unit in quorvelin-sync.service quorvelin-sync.timer; do
    grep -q " \./usr/lib/systemd/user/$unit\$" <<<"$contents" ||
        { echo "package: FAIL: no /usr/lib/systemd/user/$unit in the package" >&2; exit 1; }
done
echo "package: $(basename "$package") passes lintian"
