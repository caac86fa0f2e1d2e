@echo off
rem uninstall.cmd: unregisters the velko control modules of this folder (install.cmd /u). Run it
rem as administrator before deleting the folder. Started in a window of its own, it waits for a
rem key before the window closes (install.cmd tells).
call "%~dp0install.cmd" /u
exit /b %errorlevel%
