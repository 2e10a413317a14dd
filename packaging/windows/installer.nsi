; The Windows installer, tessary-VERSION-setup.exe, made by makensis from
; packaging/windows/CMakeLists.txt, which defines:
;   VERSION      the project's version, four numbers (0.1.1.0)
;   SOURCE_DIR   the source tree (README.md, LICENSE)
;   BINARY_DIR   the build folder: the icon is in windows-resources/, the installer goes here
;   GUI_EXE      tessary.exe, the desktop program
;   CLI_EXE      tessary-scale.exe, the console tool
;   PROGID       the file type name under which Tessary offers to open .mdl files
;
; It installs for the current user by default, without administrator rights, into
; %LOCALAPPDATA%\Programs\Tessary with its registry entries under HKCU. For everyone on the
; computer (into Program Files, entries under HKLM) it needs administrator rights: choose it on
; the "Choose Users" page, or give /ALLUSERS on the command line. /S installs silently,
; /D=FOLDER picks the folder (last on the command line, as with any NSIS installer).
;
; It installs only into a folder that does not exist yet, is empty, or holds Tessary already;
; given any other folder (C:\Shared, with files of the user's), it installs into a Tessary
; folder inside it, and refuses when that too holds other files (status 2 when silent).
; A /D= that names no folder a program can have (a file, or a path inside one) is refused too.
;
; It notes the size and last write time of each file it installs, and writes over or removes
; only files that are still as it left them: one that another program wrote since (a README.md
; of its own, say) stays, and the details say so. A program of Tessary's that another program
; changed makes a new installation refuse before anything is written, as it would not be whole.
;
; Tessary offers itself in "Open with" for .mdl files; it never takes over the extension's
; default program. Uninstall.exe removes what the installer made and nothing else: its own
; files as it left them, and the folder only when the installer made it and it is left empty.

!ifdef VERSION & SOURCE_DIR & BINARY_DIR & GUI_EXE & CLI_EXE & PROGID
!else
  !error "Build this through CMake (make windows): it defines VERSION, SOURCE_DIR, BINARY_DIR, GUI_EXE, CLI_EXE and PROGID."
!endif

Unicode true
; The programs are 64-bit only, and so is the installer: it sees the 64-bit registry and
; Program Files without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PUBLISHER "The Tessary developers"
!define ICON "${BINARY_DIR}/windows-resources/tessary/tessary.ico"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessary"
!define APP_KEY "Software\Classes\Applications\tessary.exe"
!define MDL_KEY "Software\Classes\.mdl"
; ERROR_ELEVATION_REQUIRED: the exit status when an all-users run lacks the rights.
!define EXIT_NEEDS_ADMIN 740

Name "Tessary"
Caption "Tessary ${VERSION} Setup"
UninstallCaption "Tessary Uninstall"
BrandingText "Tessary ${VERSION}"
OutFile "${BINARY_DIR}/tessary-${VERSION}-setup.exe"
; No InstallDir: .onInit tells a folder given with /D= from none, then picks the default.

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Tessary"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Tessary ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "tessary-${VERSION}-setup.exe"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

Var AllUsers     ; 1: for everyone (Program Files, HKLM); 0: for the current user (HKCU)
Var IsAdmin      ; 1 when this process has administrator rights
Var FixedDir     ; 1 when /D= chose the folder, which then stays whatever the mode
Var ModeMe       ; the two buttons of the "Choose Users" page
Var ModeEveryone
Var MadeFolder   ; 1 when the installation's folder is the installer's own making

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tessary.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tessary"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${SOURCE_DIR}/LICENSE"
Page custom ModePageShow ModePageLeave
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Sets $IsAdmin. UserInfo answers "User" for an administrator's process that UAC has not
; elevated, which is what matters here: such a process cannot write Program Files or HKLM.
!macro CHECK_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${Else}
    StrCpy $IsAdmin 0
  ${EndIf}
!macroend

; Tells the shell that file associations changed, so that Explorer's "Open with" menus and
; icons follow at once (SHCNE_ASSOCCHANGED, SHCNF_IDLIST).
!macro NOTIFY_ASSOCIATIONS
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; Which files are still as the installer left them -----------------------------------------
; The size and last write time of each installed file are noted in its entry in the list of
; installed programs ("Installed NAME"): a file with others is another program's doing.

; Sets $R9 to what tells the file $R8 from another one written under its name: "SIZE/HIGH/LOW",
; its size and last write time; "?" when it cannot be read; "" when there is no such file.
!macro STAMP_FUNCTION un
Function ${un}Stamp
  StrCpy $R9 ""
  ${IfNot} ${FileExists} "$R8"
    Return
  ${EndIf}
  StrCpy $R9 "?"
  ${If} ${FileExists} "$R8\*.*"  ; a folder
    Return
  ${EndIf}
  ClearErrors
  GetFileTime "$R8" $R6 $R7
  FileOpen $R5 "$R8" r
  ${If} ${Errors}
    Return
  ${EndIf}
  FileSeek $R5 0 END $R4
  FileClose $R5
  StrCpy $R9 "$R4/$R6/$R7"
FunctionEnd
!macroend

; Sets $R7 to the value $R6 of the entry in the list of installed programs that names $INSTDIR
; (the current user's, else everyone's), or to "" when neither names it.
!macro NOTED_VALUE_FUNCTION un
Function ${un}NotedValue
  StrCpy $R7 ""
  ; StrCmp (==) compares without regard to case, as Windows names files.
  ReadRegStr $R5 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R5 == $INSTDIR
    ReadRegStr $R7 HKCU "${UNINSTALL_KEY}" $R6
    Return
  ${EndIf}
  ReadRegStr $R5 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R5 == $INSTDIR
    ReadRegStr $R7 HKLM "${UNINSTALL_KEY}" $R6
  ${EndIf}
FunctionEnd
!macroend

; Sets $R3 to 1 when the file $INSTDIR\$R2 may be written over or removed: there is none, or it
; is still the one that Tessary installed, with the size and time noted then (in a folder of
; Tessary's from an installer that noted none, the files of its names count as its own); to 0
; otherwise.
!macro OWN_FILE_FUNCTION un
Function ${un}IsOwnFile
  StrCpy $R3 1
  StrCpy $R8 "$INSTDIR\$R2"
  Call ${un}Stamp
  ${If} $R9 == ""
    Return
  ${EndIf}
  StrCpy $R6 "Installed $R2"
  Call ${un}NotedValue
  ${If} $R7 == $R9
    Return
  ${EndIf}
  ${If} $R7 == ""
    StrCpy $R6 "Installed Uninstall.exe"  ; noted by every installer that notes files
    Call ${un}NotedValue
    ${If} $R7 == ""
      StrCpy $R6 "InstallLocation"
      Call ${un}NotedValue
      ${If} $R7 != ""
        Return
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $R3 0
FunctionEnd
!macroend

!insertmacro STAMP_FUNCTION ""
!insertmacro NOTED_VALUE_FUNCTION ""
!insertmacro OWN_FILE_FUNCTION ""
!insertmacro STAMP_FUNCTION "un."
!insertmacro NOTED_VALUE_FUNCTION "un."
!insertmacro OWN_FILE_FUNCTION "un."

; The installer ---------------------------------------------------------------------------

; Sets $R1 to 1 when the folder $R0 may take the installation: it does not exist, is empty, or
; is where the list of installed programs says Tessary is (for the user or for everyone);
; 0 when it holds anything else, or is a file or inside one.
Function FolderIsFree
  StrCpy $R1 1
  ; No folder can be made inside a file.
  StrCpy $R2 $R0
  ${Do}
    StrCpy $R3 $R2
    ${GetParent} $R3 $R2
    ${If} $R2 == ""
    ${OrIf} $R2 == $R3
      ${Break}
    ${EndIf}
    ${If} ${FileExists} "$R2"
    ${AndIfNot} ${FileExists} "$R2\*.*"
      StrCpy $R1 0
      Return
    ${EndIf}
  ${Loop}
  ${IfNot} ${FileExists} "$R0\*.*"
    ${If} ${FileExists} "$R0"
      StrCpy $R1 0
    ${EndIf}
    Return
  ${EndIf}
  ; StrCmp (==) compares without regard to case, as Windows names files.
  ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 == $R0
    Return
  ${EndIf}
  ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 == $R0
    Return
  ${EndIf}
  FindFirst $R2 $R3 "$R0\*.*"
  ${Do}
    ${If} $R3 == ""  ; no more
      ${Break}
    ${EndIf}
    ${If} $R3 != "."
    ${AndIf} $R3 != ".."
      StrCpy $R1 0
      ${Break}
    ${EndIf}
    FindNext $R2 $R3
  ${Loop}
  FindClose $R2
FunctionEnd

; Makes $INSTDIR a folder that may take the installation: itself when it is free, otherwise
; the Tessary folder inside it when that one is. Sets $R1 to 0 when neither is.
Function ChooseFolder
  StrCpy $R0 $INSTDIR
  Call FolderIsFree
  ${If} $R1 == 1
    Return
  ${EndIf}
  StrCpy $R0 "$INSTDIR\Tessary"
  Call FolderIsFree
  ${If} $R1 == 1
    StrCpy $INSTDIR $R0
  ${EndIf}
FunctionEnd

; Sets $R3 to 0, and $R2 to its name, when one of the programs that Tessary installs is in
; $INSTDIR but not as Tessary left it: another program's, which is not written over, and without
; which the installation would not be whole. To 1 otherwise.
Function CheckPrograms
  StrCpy $R2 "tessary.exe"
  Call IsOwnFile
  ${If} $R3 == 1
    StrCpy $R2 "tessary-scale.exe"
    Call IsOwnFile
  ${EndIf}
  ${If} $R3 == 1
    StrCpy $R2 "Uninstall.exe"
    Call IsOwnFile
  ${EndIf}
FunctionEnd

; Sets $R0 to the folder given with /D= (the rest of the command line, as the installer reads
; it), or to "" when none was.
Function GivenFolder
  StrCpy $R0 ""
  System::Call "kernel32::GetCommandLineW() t .R1"
  StrLen $R2 $R1
  StrCpy $R3 0
  ${DoWhile} $R3 < $R2
    StrCpy $R4 $R1 4 $R3
    ${If} $R4 S== " /D="
      IntOp $R3 $R3 + 4
      StrCpy $R0 $R1 "" $R3
      Return
    ${EndIf}
    IntOp $R3 $R3 + 1
  ${Loop}
FunctionEnd

Function DirectoryLeave
  StrCpy $R4 $INSTDIR
  Call ChooseFolder
  ${If} $R1 != 1
    MessageBox MB_OK|MB_ICONSTOP "$R4 holds other files, and so does $R4\Tessary.$\r$\nChoose a folder that is empty or new."
    Abort
  ${EndIf}
  ${If} $INSTDIR != $R4
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$R4 holds other files: Tessary goes into a folder of its own inside it,$\r$\n$INSTDIR." IDOK chosen
    Abort  ; back to the page, which now shows that folder
  ${EndIf}
  chosen:
  Call CheckPrograms
  ${If} $R3 != 1
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\$R2 is not the file that Tessary installed there: another program wrote it since.$\r$\nRemove it, or choose another folder."
    Abort
  ${EndIf}
FunctionEnd

; Switches to one mode: the shell folders and SHCTX (HKCU or HKLM) follow it, and so does the
; default folder (the one already installed in this mode, if any), unless /D= gave one.
Function UseMode
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ${If} $FixedDir != 1
    ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $INSTDIR == ""
      ${If} $AllUsers == 1
        StrCpy $INSTDIR "$PROGRAMFILES64\Tessary"
      ${Else}
        StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Tessary"
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $FixedDir 0
  ${If} $INSTDIR != ""
    StrCpy $FixedDir 1
  ${Else}
    ; NSIS leaves out a /D= that cannot name a folder (a file, or a path inside one): it would
    ; install into the default folder instead, which was not asked for.
    Call GivenFolder
    ${If} $R0 != ""
      ${If} ${Silent}
        SetErrorLevel 2
        Quit
      ${EndIf}
      MessageBox MB_OK|MB_ICONSTOP "Tessary cannot be installed in $R0, which cannot be a folder.$\r$\nChoose another."
    ${EndIf}
  ${EndIf}
  !insertmacro CHECK_ADMIN
  StrCpy $AllUsers 0
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/ALLUSERS" $2
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    ${If} $IsAdmin != 1
      ${If} ${Silent}
        ; Nobody to ask for the rights: fail, with the status that says why.
        SetErrorLevel ${EXIT_NEEDS_ADMIN}
        Quit
      ${EndIf}
      ; Interactive: the "Choose Users" page asks for the rights if this mode stays chosen.
    ${EndIf}
  ${EndIf}
  Call UseMode
  ; Interactive, the folder page checks the folder when it is left.
  ${If} ${Silent}
    Call ChooseFolder
    ${If} $R1 != 1
      SetErrorLevel 2
      Quit
    ${EndIf}
    Call CheckPrograms
    ${If} $R3 != 1
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; "Choose Users": just for me (the default), or for everyone.
Function ModePageShow
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install Tessary."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 20u "Install Tessary for you alone, or for everyone who uses this computer."
  Pop $0
  ${NSD_CreateRadioButton} 10u 28u -10u 12u "Just for &me (no administrator rights needed)"
  Pop $ModeMe
  ${NSD_CreateRadioButton} 10u 46u -10u 12u "For &everyone on this computer"
  Pop $ModeEveryone
  ${If} $IsAdmin != 1
    ${NSD_CreateLabel} 22u 60u -22u 20u "Windows will ask for administrator rights and start the installer again."
    Pop $0
  ${EndIf}
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeEveryone
  ${Else}
    ${NSD_Check} $ModeMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeEveryone $0
  ${If} $0 == ${BST_CHECKED}
    ${If} $IsAdmin != 1
      ; Start again with the rights, straight in this mode; /ELEVATED stops a second round
      ; when even that process has none (UAC turned off for a standard user).
      ${GetParameters} $1
      ClearErrors
      ${GetOptions} $1 "/ELEVATED" $2
      ${IfNot} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Installing for everyone needs administrator rights."
        Abort
      ${EndIf}
      ExecShell "runas" "$EXEPATH" "/ALLUSERS /ELEVATED"
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call UseMode
FunctionEnd

; Notes the size and time of $INSTDIR\$R2, as the installer wrote it.
Function NoteFile
  StrCpy $R8 "$INSTDIR\$R2"
  Call Stamp
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Installed $R2" $R9
FunctionEnd

; Leaves $INSTDIR\$R2, another program's, as it is, and says so.
Function LeaveFile
  DetailPrint "Left $INSTDIR\$R2 as it is: another program wrote it there since Tessary installed it."
  DeleteRegValue SHCTX "${UNINSTALL_KEY}" "Installed $R2"
FunctionEnd

; Installs SOURCE as $INSTDIR\NAME, unless a file of another program's has that name.
!macro INSTALL_FILE NAME SOURCE
  StrCpy $R2 "${NAME}"
  Call IsOwnFile
  ${If} $R3 == 1
    File "/oname=${NAME}" "${SOURCE}"
    StrCpy $R2 "${NAME}"
    Call NoteFile
  ${Else}
    Call LeaveFile
  ${EndIf}
!macroend

Section "Tessary" SecMain
  SectionIn RO
  ; Whether the uninstaller may remove the folder once it has emptied it: only when it is this
  ; installer's (or an earlier one's) making, never a folder the user had.
  StrCpy $MadeFolder 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $MadeFolder 1
  ${Else}
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
      ReadRegDWORD $MadeFolder SHCTX "${UNINSTALL_KEY}" "MadeFolder"
      ${If} $MadeFolder == ""  ; from an installer that did not say: it made its folder
        StrCpy $MadeFolder 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  SetOutPath "$INSTDIR"
  ; Each file only over one that is still as Tessary left it (the programs were checked before
  ; the installation began), its size and time noted.
  !insertmacro INSTALL_FILE "tessary.exe" "${GUI_EXE}"
  !insertmacro INSTALL_FILE "tessary-scale.exe" "${CLI_EXE}"
  !insertmacro INSTALL_FILE "README.md" "${SOURCE_DIR}/README.md"
  !insertmacro INSTALL_FILE "LICENSE.txt" "${SOURCE_DIR}/LICENSE"
  StrCpy $R2 "Uninstall.exe"
  Call IsOwnFile
  ${If} $R3 == 1
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    Call NoteFile
  ${Else}
    Call LeaveFile
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\Tessary.lnk" "$INSTDIR\tessary.exe" "" "$INSTDIR\tessary.exe" 0 \
    SW_SHOWNORMAL "" "Rescale 3-D models"

  ; "Open with": the application, with the types it opens...
  WriteRegStr SHCTX "${APP_KEY}" "FriendlyAppName" "Tessary"
  WriteRegStr SHCTX "${APP_KEY}\DefaultIcon" "" "$INSTDIR\tessary.exe,0"
  WriteRegStr SHCTX "${APP_KEY}\shell\open\command" "" '"$INSTDIR\tessary.exe" "%1"'
  WriteRegStr SHCTX "${APP_KEY}\SupportedTypes" ".mdl" ""
  ; ...and a file type of its own, offered for .mdl beside whatever else opens it. The
  ; (default) value of .mdl, the extension's own program, is left alone.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "Tessary model"
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "FriendlyTypeName" "Tessary model"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\tessary.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\tessary.exe" "%1"'
  WriteRegNone SHCTX "${MDL_KEY}\OpenWithProgids" "${PROGID}"
  !insertmacro NOTIFY_ASSOCIATIONS

  ; The entry in the list of installed programs.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Tessary"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tessary.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "MadeFolder" $MadeFolder
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The uninstaller -------------------------------------------------------------------------

; The mode comes from the folder ($INSTDIR: where Uninstall.exe is, or _?=): the entry of
; the all-users install or the current user's names it. When neither does, this is no
; installation (a stray copy of Uninstall.exe, say), and nothing is touched: the registry
; entries are another install's. Removing an all-users install needs administrator rights.
Function un.onInit
  ; StrCmp (==) compares without regard to case, as Windows names files.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
  ${ElseIf} $1 == $INSTDIR
    StrCpy $AllUsers 0
  ${Else}
    ${IfNot} ${Silent}
      MessageBox MB_OK|MB_ICONSTOP "Tessary is not installed in $INSTDIR."
    ${EndIf}
    SetErrorLevel 2
    Quit
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
    !insertmacro CHECK_ADMIN
    ${If} $IsAdmin != 1
      ${If} ${Silent}
        SetErrorLevel ${EXIT_NEEDS_ADMIN}
        Quit
      ${EndIf}
      ${GetParameters} $1
      ClearErrors
      ${GetOptions} $1 "/ELEVATED" $2
      ${IfNot} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Removing Tessary for everyone needs administrator rights."
        Quit
      ${EndIf}
      ; Start the uninstaller in the folder again, with the rights.
      ExecShell "runas" "$INSTDIR\Uninstall.exe" "/ELEVATED"
      Quit
    ${EndIf}
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Removes $INSTDIR\NAME, unless another program wrote or changed it since Tessary installed it.
!macro REMOVE_FILE NAME
  StrCpy $R2 "${NAME}"
  Call un.IsOwnFile
  ${If} $R3 == 1
    Delete "$INSTDIR\${NAME}"
  ${Else}
    DetailPrint "Left $INSTDIR\${NAME} as it is: another program wrote it or changed it since Tessary installed it."
  ${EndIf}
!macroend

Section "Uninstall"
  ReadRegDWORD $MadeFolder SHCTX "${UNINSTALL_KEY}" "MadeFolder"
  ; Each file only while it is still as Tessary left it; one that another program wrote or
  ; changed since stays.
  !insertmacro REMOVE_FILE "tessary.exe"
  !insertmacro REMOVE_FILE "tessary-scale.exe"
  !insertmacro REMOVE_FILE "README.md"
  !insertmacro REMOVE_FILE "LICENSE.txt"
  !insertmacro REMOVE_FILE "Uninstall.exe"
  ; Only the installer's own folder, and only if empty: files the user put there stay, and so
  ; does the folder then.
  ${If} $MadeFolder != 0
    RMDir "$INSTDIR"
  ${EndIf}

  Delete "$SMPROGRAMS\Tessary.lnk"

  DeleteRegKey SHCTX "${APP_KEY}"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  ; Only Tessary's own entry under .mdl; the keys go only when nothing else is left in them
  ; (/ifempty: neither subkeys nor values, so another program's default survives).
  DeleteRegValue SHCTX "${MDL_KEY}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${MDL_KEY}\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${MDL_KEY}"
  !insertmacro NOTIFY_ASSOCIATIONS

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
