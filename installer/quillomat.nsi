; The Quillomat installer: per user, no administrator rights.
;
; makensis -DVERSION=1.0.0 -DSRC=<source folder> -DBIN_X86=<32-bit build>
;          -DBIN_X64=<64-bit build> -DREADME=<README.txt> -DOUTFILE=<setup.exe>
;          -DHEADER_BMP=<150x57 BMP> -DWELCOME_BMP=<164x314 BMP> [-DTARGET_X64]
; The installer carries both builds and installs the one that fits the
; Windows it runs on. TARGET_X64 makes the same installer as a 64-bit
; program (for machines that can only run 64-bit programs, such as a test
; machine); it then always installs the 64-bit build.

Unicode true
!ifdef TARGET_X64
Target amd64-unicode
!endif

!define PRODUCT "Quillomat"
!define PUBLISHER "The Quillomat authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillomat"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT} ${VERSION}"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT license"

!include MUI2.nsh
!include x64.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define MUI_ICON "${SRC}/resources/quillomat.ico"
!define MUI_UNICON "${SRC}/resources/quillomat.ico"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${HEADER_BMP}"
!define MUI_HEADERIMAGE_UNBITMAP "${HEADER_BMP}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WELCOME_BMP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WELCOME_BMP}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillomat.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Quillomat now"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running Quillomat is closed through its own window, so that it saves its
; settings and totals (and asks about unsaved edits); files are never
; replaced under a running program. If it does not close, setup stops.
!macro CLOSE_RUNNING prefix
Function ${prefix}CloseRunning
    FindWindow $0 "QuillomatClass"
    ${If} $0 == 0
        Return
    ${EndIf}
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Quillomat is running. Setup will close it now: it saves its settings first, and asks about unsaved edits in its editor." /SD IDOK IDOK close
    Abort "Quillomat is still running."
close:
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=60000
    StrCpy $1 0
    ${Do}
        FindWindow $0 "QuillomatClass"
        ${If} $0 == 0
            Sleep 500 ; the process ends a moment after its window
            Return
        ${EndIf}
        ${If} $1 >= 100
            MessageBox MB_OK|MB_ICONEXCLAMATION "Quillomat is still running. Close it, then run this again." /SD IDOK
            Abort "Quillomat is still running."
        ${EndIf}
        Sleep 100
        IntOp $1 $1 + 1
    ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

Section "-Close Quillomat"
    Call CloseRunning
SectionEnd

Section "Quillomat" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    ; The trigger file (quillomat.txt) and the settings (quillomat.ini) beside
    ; the program are the user's: they are never written here.
!ifdef TARGET_X64
    File "/oname=quillomat.exe" "${BIN_X64}/quillomat.exe"
    File "/oname=quillomat-check.exe" "${BIN_X64}/quillomat-check.exe"
!else
    ${If} ${RunningX64}
        File "/oname=quillomat.exe" "${BIN_X64}/quillomat.exe"
        File "/oname=quillomat-check.exe" "${BIN_X64}/quillomat-check.exe"
    ${Else}
        File "/oname=quillomat.exe" "${BIN_X86}/quillomat.exe"
        File "/oname=quillomat-check.exe" "${BIN_X86}/quillomat-check.exe"
    ${EndIf}
!endif
    File "/oname=README.txt" "${README}"
    File "/oname=LICENSE.txt" "${SRC}/LICENSE"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetShellVarContext current
    CreateShortcut "$SMPROGRAMS\Quillomat.lnk" "$INSTDIR\quillomat.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillomat.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The same quoted value the program's own Options > Auto-start at Login writes.
Section /o "Start Quillomat at login" SecAutoStart
    WriteRegExpandStr HKCU "${RUN_KEY}" "Quillomat" '"$INSTDIR\quillomat.exe"'
SectionEnd

Section "un.Quillomat" SecUnProgram
    SectionIn RO
    Call un.CloseRunning
    Delete "$INSTDIR\quillomat.exe"
    Delete "$INSTDIR\quillomat-check.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Quillomat.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "Quillomat"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Off unless ticked, and never in a silent uninstall: the user's own text.
Section /o "un.Also delete my trigger file and settings" SecUnData
    Delete "$INSTDIR\quillomat.txt"
    Delete "$INSTDIR\quillomat.ini"
SectionEnd

Section "-un.Folder"
    RMDir "$INSTDIR" ; only when nothing of the user's is left in it
SectionEnd
