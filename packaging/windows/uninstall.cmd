@echo off
rem uninstall.cmd: unregisters the velko control modules of this folder (install.cmd /u). Run it
rem as administrator before deleting the folder.
call "%~dp0install.cmd" /u
exit /b %errorlevel%
