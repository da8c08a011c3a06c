; The leakmeter installer for Windows: per user, no administrator rights, into
; %LOCALAPPDATA%\Programs\leakmeter, with a Start menu entry and a desktop shortcut named in
; Chinese with the English name, and an uninstaller listed in Apps & features.
; makensis -DVERSION=1.1 -DSTAGE=<program folder> -DOUTFILE=<setup.exe> installer.nsi
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define NAME "leakmeter"
!define SHORTCUT "钳形漏电流表 leakmeter"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\leakmeter"

Name "${SHORTCUT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${NAME}"
InstallDirRegKey HKCU "${UNINSTKEY}" "InstallLocation"
ShowInstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "leakmeter"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\leakmeter.exe"
    CreateShortcut "$DESKTOP\${SHORTCUT}.lnk" "$INSTDIR\leakmeter.exe"
    WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "${SHORTCUT}"
    WriteRegStr HKCU "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\leakmeter.exe"
    WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "leakmeter"
    WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
    Delete "$DESKTOP\${SHORTCUT}.lnk"
    RMDir /r "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTKEY}"
SectionEnd
