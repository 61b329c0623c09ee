; Varnelle setup: puts the saver where Windows lists screen savers, sets the
; interface language and registers the uninstaller. It writes no settings file: the
; installed saver keeps each user's choices in that user's profile, and reads a file
; left beside it by an earlier version only as each user's starting point.
; The setup runs elevated, perhaps in an administrator's account whose password a
; standard user typed: the screen-saver choice and the settings it opens belong to
; the user whose desktop it is (the owner of the shell), not to the setup's account.
; On 64-bit Windows the 64-bit saver goes into the native System32, on 32-bit
; Windows the 32-bit one into System32.
;
; makensis -DVERSION=x.y.z -DVERSION_QUAD=x.y.z.0 -DSAVER=...\Varnelle.scr -DSAVER64=...\Varnelle.scr -DARCHIVE=...\VantorelResource.dat
;          -DICON=...\varnelle.ico -DWIZARD_BITMAP=...\wizard.bmp -DOUTFILE=...\VarnelleSetup.exe Varnelle.nsi
;   VERSION  the product's version as CMake's project() gives it, VERSION_QUAD in four parts
;   SAVER    the 32-bit saver (the x86 setup only)
;   SAVER64  the 64-bit saver; without it the x86 setup puts the 32-bit saver into
;            SysWOW64 on 64-bit Windows, as earlier versions did
;   AMD64    build the 64-bit setup (NSIS's amd64 stub), which carries SAVER64 alone
;
; Command line (besides NSIS's own /S):
;   /LANG=<n|code>  interface language: 0..6 or en ru de fr es it jp (ja); skips the language page.
;   /KEEPSAVER      leave the user's current screen saver as it is.
; Exit codes: 0 done, 1 cancelled, 2 unknown /LANG (silent only; the page asks otherwise),
;             3 another setup is running, 4 no administrator rights.

!ifdef AMD64
Target amd64-unicode
!ifndef SAVER64
!error "the 64-bit setup needs SAVER64"
!endif
!else
Unicode true
!endif
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; Every file carried takes the time it is installed, not the build's: one commit, one setup.
SetDateSave off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Varnelle"
!define PUBLISHER "QUENDRA"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnelle"
; The saver reads its language here, through the 32-bit registry view.
!define LANG_KEY "SOFTWARE\QUENDRA\ScreenSaver\Fire"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SAVER_FILE "Varnelle.scr"
!define ARCHIVE_FILE "VantorelResource.dat"
; The saver's path less "scr", plus "scr.settings".
!define SETTINGS_FILE "Varnelle.scr.settings"
!define MUTEX "VarnelleSetupRunning"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Var SaverDir          ; the system folder the saver belongs in
Var SaverRunPath      ; the same saver as this setup's own process reaches it
Var OldSaverDir       ; where an earlier version put a 32-bit saver on 64-bit Windows
Var Native64          ; 1 when the 64-bit saver is the one installed
Var SaverShortPath    ; its 8.3 form, as an earlier choice of screen saver may name it
Var DesktopUserSid    ; the desktop user's SID, whose registry hive holds their choice; "" for HKCU

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALLLANGUAGES   ; every language, whatever the system's code page
!define MUI_COMPONENTSPAGE_SMALLDESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSettingsAsDesktopUser
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenSettings)"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(UninstallTop)"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first is the fallback when the Windows language is none of these.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Japanese"
!include "Languages.nsh"

; File-system redirection off while this (32-bit) setup touches the native System32;
; nothing else of the process should see the 64-bit folder.
!macro NativeFiles
  ${If} $Native64 = 1
    ${DisableX64FSRedirection}
  ${EndIf}
!macroend
!macro RedirectedFiles
  ${If} $Native64 = 1
    ${EnableX64FSRedirection}
  ${EndIf}
!macroend

; The desktop user's "Control Panel\Desktop" values (HKCU when that user is unknown).
!macro DesktopRead out name
  ${If} $DesktopUserSid != ""
    ReadRegStr ${out} HKU "$DesktopUserSid\${DESKTOP_KEY}" "${name}"
  ${Else}
    ReadRegStr ${out} HKCU "${DESKTOP_KEY}" "${name}"
  ${EndIf}
!macroend
!macro DesktopWrite name value
  ${If} $DesktopUserSid != ""
    WriteRegStr HKU "$DesktopUserSid\${DESKTOP_KEY}" "${name}" "${value}"
  ${Else}
    WriteRegStr HKCU "${DESKTOP_KEY}" "${name}" "${value}"
  ${EndIf}
!macroend
!macro DesktopDelete name
  ${If} $DesktopUserSid != ""
    DeleteRegValue HKU "$DesktopUserSid\${DESKTOP_KEY}" "${name}"
  ${Else}
    DeleteRegValue HKCU "${DESKTOP_KEY}" "${name}"
  ${EndIf}
!macroend
; SPI_SETSCREENSAVEACTIVE broadcast (SPIF_SENDCHANGE) so that the choice applies at
; once; not stored (SPIF_UPDATEINIFILE), which would write the setup's own account.
!macro BroadcastScreenSaveActive active
  System::Call 'user32::SystemParametersInfoW(i 17, i ${active}, p 0, i 2)'
!macroend

; CurLang index <-> installer language id. 0 en, 1 ru, 2 de, 3 fr, 4 es, 5 it, 6 jp.
!macro LanguageFunctions un
Function ${un}LanguageIdOfIndex   ; $0 index -> $0 language id, "" when out of range
  ${Select} $0
    ${Case} 0
      StrCpy $0 ${LANG_ENGLISH}
    ${Case} 1
      StrCpy $0 ${LANG_RUSSIAN}
    ${Case} 2
      StrCpy $0 ${LANG_GERMAN}
    ${Case} 3
      StrCpy $0 ${LANG_FRENCH}
    ${Case} 4
      StrCpy $0 ${LANG_SPANISH}
    ${Case} 5
      StrCpy $0 ${LANG_ITALIAN}
    ${Case} 6
      StrCpy $0 ${LANG_JAPANESE}
    ${CaseElse}
      StrCpy $0 ""
  ${EndSelect}
FunctionEnd

; The language the saver was set to, as the installer's language; empty when none.
Function ${un}LanguageOfRegistry
  ClearErrors
  ReadRegDWORD $0 HKLM "${LANG_KEY}" "CurLang"
  ${If} ${Errors}
    StrCpy $0 ""
  ${Else}
    Call ${un}LanguageIdOfIndex
  ${EndIf}
FunctionEnd

Function ${un}FindSaverDir
  ; 64-bit Windows lists the native savers of System32 (and 32-bit ones of SysWOW64);
  ; the folders are named in full so that the screen-saver path and the uninstall
  ; commands are right for 64-bit callers too.
  StrCpy $OldSaverDir ""
  StrCpy $Native64 0
  StrCpy $SaverDir "$SYSDIR"
!ifdef AMD64
  ; The 64-bit setup runs on 64-bit Windows only.
  StrCpy $Native64 1
  StrCpy $SaverDir "$WINDIR\system32"  ; as GetSystemDirectory spells it
  StrCpy $OldSaverDir "$WINDIR\SysWOW64"
!else ifdef SAVER64
  ${If} ${RunningX64}
    StrCpy $Native64 1
    StrCpy $SaverDir "$WINDIR\system32"  ; as GetSystemDirectory spells it
    StrCpy $OldSaverDir "$WINDIR\SysWOW64"
  ${EndIf}
!else
  ${If} ${RunningX64}
    StrCpy $SaverDir "$WINDIR\SysWOW64"
  ${EndIf}
!endif
  !insertmacro NativeFiles
  GetFullPathName /SHORT $SaverShortPath "$SaverDir\${SAVER_FILE}"
  !insertmacro RedirectedFiles
  StrCpy $SaverRunPath "$SaverDir\${SAVER_FILE}"
!ifndef AMD64
  ; A 32-bit process sees SysWOW64 under the name System32; Sysnative is the real one.
  ${If} $Native64 = 1
    StrCpy $SaverRunPath "$WINDIR\Sysnative\${SAVER_FILE}"
  ${EndIf}
!endif
FunctionEnd


; The user whose desktop this is: the owner of the shell's process. "" when there is
; no shell to ask, and the setup's own account stands in.
; $0 the access wanted -> $3 the token of the shell's process (the desktop user's),
; 0 when there is no shell to ask or it refuses.
Function ${un}OpenShellToken
  StrCpy $3 0
  System::Call 'user32::GetShellWindow() p .r1'
  ${If} $1 == 0
    Return
  ${EndIf}
  System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r1) i'
  System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r1) p .r2'  ; PROCESS_QUERY_LIMITED_INFORMATION
  ${If} $2 == 0
    Return
  ${EndIf}
  System::Call 'advapi32::OpenProcessToken(p r2, i r0, *p .r3) i .r4'
  System::Call 'kernel32::CloseHandle(p r2)'
  ${If} $4 == 0
    StrCpy $3 0
  ${EndIf}
FunctionEnd

Function ${un}FindDesktopUser
  StrCpy $DesktopUserSid ""
  StrCpy $0 8  ; TOKEN_QUERY
  Call ${un}OpenShellToken
  ${If} $3 == 0
    Return
  ${EndIf}
  System::Call 'advapi32::GetTokenInformation(p r3, i 1, p 0, i 0, *i .r5) i'  ; TokenUser: its size
  ${If} $5 > 0
    System::Alloc $5
    Pop $6
    System::Call 'advapi32::GetTokenInformation(p r3, i 1, p r6, i r5, *i .r5) i .r4'
    ${If} $4 <> 0
      System::Call '*$6(p .r7)'  ; SID_AND_ATTRIBUTES.Sid
      System::Call 'advapi32::ConvertSidToStringSidW(p r7, *p .r8) i .r4'
      ${If} $4 <> 0
        System::Call '*$8(&w${NSIS_MAX_STRLEN} .r9)'
        StrCpy $DesktopUserSid $9
        System::Call 'kernel32::LocalFree(p r8)'
      ${EndIf}
    ${EndIf}
    System::Free $6
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r3)'
  ; A hive that is not loaded (no such user logged on) cannot take the choice.
  ClearErrors
  EnumRegKey $0 HKU "$DesktopUserSid" 0
  ${If} ${Errors}
    StrCpy $DesktopUserSid ""
  ${EndIf}
FunctionEnd

Function ${un}RefuseSecondSetup
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $1 = 183  ; ERROR_ALREADY_EXISTS
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(AlreadyRunning)" /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro LanguageFunctions ""
!insertmacro LanguageFunctions "un."

; /LANG=<n|code> -> $0 language id; "" when absent, "bad" when unusable.
Function LanguageOfCommandLine
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/LANG=" $2
  ${If} ${Errors}
    StrCpy $0 ""
    Return
  ${EndIf}
  ${Select} $2
    ${Case2} "en" "0"
      StrCpy $0 0
    ${Case2} "ru" "1"
      StrCpy $0 1
    ${Case2} "de" "2"
      StrCpy $0 2
    ${Case2} "fr" "3"
      StrCpy $0 3
    ${Case2} "es" "4"
      StrCpy $0 4
    ${Case2} "it" "5"
      StrCpy $0 5
    ${Case3} "jp" "ja" "6"
      StrCpy $0 6
    ${CaseElse}
      StrCpy $0 "bad"
      Return
  ${EndSelect}
  Call LanguageIdOfIndex
FunctionEnd

Function CurLangOfLanguage   ; $LANGUAGE -> $0 index for CurLang
  ${Select} $LANGUAGE
    ${Case} ${LANG_RUSSIAN}
      StrCpy $0 1
    ${Case} ${LANG_GERMAN}
      StrCpy $0 2
    ${Case} ${LANG_FRENCH}
      StrCpy $0 3
    ${Case} ${LANG_SPANISH}
      StrCpy $0 4
    ${Case} ${LANG_ITALIAN}
      StrCpy $0 5
    ${Case} ${LANG_JAPANESE}
      StrCpy $0 6
    ${CaseElse}
      StrCpy $0 0
  ${EndSelect}
FunctionEnd

Section "!$(SecSaverName)" SecSaver
  SectionIn RO
  !insertmacro NativeFiles
  SetOutPath "$SaverDir"
!ifdef SAVER & SAVER64
  ${If} $Native64 = 1
    File "/oname=${SAVER_FILE}" "${SAVER64}"
  ${Else}
    File "/oname=${SAVER_FILE}" "${SAVER}"
  ${EndIf}
!else ifdef SAVER64
  File "/oname=${SAVER_FILE}" "${SAVER64}"
!else
  File "/oname=${SAVER_FILE}" "${SAVER}"
!endif
  File "/oname=${ARCHIVE_FILE}" "${ARCHIVE}"
  Call MoveEarlierInstall

  ; A file an earlier version left stays each user's starting point: its contents are
  ; kept, its access list made an administrator's.
  ${If} ${FileExists} "$SaverDir\${SETTINGS_FILE}"
    Call TakeBackUsersGrant
  ${EndIf}
  StrCpy $R9 0
  StrCpy $0 "$SaverDir\${SAVER_FILE}"
  Call AddFileSize
  StrCpy $0 "$SaverDir\${ARCHIVE_FILE}"
  Call AddFileSize
  !insertmacro RedirectedFiles

  Call CurLangOfLanguage
  WriteRegDWORD HKLM "${LANG_KEY}" "CurLang" $0

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  StrCpy $0 "$INSTDIR\Uninstall.exe"
  Call AddFileSize
  IntOp $R9 $R9 + 1023
  IntOp $R9 $R9 / 1024  ; kilobytes, as the list of installed apps reads it
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "$(ProductTitle)"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$SaverDir\${SAVER_FILE},0"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $R9
SectionEnd

Section "$(SecCurrentName)" SecCurrent
  ; Remember what the user had, unless it is already Varnelle (an upgrade), so
  ; that the uninstaller can give it back.
  ; The short form needs the file: on a first install it was empty before the saver
  ; was copied, and an empty form matched "no screen saver chosen".
  !insertmacro NativeFiles
  GetFullPathName /SHORT $SaverShortPath "$SaverDir\${SAVER_FILE}"
  !insertmacro RedirectedFiles
  !insertmacro DesktopRead $0 "SCRNSAVE.EXE"
  StrCpy $1 "$SaverDir\${SAVER_FILE}"
  StrCpy $2 $SaverShortPath
  StrCpy $3 1  ; the user's choice is not Varnelle: remember it
  ${If} $0 == $1
    StrCpy $3 0
  ${ElseIf} $2 != ""
    ${If} $0 == $2
      StrCpy $3 0
    ${EndIf}
  ${EndIf}
  ${If} $3 = 1
    WriteRegStr HKLM "${UNINST_KEY}" "PreviousScreenSaver" $0
    !insertmacro DesktopRead $0 "ScreenSaveActive"
    WriteRegStr HKLM "${UNINST_KEY}" "PreviousScreenSaveActive" $0
    WriteRegDWORD HKLM "${UNINST_KEY}" "ScreenSaverChanged" 1
    ; Whose choice it was: the uninstaller gives it back to that user.
    WriteRegStr HKLM "${UNINST_KEY}" "ScreenSaverUser" $DesktopUserSid
  ${EndIf}
  !insertmacro DesktopWrite "SCRNSAVE.EXE" $1
  !insertmacro DesktopWrite "ScreenSaveActive" "1"
  !insertmacro BroadcastScreenSaveActive 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSaver} "$(SecSaverText)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecCurrent} "$(SecCurrentText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetRegView 32
  SetShellVarContext all
  Call RefuseSecondSetup
  Call FindSaverDir
  Call FindDesktopUser
  ${If} $Native64 = 1
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${EndIf}

  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "$(NeedAdmin)" /SD IDOK
    SetErrorLevel 4
    Quit
  ${EndIf}

  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/KEEPSAVER" $2
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecCurrent}
  ${EndIf}

  ; $LANGUAGE starts as the Windows UI language (or English). An upgrade offers
  ; the language chosen last time; a language on the command line decides alone.
  Call LanguageOfCommandLine
  ${If} $0 == "bad"
    ${If} ${Silent}
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${ElseIf} $0 != ""
    StrCpy $LANGUAGE $0
    Return
  ${EndIf}
  Call LanguageOfRegistry
  ${If} $0 != ""
    StrCpy $LANGUAGE $0
  ${EndIf}
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
  SetRegView 32
  SetShellVarContext all
  Call un.RefuseSecondSetup
  Call un.FindSaverDir
  Call un.FindDesktopUser
  Call un.LanguageOfRegistry
  ${If} $0 != ""
    StrCpy $LANGUAGE $0
  ${EndIf}
FunctionEnd

; An earlier version put the 32-bit saver into SysWOW64 on 64-bit Windows: the user's
; settings move to the new place, the old copy goes, so the list of savers shows one
; Varnelle, and a screen-saver choice that named the old copy names the new one.
Function MoveEarlierInstall
  ${If} $OldSaverDir == ""
    Return
  ${EndIf}
  ${If} ${FileExists} "$OldSaverDir\${SETTINGS_FILE}"
  ${AndIfNot} ${FileExists} "$SaverDir\${SETTINGS_FILE}"
    ClearErrors
    Rename "$OldSaverDir\${SETTINGS_FILE}" "$SaverDir\${SETTINGS_FILE}"
    ${If} ${Errors}
      ; Another volume or a lock: a copy keeps the user's choices all the same.
      CopyFiles /SILENT "$OldSaverDir\${SETTINGS_FILE}" "$SaverDir\${SETTINGS_FILE}"
      ${If} ${FileExists} "$SaverDir\${SETTINGS_FILE}"
        Delete "$OldSaverDir\${SETTINGS_FILE}"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ; The short form exists only while the old copy does.
  StrCpy $1 "$OldSaverDir\${SAVER_FILE}"
  GetFullPathName /SHORT $2 $1
  ${If} $2 == ""
    StrCpy $2 $1  ; no old copy: an empty choice ("none") must not match it
  ${EndIf}
  Delete "$OldSaverDir\${SAVER_FILE}"
  Delete "$OldSaverDir\${ARCHIVE_FILE}"
  Delete "$OldSaverDir\${SETTINGS_FILE}.new"
  !insertmacro DesktopRead $0 "SCRNSAVE.EXE"
  ${If} $0 == $1
  ${OrIf} $0 == $2
    !insertmacro DesktopWrite "SCRNSAVE.EXE" "$SaverDir\${SAVER_FILE}"
  ${EndIf}
  ; Its uninstaller lived in the 32-bit Program Files; the new one replaces it.
  ${If} "$PROGRAMFILES32\${PRODUCT}" != $INSTDIR
    Delete "$PROGRAMFILES32\${PRODUCT}\Uninstall.exe"
    RMDir "$PROGRAMFILES32\${PRODUCT}"
  ${EndIf}
FunctionEnd

; $0 a file: its size in bytes added to $R9 (nothing when it is missing).
Function AddFileSize
  ClearErrors
  FileOpen $1 $0 r
  ${IfNot} ${Errors}
    FileSeek $1 0 END $2
    FileClose $1
    IntOp $R9 $R9 + $2
  ${EndIf}
FunctionEnd

; The finish page's "open the settings": the dialog runs in the desktop user's
; account, unelevated, as the shell would start it (the shell's own token), so that
; it reads and saves that user's choices and takes files dragged from Explorer. Where
; that cannot be done (no shell, no secondary logon) the setup starts it itself.
; STARTUPINFOW's size in this setup's process, its first member.
!ifdef AMD64
!define STARTUPINFO_SIZE 104
!else
!define STARTUPINFO_SIZE 68
!endif
Function OpenSettingsAsDesktopUser
  ; The real path: whoever starts it is not this 32-bit process, which alone knows
  ; "Sysnative".
  StrCpy $9 '"$SaverDir\${SAVER_FILE}" /c'
  StrCpy $8 0  ; started
  StrCpy $0 0xB  ; TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_QUERY
  Call OpenShellToken
  ${If} $3 != 0
    ; MAXIMUM_ALLOWED, SecurityImpersonation, TokenPrimary
    System::Call 'advapi32::DuplicateTokenEx(p r3, i 0x02000000, p 0, i 2, i 1, *p .r5) i .r4'
    ${If} $4 <> 0
      System::Alloc ${STARTUPINFO_SIZE}  ; zeroed
      Pop $6
      System::Call '*$6(i ${STARTUPINFO_SIZE})'
      System::Alloc 24  ; PROCESS_INFORMATION
      Pop $7
      System::Call 'advapi32::CreateProcessWithTokenW(p r5, i 0, p 0, w r9, i 0, p 0, p 0, p r6, p r7) i .r8'
      ${If} $8 <> 0
        System::Call '*$7(p .r0, p .r1)'
        System::Call 'kernel32::CloseHandle(p r0)'
        System::Call 'kernel32::CloseHandle(p r1)'
      ${EndIf}
      System::Free $6
      System::Free $7
      System::Call 'kernel32::CloseHandle(p r5)'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  ${If} $8 = 0
    Exec '"$SaverRunPath" /c'
  ${EndIf}
FunctionEnd

; Earlier versions let the Users group change this file, so that any account could
; decide which files every other account's saver opens. A copy made here has only
; what the system folder gives a new file (administrators may change it, users may
; read it); it replaces the file in one rename, with the same contents.
Function TakeBackUsersGrant
  StrCpy $5 "$SaverDir\${SETTINGS_FILE}"
  StrCpy $6 "$SaverDir\${SETTINGS_FILE}.new"
  Delete $6
  System::Call 'kernel32::CopyFileW(w r5, w r6, i 1) i .r0'
  ${If} $0 = 0
    DetailPrint "Cannot copy $5; its access list stays as it was"
    Return
  ${EndIf}
  ; MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH
  System::Call 'kernel32::MoveFileExW(w r6, w r5, i 9) i .r0'
  ${If} $0 = 0
    Delete $6
    DetailPrint "Cannot replace $5; its access list stays as it was"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; Give the user back the screen saver Varnelle replaced, unless they have chosen
  ; another one since.
  ReadRegDWORD $0 HKLM "${UNINST_KEY}" "ScreenSaverChanged"
  ; The user whose choice the install changed, while that user's hive is loaded;
  ; otherwise the desktop's user.
  ReadRegStr $1 HKLM "${UNINST_KEY}" "ScreenSaverUser"
  ${If} $1 != ""
    ClearErrors
    EnumRegKey $2 HKU "$1" 0
    ${IfNot} ${Errors}
      StrCpy $DesktopUserSid $1
    ${EndIf}
  ${EndIf}
  ${If} $0 = 1
    !insertmacro DesktopRead $0 "SCRNSAVE.EXE"
    StrCpy $1 "$SaverDir\${SAVER_FILE}"
    StrCpy $2 $SaverShortPath
    ${If} $2 == ""
      StrCpy $2 $1  ; no short form: only the long one can name Varnelle
    ${EndIf}
    ${If} $0 == $1
    ${OrIf} $0 == $2
      ReadRegStr $0 HKLM "${UNINST_KEY}" "PreviousScreenSaver"
      ${If} $0 == ""
        !insertmacro DesktopDelete "SCRNSAVE.EXE"
      ${Else}
        !insertmacro DesktopWrite "SCRNSAVE.EXE" $0
      ${EndIf}
      ReadRegStr $0 HKLM "${UNINST_KEY}" "PreviousScreenSaveActive"
      StrCpy $1 1
      ${If} $0 == ""
        !insertmacro DesktopDelete "ScreenSaveActive"
        StrCpy $1 0
      ${Else}
        !insertmacro DesktopWrite "ScreenSaveActive" $0
        ${If} $0 == 0
          StrCpy $1 0
        ${EndIf}
      ${EndIf}
      !insertmacro BroadcastScreenSaveActive $1
    ${EndIf}
  ${EndIf}

  !insertmacro NativeFiles
  Delete "$SaverDir\${SAVER_FILE}"
  Delete "$SaverDir\${ARCHIVE_FILE}"
  Delete "$SaverDir\${SETTINGS_FILE}.new"   ; left by a save that was cut short
  ; Only a settings file an earlier version left in the system folder may go: the
  ; files users saved in their own profiles are their data and stay.
  ${If} ${FileExists} "$SaverDir\${SETTINGS_FILE}"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(DeleteSettings)" /SD IDNO IDNO keep_settings
    Delete "$SaverDir\${SETTINGS_FILE}"
  keep_settings:
  ${EndIf}
  !insertmacro RedirectedFiles

  DeleteRegValue HKLM "${LANG_KEY}" "CurLang"
  ; Only keys left empty go: another product of the maker may share them.
  DeleteRegKey /ifempty HKLM "${LANG_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\QUENDRA\ScreenSaver"
  DeleteRegKey /ifempty HKLM "SOFTWARE\QUENDRA"
  DeleteRegKey HKLM "${UNINST_KEY}"

  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
