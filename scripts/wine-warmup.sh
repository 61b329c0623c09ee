#!/usr/bin/env bash
# Creates the prefix when missing and keeps its server and services running, with
# every stream detached so that no test's output pipe is held open by them.
set -u
source "$(dirname "$0")/wine-env.sh"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
fi
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
exit 0
