#!/usr/bin/env bash
# Creates the prefix when missing and keeps its server and services running, with
# every stream detached so that no test's output pipe is held open by them.
set -u
source "$(dirname "$0")/wine-env.sh"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
fi
# GDI+ under Wine finds only the fonts in the prefix's Fonts folder and the
# system's own, not Wine's built-in Tahoma: the interface font must be there.
for font in tahoma.ttf tahomabd.ttf; do
  if [[ -f /usr/share/wine/fonts/$font && ! -f $WINEPREFIX/drive_c/windows/Fonts/$font ]]; then
    cp /usr/share/wine/fonts/$font "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
done
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
# Japanese interface texts: link Tahoma to a CJK font of the system, as Windows
# links its UI fonts to MS UI Gothic.
if [[ ! -f $WINEPREFIX/.fontlink && -f /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc ]]; then
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ \
    /d 'NotoSansCJK-Regular.ttc,Noto Sans CJK JP\0MSGOTHIC.TTC,MS UI Gothic\0SIMSUN.TTC,SimSun' /f \
    </dev/null >/dev/null 2>&1 && touch "$WINEPREFIX/.fontlink"
fi
exit 0
