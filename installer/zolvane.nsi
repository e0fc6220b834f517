; The setup program of Zolvane Screensaver, for all users of a machine: one script for the 64-bit and the
; 32-bit build. installer/CMakeLists.txt runs makensis on it with the version and the build's files:
;
;   makensis -DARCH=x64|x86 -DVERSION=1.0.0.0 -DOUTFILE=... -DSCR=zolvane.scr -DPLAYER=skitplayer.exe
;            -DHELP=zolvane.htm -DOPS=zolvane.ops -DSKITS=FOLDER -DICON=zolvane.ico zolvane.nsi
;
; SKITS is the folder of the starter skits' movies (*.gif) and OPS the ops file that knows them.
;
; Where things go:
;   Program Files\Zolvane      the help page and the uninstaller
;   the system folder          zolvane.scr, where the Screen Saver settings list looks
;   ProgramData\Zolvane        what the program writes, so a standard user must be able to: the ops file,
;                              skits\ (the starter skits and the player, which finds its argument file
;                              and its movie in its own folder), downloads\, logs\
;   HKLM Software\Osterwyn\Zolvane  the values that name them, in the registry view of the program's own
;                              bitness, because that is the view it reads
;
; /S installs silently; a silent install makes Zolvane the current screensaver only with /CURRENT. The
; uninstaller (also /S) removes all of it, the downloaded skits and the logs included.

!ifdef ARCH & VERSION & OUTFILE & SCR & PLAYER & HELP & OPS & SKITS & ICON
!else
    !error "Pass ARCH, VERSION, OUTFILE, SCR, PLAYER, HELP, OPS, SKITS and ICON with -D."
!endif

!if "${ARCH}" == "x64"
    Target amd64-unicode
!else if "${ARCH}" == "x86"
    Target x86-unicode
!else
    !error "ARCH must be x64 or x86, not ${ARCH}."
!endif

!define PRODUCT "Zolvane Screensaver"
!define COMPANY "Osterwyn"
!define SETTINGS_KEY "Software\Osterwyn\Zolvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zolvane"
!define DESKTOP_KEY "Control Panel\Desktop"
!define MENU_FOLDER "Zolvane Screensaver"
; SystemParametersInfo's action and flag that tell the running session about the screensaver switch.
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_SENDCHANGE 2

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"
!if "${ARCH}" == "x64"
    InstallDir "$PROGRAMFILES64\Zolvane"
!else
    InstallDir "$PROGRAMFILES\Zolvane"
!endif

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${COMPANY}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var DataDir   ; ProgramData\Zolvane
Var ScrDir    ; the system folder that holds zolvane.scr, as the rest of the system names it
Var ScrPath   ; $ScrDir\zolvane.scr
Var MakeCurrent

; Sets the registry view, the shell folders of all users and the places above; both halves call it.
!macro SetPlaces UN
    Function ${UN}SetPlaces
        SetShellVarContext all
        ; With the context of all users, $APPDATA is the common application data folder (ProgramData).
        StrCpy $DataDir "$APPDATA\Zolvane"
        !if "${ARCH}" == "x64"
            ; A 64-bit setup is not redirected anyway; these say which view and folder it means.
            SetRegView 64
            ${DisableX64FSRedirection}
            StrCpy $ScrDir "$SYSDIR"
        !else
            SetRegView 32
            ; A 32-bit program's $SYSDIR is redirected to SysWOW64 on 64-bit Windows. The Screen Saver
            ; settings and the Start menu are 64-bit there and must be given the real folder.
            ${If} ${RunningX64}
                StrCpy $ScrDir "$WINDIR\SysWOW64"
            ${Else}
                StrCpy $ScrDir "$SYSDIR"
            ${EndIf}
        !endif
        StrCpy $ScrPath "$ScrDir\zolvane.scr"
    FunctionEnd
!macroend
!insertmacro SetPlaces ""
!insertmacro SetPlaces "un."

; Without administrator rights nothing below could be written: say so before anything changes.
!macro RequireAdmin
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} Setup needs administrator rights, because it installs \
            the screensaver for all users. Run it again as an administrator." /SD IDOK
        SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
        Quit
    ${EndIf}
!macroend

Function .onInit
    !insertmacro RequireAdmin
    Call SetPlaces
FunctionEnd

Function un.onInit
    !insertmacro RequireAdmin
    Call un.SetPlaces
FunctionEnd

Section "Zolvane Screensaver" SecMain
    SectionIn RO

    SetOutPath "$INSTDIR"
    File "/oname=zolvane.htm" "${HELP}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    SetOutPath "$ScrDir"
    File "/oname=zolvane.scr" "${SCR}"

    SetOutPath "$DataDir\skits"
    File "/oname=skitplayer.exe" "${PLAYER}"
    File "${SKITS}/*.gif"
    CreateDirectory "$DataDir\downloads"
    CreateDirectory "$DataDir\logs"
    ; An installation over an earlier one keeps the user's catalogue: the skits chosen and downloaded.
    SetOutPath "$DataDir"
    SetOverwrite off
    File "/oname=zolvane.ops" "${OPS}"
    SetOverwrite on

    ; The screensaver writes the player's argument file, downloads skits and logs as whoever is logged
    ; on: the Users group may change everything in the data folder.
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$DataDir" /grant *S-1-5-32-545:(OI)(CI)M'
    Pop $0
    ${If} $0 != 0
        DetailPrint "The Users group could not be given the right to change $DataDir (icacls: $0)."
    ${EndIf}

    WriteRegStr HKLM "${SETTINGS_KEY}" "Player" "$DataDir\skits\skitplayer.exe"
    WriteRegStr HKLM "${SETTINGS_KEY}" "SkitsPath" "$DataDir\skits"
    WriteRegStr HKLM "${SETTINGS_KEY}" "OpsFilePath" "$DataDir\zolvane.ops"
    WriteRegStr HKLM "${SETTINGS_KEY}" "DownloadPath" "$DataDir\downloads"
    WriteRegStr HKLM "${SETTINGS_KEY}" "HelpFilePath" "$INSTDIR\zolvane.htm"
    WriteRegStr HKLM "${SETTINGS_KEY}" "LogPath" "$DataDir\logs\download.log"

    CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
    CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\Zolvane Settings.lnk" "$ScrPath" "/c" "$ScrPath" 0 \
        SW_SHOWNORMAL "" "Choose the skits Zolvane plays and how new ones arrive"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$ScrPath,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    ${GetSize} "$DataDir" "/S=0K" $3 $1 $2
    IntOp $0 $0 + $3
    ${GetSize} "$ScrDir" "/M=zolvane.scr /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The current screensaver: asked in an interactive install, chosen with /CURRENT in a silent one.
Section "-Current screensaver"
    StrCpy $MakeCurrent 0
    ${If} ${Silent}
        ${GetParameters} $0
        ClearErrors
        ${GetOptions} $0 "/CURRENT" $1
        ${IfNot} ${Errors}
            StrCpy $MakeCurrent 1
        ${EndIf}
    ${ElseIf} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "Make Zolvane your screensaver now?" IDYES`
        StrCpy $MakeCurrent 1
    ${EndIf}
    ${If} $MakeCurrent != 1
        Return
    ${EndIf}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$ScrPath"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
    System::Call "user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_SENDCHANGE})"
    DetailPrint "Zolvane is the current screensaver."
SectionEnd

Section "Uninstall"
    ; The user's screensaver goes back to none only when it is ours; Windows may have stored the short
    ; form of the path.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    GetFullPathName /SHORT $1 "$ScrPath"
    ${If} $0 != ""
        ${If} $0 == $ScrPath
        ${OrIf} $0 == $1
            DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
            WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
            System::Call "user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_SENDCHANGE})"
        ${EndIf}
    ${EndIf}

    ; The program's ini file and trace log lie beside it when it made them.
    Delete "$ScrPath"
    Delete "$ScrDir\zolvane.ini"
    Delete "$ScrDir\zolvane.log"
    RMDir /r "$DataDir"
    RMDir /r "$SMPROGRAMS\${MENU_FOLDER}"

    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Osterwyn"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Osterwyn"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; The program folder goes last: a silent uninstall is done once it is gone. Only what setup put
    ; there is deleted, so a folder the user chose keeps anything else in it.
    Delete "$INSTDIR\zolvane.htm"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
