; The Windows installer for both widths of the plug-in. makensis gets VERSION, FILES (a folder
; with win32\QuellmarV3.dll, win64\QuellmarV3.dll and LICENSE.txt) and OUTFILE.
; On 64-bit Windows it offers the 64-bit DLL for %ProgramFiles%\Common Files\VST2 and the 32-bit
; DLL for %ProgramFiles(x86)%\Common Files\VST2; on 32-bit Windows the 32-bit DLL alone. The
; uninstaller removes exactly the files that were installed, the VST2 folders only when this
; installer made them and they are empty again, and its own entry in Apps & Features.

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "x64.nsh"

!define PRODUCT "QuellmarV3"
!define VENDOR "Quellmar V3"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuellmarV3"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${VENDOR}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT License, ${VENDOR}"

Var Dir64
Var Dir32

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_LICENSE "${FILES}/LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckComponents
!insertmacro MUI_PAGE_COMPONENTS

!define MUI_PAGE_HEADER_TEXT "Folder for the 64-bit plug-in"
!define MUI_PAGE_HEADER_SUBTEXT "Where 64-bit hosts will find QuellmarV3."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup puts the 64-bit QuellmarV3.dll into this folder. Choose a folder that your 64-bit hosts scan for VST 2 plug-ins."
!define MUI_DIRECTORYPAGE_VARIABLE $Dir64
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipUnless64
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_PAGE_HEADER_TEXT "Folder for the 32-bit plug-in"
!define MUI_PAGE_HEADER_SUBTEXT "Where 32-bit hosts and bridges will find QuellmarV3."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup puts the 32-bit QuellmarV3.dll into this folder. Choose a folder that your 32-bit hosts scan for VST 2 plug-ins."
!define MUI_DIRECTORYPAGE_VARIABLE $Dir32
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipUnless32
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckFolders
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "QuellmarV3 is installed. Let your host rescan its VST 2 plug-ins to find it."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Installs one DLL into a folder and notes in the uninstall entry what to remove later: the
; file, and the folder when it did not exist before.
!macro InstallPlugin WIDTH FOLDER
  ${IfNot} ${FileExists} "${FOLDER}\*.*"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "FolderMade${WIDTH}" 1
  ${EndIf}
  SetOutPath "${FOLDER}"
  File "${FILES}/win${WIDTH}/QuellmarV3.dll"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Folder${WIDTH}" "${FOLDER}"
!macroend

Section "64-bit plug-in, for 64-bit hosts" Sec64
  !insertmacro InstallPlugin 64 $Dir64
SectionEnd

Section "32-bit plug-in, for 32-bit hosts and bridges" Sec32
  !insertmacro InstallPlugin 32 $Dir32
SectionEnd

Section "-Uninstaller"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  SectionGetSize ${Sec64} $0
  SectionGetSize ${Sec32} $1
  StrCpy $2 16
  ${If} ${SectionIsSelected} ${Sec64}
    IntOp $2 $2 + $0
  ${EndIf}
  ${If} ${SectionIsSelected} ${Sec32}
    IntOp $2 $2 + $1
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $Dir64 "$COMMONFILES64\VST2"
    StrCpy $Dir32 "$COMMONFILES32\VST2"
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    ; 32-bit Windows runs no 64-bit host: the 64-bit DLL is neither offered nor installed.
    !insertmacro UnselectSection ${Sec64}
    SectionSetText ${Sec64} ""
    StrCpy $Dir32 "$COMMONFILES\VST2"
  ${EndIf}
FunctionEnd

Function CheckComponents
  ${IfNot} ${SectionIsSelected} ${Sec64}
  ${AndIfNot} ${SectionIsSelected} ${Sec32}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Choose at least one of the two plug-ins."
    Abort
  ${EndIf}
FunctionEnd

; Both DLLs carry one name: one folder cannot hold both.
Function CheckFolders
  ${If} ${SectionIsSelected} ${Sec64}
  ${AndIf} $Dir32 == $Dir64
    MessageBox MB_OK|MB_ICONEXCLAMATION "The 32-bit and the 64-bit plug-in need two different folders."
    Abort
  ${EndIf}
FunctionEnd

Function SkipUnless64
  ${IfNot} ${SectionIsSelected} ${Sec64}
    Abort
  ${EndIf}
FunctionEnd

Function SkipUnless32
  ${IfNot} ${SectionIsSelected} ${Sec32}
    Abort
  ${EndIf}
FunctionEnd

; Removes one DLL that the installer put in place, and its folder when the installer made it
; and nothing else is in it now.
!macro un.RemovePlugin WIDTH
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Folder${WIDTH}"
  ${If} $0 != ""
    Delete "$0\QuellmarV3.dll"
    ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "FolderMade${WIDTH}"
    ${If} $1 == 1
      RMDir "$0"
    ${EndIf}
  ${EndIf}
!macroend

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro un.RemovePlugin 64
  !insertmacro un.RemovePlugin 32
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
