; The Windows installer: puts the program, the console program, the help file and the transcoder into
; Program Files, adds Start-menu shortcuts and an entry in Add/Remove Programs, and takes all of it away
; again, the user's settings too when asked.
;
; makensis -DVERSION=4.0.0 -DPROGRAM_DIR=<folder with the built programs> -DARTWORK_DIR=<rendered artwork>
;          -DOUTFILE=<setup.exe> [-DWITH_TRANSCODER] melodrift.nsi
;
; Silent use: setup.exe /S [/D=C:\Folder]; uninstall.exe /S [/REMOVESETTINGS].

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Melodrift"
!define PUBLISHER "Melodrift"
!define HOMEPAGE "https://www.melodrift.app/"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Melodrift"
!define SETTINGS_KEY "Software\Melodrift 4"
!define START_MENU "$SMPROGRAMS\Melodrift"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
; The 64-bit installer sees the 64-bit Program Files and registry.
InstallDir "$PROGRAMFILES64\Melodrift"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ARTWORK_DIR}/main.ico"
!define MUI_UNICON "${ARTWORK_DIR}/main.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ARTWORK_DIR}/installer-welcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${ARTWORK_DIR}/installer-welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${ARTWORK_DIR}/installer-header.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "${ARTWORK_DIR}/installer-header.bmp"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION}, the audio converter, on this computer.$\r$\n$\r$\nYour files and settings are kept. Click Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\melodrift.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_LINK "Visit the ${PRODUCT} homepage"
!define MUI_FINISHPAGE_LINK_LOCATION "${HOMEPAGE}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Files in use cannot be replaced or removed: the program is asked to be closed first.
!macro WAIT_FOR_PROGRAM_TO_CLOSE
    ${Do}
        FindWindow $0 "#32770" "${PRODUCT}"
        ${If} $0 == 0
            ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running.$\r$\n$\r$\nPlease close it, then click Retry." /SD IDCANCEL IDRETRY +2
        Abort
    ${Loop}
!macroend

Function .onInit
    !insertmacro WAIT_FOR_PROGRAM_TO_CLOSE
FunctionEnd

Section "${PRODUCT}" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${PROGRAM_DIR}/melodrift.exe"
    File "${PROGRAM_DIR}/melodrift-cli.exe"
    File "${PROGRAM_DIR}/mldrift.chm"
!ifdef WITH_TRANSCODER
    File "${PROGRAM_DIR}/mdxcode.exe"
!endif
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; Shortcuts for everyone on the computer, as the program is installed for everyone.
    SetShellVarContext all
    CreateDirectory "${START_MENU}"
    CreateShortcut "${START_MENU}\${PRODUCT}.lnk" "$INSTDIR\melodrift.exe"
    CreateShortcut "${START_MENU}\${PRODUCT} Help.lnk" "$INSTDIR\mldrift.chm"
    CreateShortcut "${START_MENU}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\melodrift.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.${PRODUCT}" SecUnProgram
    SectionIn RO
    ; Only what Setup put here: anything else in the folder is the user's and stays.
    Delete "$INSTDIR\melodrift.exe"
    Delete "$INSTDIR\melodrift-cli.exe"
    Delete "$INSTDIR\mldrift.chm"
    Delete "$INSTDIR\mdxcode.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "${START_MENU}\${PRODUCT}.lnk"
    Delete "${START_MENU}\${PRODUCT} Help.lnk"
    Delete "${START_MENU}\Uninstall ${PRODUCT}.lnk"
    RMDir "${START_MENU}"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Your settings (options and custom formats)" SecSettings
    DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

Function un.onInit
    !insertmacro WAIT_FOR_PROGRAM_TO_CLOSE
    ; /REMOVESETTINGS ticks "Your settings" (for silent uninstalls; the components page offers it too).
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVESETTINGS" $1
    ${IfNot} ${Errors}
        SectionGetFlags ${SecSettings} $1
        IntOp $1 $1 | ${SF_SELECTED}
        SectionSetFlags ${SecSettings} $1
    ${EndIf}
FunctionEnd
