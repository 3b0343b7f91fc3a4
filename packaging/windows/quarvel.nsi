; The Windows setup of Quarvel: a per-user installation (no administrator rights) of quarvel.exe and
; kmd.exe, with the .kmd file type, a Start-menu shortcut and an entry in the list of installed programs.
;
; makensis -DVERSION=x.y.z -DSRCDIR=<folder of quarvel.exe and kmd.exe> -DREADME=<README.md>
;          -DLICENSE=<licence text> -DOUTFILE=<setup.exe> quarvel.nsi
; (packaging/windows/make-setup.sh passes them.)

; The default stubs are 32-bit; a 64-bit one runs where no 32-bit layer is installed, and is Unicode.
Target amd64-unicode

!macro Require NAME
  !ifndef ${NAME}
    !error "define ${NAME} on the command line: makensis -D${NAME}=..."
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require SRCDIR
!insertmacro Require README
!insertmacro Require LICENSE
!insertmacro Require OUTFILE

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Quarvel"
!define PUBLISHER "The Quarvel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarvel"
!define CLASSES "Software\Classes"
; What "quarvel.exe /RegServer" writes under HKCU\Software\Classes (src/app/registration.cc).
!define DOC_PROGID "ZELT Document.1"
!define APP_PROGID "ZELT.Application.1"
!define CLASS_ID "{6F1C2A4E-8B3D-4E57-9A60-2D7C5B1E3F48}"
!define SHORTCUT "$SMPROGRAMS\Quarvel.lnk"
; SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL)
!define NOTIFY_ASSOCIATIONS "shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
InstallDir "$LOCALAPPDATA\Programs\Quarvel"
; An upgrade goes into the folder of the installed version.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${__FILEDIR__}/../../src/gui/win32/quarvel.ico"
!define MUI_UNICON "${__FILEDIR__}/../../src/gui/win32/quarvel.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback; the setup picks the user's own when it has it.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "MIT License, ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} setup"

LangString RegisterFailed ${LANG_ENGLISH} "The .kmd file type could not be registered (quarvel.exe /RegServer returned $0)."
LangString RegisterFailed ${LANG_JAPANESE} ".kmd ファイルの種類を登録できませんでした (quarvel.exe /RegServer の終了コード $0)。"

; Adds the size in bytes of FILE to the variable SUM (left unchanged when FILE cannot be read).
!macro AddFileSize SUM FILE
  ClearErrors
  FileOpen $R0 "${FILE}" r
  ${IfNot} ${Errors}
    FileSeek $R0 0 END $R1
    FileClose $R0
    IntOp ${SUM} ${SUM} + $R1
  ${EndIf}
!macroend

Section "Quarvel" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${SRCDIR}/quarvel.exe"
  File "${SRCDIR}/kmd.exe"
  File "/oname=README.md" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\quarvel.exe" "" "$INSTDIR\quarvel.exe" 0

  ; The entry of the list of installed programs, sized by the files above.
  StrCpy $1 0
  !insertmacro AddFileSize $1 "$INSTDIR\quarvel.exe"
  !insertmacro AddFileSize $1 "$INSTDIR\kmd.exe"
  !insertmacro AddFileSize $1 "$INSTDIR\README.md"
  !insertmacro AddFileSize $1 "$INSTDIR\LICENSE.txt"
  !insertmacro AddFileSize $1 "$INSTDIR\uninstall.exe"
  IntOp $1 $1 + 1023
  IntOp $1 $1 / 1024
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quarvel.exe,0"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; The file type, written by the program itself so that there is one way of registering. Last, so
  ; that a failure leaves an installation the uninstaller can remove.
  DetailPrint '"$INSTDIR\quarvel.exe" /RegServer'
  ClearErrors
  ExecWait '"$INSTDIR\quarvel.exe" /RegServer' $0
  ${If} ${Errors}
    StrCpy $0 "-"
  ${EndIf}
  ; The exit code alone is not enough: the command must now name this installation's program.
  ReadRegStr $2 HKCU "${CLASSES}\${DOC_PROGID}\shell\open\command" ""
  StrLen $3 '"$INSTDIR\quarvel.exe"'
  StrCpy $2 $2 $3
  ${If} $0 != 0
  ${OrIf} $2 != '"$INSTDIR\quarvel.exe"'
    MessageBox MB_OK|MB_ICONSTOP "$(RegisterFailed)" /SD IDOK
    DetailPrint "$(RegisterFailed)"
    Abort
  ${EndIf}
  System::Call "${NOTIFY_ASSOCIATIONS}"
SectionEnd

; Sets VAR to 1 when the default value of HKCU\KEY starts with "$INSTDIR\quarvel.exe" (quoted), to
; "none" when the value does not exist, otherwise to 0. StrCmp ignores case, as paths do.
!macro NamesThisProgram VAR KEY
  ClearErrors
  ReadRegStr $R0 HKCU "${KEY}" ""
  ${If} ${Errors}
    StrCpy ${VAR} none
  ${Else}
    StrLen $R1 '"$INSTDIR\quarvel.exe"'
    StrCpy $R0 $R0 $R1
    ${If} $R0 == '"$INSTDIR\quarvel.exe"'
      StrCpy ${VAR} 1
    ${Else}
      StrCpy ${VAR} 0
    ${EndIf}
  ${EndIf}
!macroend

Section "Uninstall"
  ; The file type, only as far as it still belongs to this installation: another program (or another
  ; installation of this one) may have registered since.
  !insertmacro NamesThisProgram $4 "${CLASSES}\${DOC_PROGID}\shell\open\command"
  ${If} $4 == 1
    DeleteRegKey HKCU "${CLASSES}\${DOC_PROGID}"
  ${EndIf}
  ${If} $4 != 0
    ReadRegStr $5 HKCU "${CLASSES}\.kmd" ""
    ${If} $5 == "${DOC_PROGID}"
      ; Only the value that was written: what others keep under .kmd (OpenWithProgids...) stays.
      DeleteRegValue HKCU "${CLASSES}\.kmd" ""
      DeleteRegKey /ifempty HKCU "${CLASSES}\.kmd"
    ${EndIf}
  ${EndIf}
  !insertmacro NamesThisProgram $4 "${CLASSES}\CLSID\${CLASS_ID}\LocalServer32"
  ${If} $4 == 1
    DeleteRegKey HKCU "${CLASSES}\CLSID\${CLASS_ID}"
    ; The registration made the CLSID key when it was the first class of the user.
    DeleteRegKey /ifempty HKCU "${CLASSES}\CLSID"
  ${EndIf}
  ${If} $4 != 0
    ReadRegStr $5 HKCU "${CLASSES}\${APP_PROGID}\CLSID" ""
    ${If} $5 == "${CLASS_ID}"
      DeleteRegKey HKCU "${CLASSES}\${APP_PROGID}"
    ${EndIf}
  ${EndIf}
  System::Call "${NOTIFY_ASSOCIATIONS}"

  ; The shortcut and the entry are shared by installations in other folders: only the one that wrote
  ; them last removes them.
  ReadRegStr $5 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $5 == ""
  ${OrIf} $5 == "$INSTDIR"
    Delete "${SHORTCUT}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}

  ; The files that were installed, not what the user put beside them; the folder goes if it is empty.
  Delete "$INSTDIR\quarvel.exe"
  Delete "$INSTDIR\kmd.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
