; An installer for a screen saver that uninstall.exe removes again: the
; example to copy. The .scr file goes into the system folder, uninstall.exe
; into the saver's own folder, and the uninstall entry names both. The list
; of installed software runs the entry's UninstallString,
;   "<folder>\uninstall.exe" RMSCR <entry name>
; which deletes the file that PathToSCR names and then the entry itself, and
; says so in a message box.
;
;   makensis -DSAVER=<your.scr> -DUNINSTALLER=<uninstall.exe> -DOUTFILE=<setup.exe> demo-saver.nsi
;
; The installer is 32-bit: on 64-bit Windows its system folder is SysWOW64
; and its entry lands in the registry's 32-bit view, which is exactly where
; uninstall.exe, a 32-bit program too, looks first.
Unicode true
!define NAME "Demo Saver"
!define ENTRY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${NAME}"
RequestExecutionLevel admin
ShowInstDetails show

Section "Install"
    SetOutPath "$SYSDIR"
    File "/oname=${NAME}.scr" "${SAVER}"
    SetOutPath "$INSTDIR"
    File "/oname=uninstall.exe" "${UNINSTALLER}"

    WriteRegStr HKLM "${ENTRY}" "DisplayName" "${NAME}"
    ; The entry's name follows RMSCR unquoted: everything after the verb and
    ; one blank is the name, blanks included.
    WriteRegStr HKLM "${ENTRY}" "UninstallString" '"$INSTDIR\uninstall.exe" RMSCR ${NAME}'
    WriteRegStr HKLM "${ENTRY}" "PathToSCR" "$SYSDIR\${NAME}.scr"
    WriteRegStr HKLM "${ENTRY}" "DisplayIcon" "$SYSDIR\${NAME}.scr"
    WriteRegDWORD HKLM "${ENTRY}" "NoModify" 1
    WriteRegDWORD HKLM "${ENTRY}" "NoRepair" 1
SectionEnd
