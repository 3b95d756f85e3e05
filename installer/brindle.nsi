; The Brindle installer: brindle.exe under Program Files\Norvane\Brindle,
; started at every logon for all users, with an Add/Remove Programs entry.
; Its uninstaller ends a running Brindle the way the tray menu's exit does
; and leaves the product key HKLM\SOFTWARE\Norvane\brindle (the platform's
; settings, which the platform installs) alone.
;
;   makensis -INPUTCHARSET UTF8 -DBRINDLE_EXE=<brindle.exe> -DOUTFILE=<setup.exe> -DVERSION=<x.y.z>
;            [-DSIGN_UNINSTALLER=<command that signs the file it is given>] brindle.nsi
;
; (make-setup runs it so.)
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
!include "WinMessages.nsh"
!include "FileFunc.nsh"

!ifndef BRINDLE_EXE | OUTFILE | VERSION
  !error "give -DBRINDLE_EXE=<brindle.exe> -DOUTFILE=<setup.exe> -DVERSION=<x.y.z>"
!endif

!define PRODUCT "Brindle"
!define PUBLISHER "Norvane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brindle"
; The tray menu's exit command: it closes the dialogs and the main window,
; which switches GPS off and removes the tray icon on the way out.
!define MENU_EXIT 40005
!define SYNCHRONIZE 0x00100000
!define EXIT_WAIT_MS 30000

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

; Ends the running Brindle of this session, if any: the window of class and
; title "Brindle" gets the menu's exit command, then the process is given
; time to finish (it disconnects the modem after its window has gone, and
; only then can its file be replaced or deleted).
!macro DEFINE_STOP_BRINDLE prefix
Function ${prefix}StopBrindle
  FindWindow $0 "Brindle" "Brindle"
  ${If} $0 == 0
    Return
  ${EndIf}
  DetailPrint "Brindle を終了しています..."
  ; Opened before the command is posted, so the end can still be watched.
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
  System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
  ; Posted, not sent: a program still busy starting up handles it once its
  ; message loop runs instead of making the installer wait on a send.
  System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${MENU_EXIT}, p 0)'
  ${If} $2 != 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i ${EXIT_WAIT_MS}) i .r3'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${Else}
    StrCpy $3 0
    ${Do}
      ${If} $3 >= ${EXIT_WAIT_MS}
        ${Break}
      ${EndIf}
      Sleep 500
      IntOp $3 $3 + 500
      FindWindow $0 "Brindle" "Brindle"
    ${LoopUntil} $0 == 0
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_BRINDLE ""
!insertmacro DEFINE_STOP_BRINDLE "un."

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
  Delete "$INSTDIR\brindle.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The Norvane folder goes only when nothing else of Norvane's is in it.
  ${GetParent} "$INSTDIR" $0
  RMDir "$0"

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; HKLM\SOFTWARE\Norvane\brindle stays: it belongs to the platform.
SectionEnd
