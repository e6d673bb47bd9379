; The Quillomat installer: per user, no administrator rights.
;
; makensis -DVERSION=1.0.0 -DSRC=<source folder> -DBIN_X86=<32-bit build>
;          -DBIN_X64=<64-bit build> -DREADME=<README.txt> -DLICENSE=<LICENSE.txt>
;          -DOUTFILE=<setup.exe> -DHEADER_BMP=<150x57 BMP> -DWELCOME_BMP=<164x314 BMP>
;          [-DTARGET_X64]
; README.txt and LICENSE.txt come with Windows line ends (CR LF), as every
; text file that ships does.
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
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillomat.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Quillomat now"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.HideSpaceRequired
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running Quillomat is closed through its own window, so that it saves its
; settings and totals (and asks about unsaved edits); files are never
; replaced under a running program. If it does not close, setup (or the
; uninstaller) stops; each says so in its own words.
!macro CLOSE_RUNNING prefix closing again
Function ${prefix}CloseRunning
    FindWindow $0 "QuillomatClass"
    ${If} $0 == 0
        Return
    ${EndIf}
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Quillomat is running. ${closing}: it saves its settings first, and asks about unsaved edits in its editor." /SD IDOK IDOK close
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
            MessageBox MB_OK|MB_ICONEXCLAMATION "Quillomat is still running. Close it, then ${again}." /SD IDOK
            Abort "Quillomat is still running."
        ${EndIf}
        Sleep 100
        IntOp $1 $1 + 1
    ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING "" "Setup will close it now" "run setup again"
!insertmacro CLOSE_RUNNING "un." "It will be closed now, so that it can be removed" "uninstall it again"

; "/D=C:\My Folder" quoted as one argument, or /D="C:\My Folder": most tools
; and most users quote a folder with blanks so. Setup itself takes only a
; bare /D= that comes last, and would install into the default folder. It
; also cuts /D= off $CMDLINE, so the command line is asked of Windows.
Function TakeQuotedFolder
    System::Call "kernel32::GetCommandLineW() w .r6"
    StrLen $1 $6
    StrCpy $0 1
    ${Do}
        ${IfThen} $0 >= $1 ${|} Return ${|}
        StrCpy $2 $6 3 $0
        ${IfThen} $2 == "/D=" ${|} ${Break} ${|}
        IntOp $0 $0 + 1
    ${Loop}
    IntOp $3 $0 - 1
    StrCpy $4 $6 1 $3 ; the character before "/D="
    IntOp $0 $0 + 3
    StrCpy $5 $6 1 $0 ; the character after it
    ${If} $5 == '"'
        IntOp $0 $0 + 1
    ${ElseIf} $4 != '"'
        Return ; a bare /D=, which setup took
    ${EndIf}
    StrCpy $2 $6 "" $0
    StrLen $4 $2
    StrCpy $3 0
    ${DoWhile} $3 < $4
        StrCpy $5 $2 1 $3
        ${IfThen} $5 == '"' ${|} ${Break} ${|}
        IntOp $3 $3 + 1
    ${Loop}
    ${IfThen} $3 > 0 ${|} StrCpy $INSTDIR $2 $3 ${|}
FunctionEnd

; $0: the folder of an earlier install that is still there, else "".
Function EarlierFolder
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIfNot} ${FileExists} "$0\quillomat.exe"
        StrCpy $0 ""
    ${EndIf}
FunctionEnd

; $0 made comparable: a full path, without a backslash at its end.
Function FullFolder
    GetFullPathName $0 "$0"
    StrCpy $1 $0 1 -1
    ${IfThen} $1 == "\" ${|} StrCpy $0 $0 -1 ${|}
FunctionEnd

; Quillomat keeps the user's trigger file and settings beside the program:
; a second install into another folder would leave the first one's files
; behind, with neither a Start menu entry nor an uninstaller entry. An
; update goes into the earlier folder; another folder means uninstalling
; first. Case does not matter to the comparison, as to Windows.
Function CheckFolder
    Call EarlierFolder
    ${If} $0 == ""
        Return
    ${EndIf}
    StrCpy $6 $0
    Call FullFolder
    StrCpy $7 $0
    StrCpy $0 $INSTDIR
    Call FullFolder
    ${If} $0 != $7
        MessageBox MB_OK|MB_ICONEXCLAMATION "Quillomat is already installed in$\r$\n$6$\r$\n$\r$\nSetup updates it there, beside your trigger file and settings. To install it into another folder, uninstall it first." /SD IDOK
        Abort
    ${EndIf}
FunctionEnd

; The uninstaller needs no room: the components page does not speak of it.
Function un.HideSpaceRequired
    FindWindow $0 "#32770" "" $HWNDPARENT
    GetDlgItem $1 $0 1023
    ShowWindow $1 ${SW_HIDE}
FunctionEnd

Section "-Close Quillomat"
    Call CloseRunning
SectionEnd

Section "Quillomat" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    ; The trigger file (quillomat.txt) and the settings (quillomat.ini) beside
    ; the program are the user's: they are never written here.
    File "/oname=README.txt" "${README}"
    File "/oname=LICENSE.txt" "${LICENSE}"
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
SectionEnd

; One build of the two goes in; the sections are hidden, and their sizes
; make "Space required" the size of what is installed.
Section "-Program x64" SecProgramX64
    SetOutPath "$INSTDIR"
    File "/oname=quillomat.exe" "${BIN_X64}/quillomat.exe"
    File "/oname=quillomat-check.exe" "${BIN_X64}/quillomat-check.exe"
SectionEnd

!ifndef TARGET_X64
Section "-Program x86" SecProgramX86
    SetOutPath "$INSTDIR"
    File "/oname=quillomat.exe" "${BIN_X86}/quillomat.exe"
    File "/oname=quillomat-check.exe" "${BIN_X86}/quillomat-check.exe"
SectionEnd
!endif

Section "-Size"
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
; Ticked, it takes every file the program made: the trigger file and the
; settings, edits kept at a logoff, the debug log, a save cut short, and
; the program's own folder under %LOCALAPPDATA%.
Section /o "un.Also delete my trigger file and settings" SecUnData
    Delete "$INSTDIR\quillomat.txt"
    Delete "$INSTDIR\quillomat.ini"
    Delete "$INSTDIR\quillomat (unsaved edits)*.txt"
    Delete "$INSTDIR\Quillomat_log.txt"
    Delete "$INSTDIR\~qlm*.tmp"
    SetShellVarContext current
    ${If} "$LOCALAPPDATA\Quillomat" != "$INSTDIR"
        RMDir /r "$LOCALAPPDATA\Quillomat"
    ${EndIf}
SectionEnd

Section "-un.Folder"
    RMDir "$INSTDIR" ; only when nothing of the user's is left in it
SectionEnd

Function .onInit
    Call TakeQuotedFolder
!ifndef TARGET_X64
    ; Only the build that fits this Windows is installed, and counted in
    ; "Space required".
    ${If} ${RunningX64}
        SectionSetFlags ${SecProgramX86} 0
    ${Else}
        SectionSetFlags ${SecProgramX64} 0
    ${EndIf}
!endif
    ${If} ${Silent}
        Call CheckFolder
    ${EndIf}
FunctionEnd
