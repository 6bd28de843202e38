#!/usr/bin/env bash
# The software centre's data as installed: appstreamcli checks the metainfo
# file and that the menu entry it launches is installed beside it.
#
# Usage: metainfo.sh BUILD_DIR
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR=$work cmake --install "$1" --prefix /usr >/dev/null
appstreamcli validate-tree --no-net --explain "$work"
