#!/usr/bin/env bash
# Installs the build in BUILD_DIR into a temporary prefix and runs what was installed:
# `velora --version`, then `velora list` on the demo store, with the settings, data, cache and
# runtime folders all temporary (nothing of the user's is read or written). Fails when either
# command fails, prints nothing, or the window program is not where velora looks for it.
# Usage: scripts/install_smoke.sh BUILD_DIR (a ctest of every build with tests).
set -euo pipefail
build=${1:?usage: install_smoke.sh BUILD_DIR}
work=$(mktemp -d "${TMPDIR:-/tmp}/velora-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

timeout 120 cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkdir -p "$work/config" "$work/data" "$work/cache" "$work/home"
mkdir -m 700 "$work/runtime"
export VELORA_HOME=$work/config XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
unset MAILDIR

fail() {
    echo "install smoke test: $*" >&2
    exit 1
}
[ -x "$work/prefix/libexec/velora/velora-window" ] || fail "no libexec/velora/velora-window"
version=$(timeout 30 "$work/prefix/bin/velora" --version) || fail "velora --version failed"
[ -n "$version" ] || fail "velora --version printed nothing"
timeout 60 "$work/prefix/bin/velora" list >"$work/list.txt" || fail "velora list failed"
[ -s "$work/list.txt" ] || fail "velora list printed nothing"
[ -d "$work/data/velora/demo" ] || fail "the demo store was not made in XDG_DATA_HOME"
echo "installed $version lists $(wc -l <"$work/list.txt") lines of the demo store"
