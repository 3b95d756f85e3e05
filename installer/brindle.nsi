; The Brindle installer: brindle.exe under Program Files\Norvane\Brindle,
; started at every logon for all users, with an Add/Remove Programs entry.
; Its uninstaller ends a running Brindle the way the tray menu's exit does
; and leaves the product key HKLM\SOFTWARE\Norvane\brindle (the platform's
; settings, which the platform installs) alone.
;
;   makensis -INPUTCHARSET UTF8 -DBRINDLE_EXE=<brindle.exe> -DEND_BRINDLE_DLL=<EndBrindle.dll>
;            -DOUTFILE=<setup.exe> -DVERSION=<x.y.z>
;            [-DSIGN_UNINSTALLER=<command that signs the file it is given>] brindle.nsi
;
; (make-setup runs it so.) EndBrindle.dll, the MSI's custom-action library,
; goes along into $PLUGINSDIR: both packages decide by the same code which
; program to end and which folder to accept.
;
; Exit codes besides NSIS's own: 1603 for a folder outside Program Files,
; 1638 when the MSI of Brindle is installed, 3010 from the uninstaller when a
; file is left for the next restart of Windows.
;
; A 32-bit installer for a 32-bit program: on 64-bit Windows $PROGRAMFILES is
; "Program Files (x86)" and the keys below land in the 32-bit registry view,
; which is where Windows looks for a 32-bit program's Run and uninstall entries.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!ifndef BRINDLE_EXE | END_BRINDLE_DLL | OUTFILE | VERSION
  !error "give -DBRINDLE_EXE=<brindle.exe> -DEND_BRINDLE_DLL=<EndBrindle.dll> -DOUTFILE=<setup.exe> -DVERSION=<x.y.z>"
!endif

!define PRODUCT "Brindle"
!define PUBLISHER "Norvane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brindle"
; The MSI's UpgradeCode: every version of the MSI product carries it.
!define MSI_UPGRADE_CODE "{6B0D2E4A-3F71-4C8E-9A52-1D7C4B9E0F36}"
!define ERROR_INSTALL_FAILURE 1603
!define ERROR_PRODUCT_VERSION 1638
!define ERROR_SUCCESS_REBOOT_REQUIRED 3010

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef SIGN_UNINSTALLER
  ; The uninstaller is written out at install time from what is inside the
  ; setup program, so it is signed here, before it goes in.
  !uninstfinalize '"${SIGN_UNINSTALLER}" "%1"' = 0
!endif
InstallDir "$PROGRAMFILES\Norvane\Brindle"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) Norvane"

!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
; The program's own dialogs use MS UI Gothic; NSIS's Japanese default names
; the full-width "ＭＳ Ｐゴシック", which systems without it render as boxes.
SetFont /LANG=${LANG_JAPANESE} "MS UI Gothic" 9

; The installers' code for this run; ?u unloads it after each call, so
; $PLUGINSDIR can be deleted at the end.
!macro UNPACK_INSTALLER_CODE
  InitPluginsDir
  File "/oname=$PLUGINSDIR\EndBrindle.dll" "${END_BRINDLE_DLL}"
!macroend

; Ends every Brindle on this desktop that runs the installed program (not
; whatever window takes the name "Brindle") and waits until they are gone:
; the program disconnects the modem after its window has gone, and only then
; can its file be replaced or deleted.
!macro DEFINE_STOP_BRINDLE prefix
Function ${prefix}StopBrindle
  System::Call '$PLUGINSDIR\EndBrindle.dll::EndBrindleAt(w "$INSTDIR\brindle.exe") i .r0 ?u'
  ${If} $0 <> 0
    DetailPrint "Brindle を終了しました。"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_BRINDLE ""
!insertmacro DEFINE_STOP_BRINDLE "un."

; HKLM Run starts the program for every user: a folder that users can write
; would hand every logon to whoever writes there. And the MSI installs the
; same file and logon entry: removing either package would break the other.
Function .onInit
  !insertmacro UNPACK_INSTALLER_CODE
  System::Call '$PLUGINSDIR\EndBrindle.dll::InstallFolderAllowed(w "$INSTDIR") i .r0 ?u'
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "Brindle は Program Files の下にだけインストールできます (すべてのユーザーのログオン時に起動するため、管理者だけが書き込めるフォルダーに置きます)。$\n$\n指定されたフォルダー: $INSTDIR" /SD IDOK
    SetErrorLevel ${ERROR_INSTALL_FAILURE}
    Quit
  ${EndIf}
  System::Call 'msi::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "Brindle は Windows インストーラー パッケージ (brindle-<version>.msi) でインストール済みです。$\n先に「プログラムと機能」から、または次のコマンドで削除してください:$\n$\nmsiexec /x $1" /SD IDOK
    SetErrorLevel ${ERROR_PRODUCT_VERSION}
    Quit
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro UNPACK_INSTALLER_CODE
FunctionEnd

Section "Brindle"
  ; An update replaces the program file, which a running instance holds.
  Call StopBrindle
  SetOutPath "$INSTDIR"
  File "/oname=brindle.exe" "${BRINDLE_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\brindle.exe"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\brindle.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Call un.StopBrindle
  ; A file still open (a Brindle of another session, which no exit command
  ; here reaches) goes at the next restart; the logon and Add/Remove entries
  ; go now all the same, so nothing is left that no uninstaller could remove.
  Delete /REBOOTOK "$INSTDIR\brindle.exe"
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  ; The folders go only when nothing else is in them (the Norvane folder may
  ; hold more of Norvane's); a folder that is not empty is no reason for a
  ; restart, but once one is due, they are tried again then, after the files.
  ${GetParent} "$INSTDIR" $0
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
    RMDir /REBOOTOK "$0"
  ${Else}
    RMDir "$INSTDIR"
    RMDir "$0"
  ${EndIf}

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; HKLM\SOFTWARE\Norvane\brindle stays: it belongs to the platform.

  ${If} ${RebootFlag}
    DetailPrint "使用中のファイルは、Windows の再起動時に削除されます。"
    MessageBox MB_OK|MB_ICONINFORMATION "Brindle の削除を完了するには、Windows を再起動してください。" /SD IDOK
    SetErrorLevel ${ERROR_SUCCESS_REBOOT_REQUIRED}
  ${EndIf}
SectionEnd
