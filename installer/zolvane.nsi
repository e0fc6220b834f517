; The setup program of Zolvane Screensaver, for all users of a machine: one script for the 64-bit and the
; 32-bit build. installer/CMakeLists.txt runs makensis on it with the version and the build's files:
;
;   makensis -DARCH=x64|x86 -DVERSION=1.0.0.0 -DOUTFILE=... -DSCR=zolvane.scr -DPLAYER=skitplayer.exe
;            -DHELP=zolvane.htm -DOPS=zolvane.ops -DSKITS=FOLDER -DICON=zolvane.ico zolvane.nsi
;
; SKITS is the folder of the starter skits' movies (*.gif, *.mp4) and OPS the ops file that knows them.
;
; Where things go:
;   Program Files\Zolvane      the help page, the skit player and the uninstaller: the program's code lies
;                              only where administrators alone can write
;   the system folder          zolvane.scr, where the Screen Saver settings list looks
;   ProgramData\Zolvane        what the program writes as whoever is logged on, and no code: the ops file,
;                              skits\ (the starter skits; the player runs in it and finds its movie there),
;                              downloads\, logs\. Setup makes Administrators its owner and sets its rights
;                              itself each time, over a folder that was there before too: Users may read
;                              everything and make, change and delete files in these four folders, but
;                              may not make, rename or delete a folder, nor run what is there
;   HKLM Software\Osterwyn\Zolvane  the values that name them, in the registry view of the program's own
;                              bitness, because that is the view it reads
;
; /S installs silently; a silent install makes Zolvane the current screensaver only with /CURRENT. The
; uninstaller (also /S) removes all of it, the downloaded skits and the logs included, by name: it deletes
; no folder with what is in it, so anything else that another user put in the data folder stays.
;
; /LISTKEY=KEY makes the installation trust skit lists signed with that key, the line that paktool keygen
; writes: the setup stores it as ListKeys (REG_MULTI_SZ) beside the other values, in place of the keys
; there were. Without it, ListKeys is left as it is: kept on an upgrade, and none on a fresh install.

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
; The file system's values for the calls below.
!define HKEY_LOCAL_MACHINE -2147483646 ; 0x80000002, sign-extended as a 64-bit handle as Windows defines it
!define REG_MULTI_SZ 7
!define KEY_SET_VALUE 2
!if "${ARCH}" == "x64"
    !define KEY_VIEW 0x100 ; KEY_WOW64_64KEY: the view that SetRegView 64 chooses for the other values
!else
    !define KEY_VIEW 0x200 ; KEY_WOW64_32KEY
!endif
!define /math LIST_KEYS_ACCESS ${KEY_SET_VALUE} | ${KEY_VIEW}
; A key line: base64 of the 91 bytes of a P-256 SubjectPublicKeyInfo, of which the first 27 are fixed.
!define LIST_KEY_LENGTH 124
!define LIST_KEY_START "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE"
!define INVALID_FILE_ATTRIBUTES -1
!define INVALID_HANDLE_VALUE -1
!define FILE_ATTRIBUTE_DIRECTORY 0x10
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
!define FILE_LIST_DIRECTORY 1
!define FILE_SHARE_READ_WRITE 3
!define OPEN_EXISTING 3
; FILE_FLAG_BACKUP_SEMANTICS, which opens a folder, and FILE_FLAG_OPEN_REPARSE_POINT, which opens a link
; itself instead of the place it leads to.
!define OPEN_FOLDER_ITSELF 0x02200000
!define SDDL_REVISION_1 1
!define SE_FILE_OBJECT 1
; OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, with PROTECTED_DACL_SECURITY_INFORMATION (the
; folder inherits nothing from its parent) or UNPROTECTED_DACL_SECURITY_INFORMATION (it does).
!define SET_OWNER_AND_OWN_DACL 0x80000005
!define SET_OWNER_AND_INHERITED_DACL 0x20000005

; The data folder's owner and rights, as SDDL: Administrators own it and it inherits nothing from
; ProgramData. SYSTEM and Administrators have full control of everything in it. Users may list the folder,
; go through it and add files to it (0x1200ab: list, add file, traverse, read attributes, extended
; attributes and rights, synchronize), and may read, change, rename and delete the files in it and below
; (0x13019f: Modify without execute, on files only): the program rewrites the ops file by renaming a new
; one over it. Users have no right to add a folder, to delete or rename one, or to run a file from here.
!define DATA_RIGHTS "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OIIO;0x13019f;;;BU)"
; skits, downloads and logs: what they inherit from the data folder, and the same rights on the folder
; itself for Users, who add files to them.
!define FOLDER_RIGHTS "O:BAD:(A;;0x1200ab;;;BU)"

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
Var ListKey   ; the key line of /LISTKEY, or empty

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

; Another user may put a junction or a symbolic link where a folder of ours belongs, so that what is written
; or deleted there lands in a place of that user's choosing. When the path in $R0 is such a link, this
; removes the link, never what it leads to (RemoveDirectory and DeleteFile remove a link itself), and sets
; $R3 to 1; otherwise $R3 is 0.
!macro RemoveLink UN
    Function ${UN}RemoveLink
        StrCpy $R3 0
        System::Call 'kernel32::GetFileAttributesW(w R0) i .R4'
        IntOp $R5 $R4 & ${FILE_ATTRIBUTE_REPARSE_POINT}
        ${If} $R4 <> ${INVALID_FILE_ATTRIBUTES}
        ${AndIf} $R5 <> 0
            StrCpy $R3 1
            IntOp $R5 $R4 & ${FILE_ATTRIBUTE_DIRECTORY}
            ${If} $R5 <> 0
                System::Call 'kernel32::RemoveDirectoryW(w R0)'
            ${Else}
                System::Call 'kernel32::DeleteFileW(w R0)'
            ${EndIf}
        ${EndIf}
    FunctionEnd
!macroend
!insertmacro RemoveLink ""
!insertmacro RemoveLink "un."

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

; Stops the setup with a message (none in a silent one) and exit code 2, before anything names the folder.
!macro StopSetup TEXT
    DetailPrint "${TEXT}"
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
    SetErrorLevel 2
    Abort
!macroend

; Makes the folder $R0 a real folder of ours: a link in its place goes, and the folder gets Administrators
; as its owner and the rights $R1 (SDDL), set with the SetNamedSecurityInfo flags $R2. Anything else in the
; way, or rights that cannot be set, stops the setup.
Function MakeFolderOurs
    Call RemoveLink
    CreateDirectory "$R0"
    ; Held open without sharing deletion, the folder cannot be renamed, deleted or replaced by a link
    ; between the look at what it is and the setting of its rights, which would otherwise go to the
    ; place a link leads to.
    System::Call 'kernel32::CreateFileW(w R0, i ${FILE_LIST_DIRECTORY}, i ${FILE_SHARE_READ_WRITE}, p 0, \
        i ${OPEN_EXISTING}, i ${OPEN_FOLDER_ITSELF}, p 0) p .R6'
    System::Call 'kernel32::GetFileAttributesW(w R0) i .R4'
    IntOp $R5 $R4 & ${FILE_ATTRIBUTE_REPARSE_POINT}
    IntOp $R4 $R4 & ${FILE_ATTRIBUTE_DIRECTORY}
    ${If} $R6 = ${INVALID_HANDLE_VALUE}
    ${OrIf} $R4 = 0
    ${OrIf} $R5 <> 0
        ${If} $R6 <> ${INVALID_HANDLE_VALUE}
            System::Call 'kernel32::CloseHandle(p R6)'
        ${EndIf}
        !insertmacro StopSetup "${PRODUCT} Setup could not make the folder $R0: a file, or a link that \
            could not be removed, is in its place. Remove it and run Setup again."
    ${EndIf}

    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w R1, i ${SDDL_REVISION_1}, \
        *p .R7, p 0) i .R8 ?e'
    Pop $R9
    ${If} $R8 <> 0
        System::Call 'advapi32::GetSecurityDescriptorOwner(p R7, *p .R4, *i .R5)'
        System::Call 'advapi32::GetSecurityDescriptorDacl(p R7, *i .R5, *p .R8, *i .R5)'
        System::Call 'advapi32::SetNamedSecurityInfoW(w R0, i ${SE_FILE_OBJECT}, i R2, p R4, p 0, p R8, p 0) i .R9'
        System::Call 'kernel32::LocalFree(p R7)'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R6)'
    ${If} $R9 <> 0
        !insertmacro StopSetup "${PRODUCT} Setup could not set who may change the folder $R0 (error $R9), \
            so it installs nothing. Run Setup again as an administrator."
    ${EndIf}
FunctionEnd

!macro MakeFolderOurs PATH RIGHTS FLAGS
    StrCpy $R0 "${PATH}"
    StrCpy $R1 "${RIGHTS}"
    StrCpy $R2 ${FLAGS}
    Call MakeFolderOurs
!macroend

; Takes /LISTKEY into $ListKey; a text that is no key line stops the setup before anything changes, since
; an installation that trusted no key would take any list.
Function ReadListKey
    StrCpy $ListKey ""
    ; Not through GetOptions: it ends an option's value at the next '/', and base64 has them. The key runs
    ; from "/LISTKEY=" to the next blank or quote.
    ${GetParameters} $0
    StrLen $1 $0
    StrCpy $2 0
    StrCpy $4 0 ; found
    ${DoWhile} $2 < $1
        StrCpy $3 $0 9 $2
        ${If} $3 == "/LISTKEY="
            StrCpy $4 1
            IntOp $2 $2 + 9
            ${ExitDo}
        ${EndIf}
        IntOp $2 $2 + 1
    ${Loop}
    ${If} $4 = 0
        Return
    ${EndIf}
    ${DoWhile} $2 < $1
        StrCpy $3 $0 1 $2
        ${If} $3 == " "
        ${OrIf} $3 == '"'
            ${ExitDo}
        ${EndIf}
        StrCpy $ListKey "$ListKey$3"
        IntOp $2 $2 + 1
    ${Loop}
    StrLen $1 $ListKey
    StrCpy $2 $ListKey 36
    ${If} $1 <> ${LIST_KEY_LENGTH}
    ${OrIf} $2 != "${LIST_KEY_START}"
        !insertmacro StopSetup "${PRODUCT} Setup takes /LISTKEY= with the one line of a public key that paktool \
            keygen writes, and $\"$ListKey$\" is none. Setup installs nothing."
    ${EndIf}
FunctionEnd

; Writes $ListKey as ListKeys. NSIS writes REG_MULTI_SZ only from data fixed when the script is built, so
; the value is set through the registry functions: the line, its zero and the zero that ends the list.
Function WriteListKeys
    System::Call 'advapi32::RegCreateKeyExW(p ${HKEY_LOCAL_MACHINE}, w "${SETTINGS_KEY}", i 0, p 0, i 0, \
        i ${LIST_KEYS_ACCESS}, p 0, *p .R0, p 0) i .R1'
    ${If} $R1 = 0
        ; 124 characters and a zero in the first field, the closing zero in the second: 252 bytes.
        System::Call '*(&w125 "$ListKey", &i2 0) p .R2'
        System::Call 'advapi32::RegSetValueExW(p R0, w "ListKeys", i 0, i ${REG_MULTI_SZ}, p R2, i 252) i .R1'
        System::Free $R2
        System::Call 'advapi32::RegCloseKey(p R0)'
    ${EndIf}
    ${If} $R1 <> 0
        !insertmacro StopSetup "${PRODUCT} Setup could not store the key of /LISTKEY (error $R1). Run Setup \
            again as an administrator."
    ${EndIf}
FunctionEnd

Section "Zolvane Screensaver" SecMain
    SectionIn RO
    Call ReadListKey

    ; The data folder first: when it cannot be made ours, nothing is installed and nothing names it. The
    ; data folder's rights come before its folders', which inherit from it.
    !insertmacro MakeFolderOurs "$DataDir" "${DATA_RIGHTS}" ${SET_OWNER_AND_OWN_DACL}
    !insertmacro MakeFolderOurs "$DataDir\skits" "${FOLDER_RIGHTS}" ${SET_OWNER_AND_INHERITED_DACL}
    !insertmacro MakeFolderOurs "$DataDir\downloads" "${FOLDER_RIGHTS}" ${SET_OWNER_AND_INHERITED_DACL}
    !insertmacro MakeFolderOurs "$DataDir\logs" "${FOLDER_RIGHTS}" ${SET_OWNER_AND_INHERITED_DACL}

    SetOutPath "$INSTDIR"
    File "/oname=zolvane.htm" "${HELP}"
    File "/oname=skitplayer.exe" "${PLAYER}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    SetOutPath "$ScrDir"
    File "/oname=zolvane.scr" "${SCR}"

    ; An earlier installation kept the player, and the argument file it read, in the skits folder.
    Delete "$DataDir\skits\skitplayer.exe"
    Delete "$DataDir\skits\skitplayer.arg"
    SetOutPath "$DataDir\skits"
    File "${SKITS}/*.gif"
    File "${SKITS}/*.mp4"
    ; An installation over an earlier one keeps the user's catalogue: the skits chosen and downloaded.
    SetOutPath "$DataDir"
    SetOverwrite off
    File "/oname=zolvane.ops" "${OPS}"
    SetOverwrite on

    WriteRegStr HKLM "${SETTINGS_KEY}" "Player" "$INSTDIR\skitplayer.exe"
    WriteRegStr HKLM "${SETTINGS_KEY}" "SkitsPath" "$DataDir\skits"
    WriteRegStr HKLM "${SETTINGS_KEY}" "OpsFilePath" "$DataDir\zolvane.ops"
    WriteRegStr HKLM "${SETTINGS_KEY}" "DownloadPath" "$DataDir\downloads"
    WriteRegStr HKLM "${SETTINGS_KEY}" "HelpFilePath" "$INSTDIR\zolvane.htm"
    WriteRegStr HKLM "${SETTINGS_KEY}" "LogPath" "$DataDir\logs\download.log"
    ; Without /LISTKEY the keys an administrator chose before stay.
    ${If} $ListKey != ""
        Call WriteListKeys
    ${EndIf}

    CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
    ; The shortcut's working folder is the output folder.
    SetOutPath "$INSTDIR"
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

; Deletes the files that match $R1 and $R2 (when given) in the folder $R0, then the folder if it is empty;
; of a link in its place only the link goes.
Function un.ClearFolder
    Call un.RemoveLink
    ${If} $R3 = 0
        Delete "$R0\$R1"
        ${If} $R2 != ""
            Delete "$R0\$R2"
        ${EndIf}
        RMDir "$R0"
    ${EndIf}
FunctionEnd

!macro ClearFolder FOLDER FIRST SECOND
    StrCpy $R0 "${FOLDER}"
    StrCpy $R1 "${FIRST}"
    StrCpy $R2 "${SECOND}"
    Call un.ClearFolder
!macroend

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

    ; Users may add files to the data folder: only what setup put there and what the program makes is
    ; deleted, by name, and a folder goes only when nothing else is left in it. A folder that is a link
    ; loses the link and nothing else.
    StrCpy $R0 "$DataDir"
    Call un.RemoveLink
    ${If} $R3 = 0
        Delete "$DataDir\zolvane.ops"
        Delete "$DataDir\zolvane.ops1"
        Delete "$DataDir\zolvane.ops2"
        !insertmacro ClearFolder "$DataDir\skits" "*.gif" "*.syn"
        !insertmacro ClearFolder "$DataDir\skits" "*.mp4" "*.m4v"
        !insertmacro ClearFolder "$DataDir\skits" "*.mov" "*.wmv"
        ; The records of movie downloads that were broken off, then the movies and lists.
        !insertmacro ClearFolder "$DataDir\downloads" "*.resume" ""
        !insertmacro ClearFolder "$DataDir\downloads" "*.gif" "*.syn"
        !insertmacro ClearFolder "$DataDir\downloads" "*.mp4" "*.m4v"
        !insertmacro ClearFolder "$DataDir\downloads" "*.mov" "*.wmv"
        !insertmacro ClearFolder "$DataDir\logs" "download.log" ""
        RMDir "$DataDir"
    ${EndIf}
    Delete "$SMPROGRAMS\${MENU_FOLDER}\Zolvane Settings.lnk"
    RMDir "$SMPROGRAMS\${MENU_FOLDER}"

    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Osterwyn"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Osterwyn"
    ; The uninstalling user's own folder, where the screensaver writes the player's argument files.
    SetShellVarContext current
    Delete "$LOCALAPPDATA\Zolvane\*.arg"
    RMDir "$LOCALAPPDATA\Zolvane"
    SetShellVarContext all
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; The program folder goes last: a silent uninstall is done once it is gone. Only what setup put
    ; there is deleted, so a folder the user chose keeps anything else in it.
    Delete "$INSTDIR\zolvane.htm"
    Delete "$INSTDIR\skitplayer.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
