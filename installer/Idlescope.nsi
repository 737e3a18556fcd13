; SPDX-License-Identifier: MIT
; The Windows installer of Idlescope (cmake/WindowsInstaller.cmake runs it):
;
;   makensis -DVERSION=0.1 -DVERSION4=0.1.0.0 -DPROGRAM=Idlescope.exe -DICON=idlescope.ico
;            -DLICENCE=LICENSE.txt -DNOTICES=THIRD-PARTY-NOTICES.txt
;            -DLICENCE_PAGE=licence-page.txt -DOUTFILE=Idlescope-0.1-setup.exe Idlescope.nsi
;
; It shows the licence and the third-party notices (LICENCE_PAGE: both, with
; CR LF line ends), installs Idlescope.exe with the two texts into
; Program Files\Idlescope, adds a Start-menu shortcut for all users and
; registers an uninstaller in Windows' list of installed programs, with the
; program's icon, publisher and version. The uninstaller removes all of that
; again. /S installs and uninstalls silently.

!ifndef VERSION | VERSION4 | PROGRAM | ICON | LICENCE | NOTICES | LICENCE_PAGE | OUTFILE
  !error "Define VERSION, VERSION4, PROGRAM, ICON, LICENCE, NOTICES, LICENCE_PAGE and OUTFILE"
!endif

; A 64-bit installer: it sees the 64-bit Program Files folder and registry.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Idlescope"
!define PUBLISHER "Idlescope maintainers"

Name "Idlescope ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\Idlescope"
RequestExecutionLevel admin
; Sharp text at any display scaling.
ManifestDPIAware true
ShowInstDetails show
ShowUninstDetails show

; The setup program's own version information, for its Properties page.
VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "Idlescope"
VIAddVersionKey /LANG=1033 "FileDescription" "Idlescope ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 the Idlescope maintainers. MIT licence."

; Nothing to accept: the page says under which terms the program and the
; software inside it come.
LicenseData "${LICENCE_PAGE}"
SubCaption 0 ": Licence and third-party notices"
LicenseText "Idlescope is released under the MIT licence. Idlescope.exe also contains the third-party software listed after it, under the licences given there." "&Next >"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Idlescope"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Idlescope.exe" "${PROGRAM}"
  File "/oname=LICENSE.txt" "${LICENCE}"
  File "/oname=THIRD-PARTY-NOTICES.txt" "${NOTICES}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Idlescope.lnk" "$INSTDIR\Idlescope.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Idlescope"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
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
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only an empty folder goes: files the user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
