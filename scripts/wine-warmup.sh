#!/usr/bin/env bash
# Creates the prefix when missing and keeps its server and services running, with
# every stream detached so that no test's output pipe is held open by them.
# Each step is checked: a prefix that cannot be made fails here, not in every test.
set -u
source "$(dirname "$0")/wine-env.sh"
fail() { echo "wine-warmup: $*" >&2; exit 1; }
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX" || fail "cannot create $WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1  # the server writes the registry files when it ends
  [[ -f $WINEPREFIX/system.reg ]] || fail "wineboot could not make a $WINEARCH prefix in $WINEPREFIX"
fi
# GDI+ under Wine finds only the fonts in the prefix's Fonts folder and the
# system's own, not Wine's built-in Tahoma: the interface font must be there.
for font in tahoma.ttf tahomabd.ttf; do
  if [[ -f /usr/share/wine/fonts/$font && ! -f $WINEPREFIX/drive_c/windows/Fonts/$font ]]; then
    cp /usr/share/wine/fonts/$font "$WINEPREFIX/drive_c/windows/Fonts/" || fail "cannot copy $font into the prefix"
  fi
done
wineserver -p </dev/null >/dev/null 2>&1 || fail "wineserver would not start"
wine wineboot </dev/null >/dev/null 2>&1 || fail "Wine's services would not start"
# Japanese interface texts: link Tahoma to a CJK font of the system, as Windows
# links its UI fonts to MS UI Gothic.
if [[ ! -f $WINEPREFIX/.fontlink && -f /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc ]]; then
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ \
    /d 'NotoSansCJK-Regular.ttc,Noto Sans CJK JP\0MSGOTHIC.TTC,MS UI Gothic\0SIMSUN.TTC,SimSun' /f \
    </dev/null >/dev/null 2>&1 && touch "$WINEPREFIX/.fontlink"
fi
exit 0
