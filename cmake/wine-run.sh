#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh prefix, so that its registry
# and files start clean, and removes the prefix afterwards.
# Keep the prefix for a look afterwards with VQ_KEEP_WINEPREFIX=1.
set -u
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vq-wine.XXXXXX")
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
cleanup() {
  wineserver -k >/dev/null 2>&1
  if [ -z "${VQ_KEEP_WINEPREFIX:-}" ]; then rm -rf "$prefix"; else echo "WINEPREFIX kept: $prefix" >&2; fi
}
trap cleanup EXIT
wineboot --init >/dev/null 2>&1
# A new prefix boots its session twice; a service registered before the second
# boot is lost. Tests of services wait until the first session has ended.
if [ -n "${VQ_WINE_SETTLE:-}" ]; then wineserver -w; fi
wine "$@"
status=$?
wineserver -w
exit $status
