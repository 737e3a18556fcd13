; The Windows installer of Idlescope (cmake/WindowsInstaller.cmake runs it):
;
;   makensis -DVERSION=0.1 -DPROGRAM=Idlescope.exe -DOUTFILE=Idlescope-0.1-setup.exe Idlescope.nsi
;
; It installs Idlescope.exe into Program Files\Idlescope, adds a Start-menu
; shortcut for all users and registers an uninstaller in Windows' list of
; installed programs. The uninstaller removes all of that again. /S installs
; and uninstalls silently.

!ifndef VERSION | PROGRAM | OUTFILE
  !error "Define VERSION, PROGRAM and OUTFILE"
!endif

; A 64-bit installer: it sees the 64-bit Program Files folder and registry.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Idlescope"

Name "Idlescope ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Idlescope"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Idlescope"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Idlescope.exe" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Idlescope.lnk" "$INSTDIR\Idlescope.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Idlescope"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\Idlescope.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Installed size in KiB, as the list of programs shows it.
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Idlescope.lnk"
  Delete "$INSTDIR\Idlescope.exe"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only an empty folder goes: files the user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
