@echo off
rem install.cmd: registers the velko control modules of this folder; install.cmd /u (which
rem uninstall.cmd calls) unregisters them. On 64-bit Windows x86\velko_fox.ocx is registered by
rem the 32-bit regsvr32 and x64\velko_fox.ocx by the 64-bit one, on 32-bit Windows
rem x86\velko_fox.ocx alone. Run it as administrator, with the modules where they are to stay:
rem the registry points at them.
setlocal
set "here=%~dp0"
set "action=registered"
set "option="
if /i "%~1"=="/u" (
    set "action=unregistered"
    set "option=/u"
)

if defined PROCESSOR_ARCHITEW6432 goto prompt32_on_windows64
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" goto windows32
rem A 64-bit prompt: System32 holds the 64-bit programs, SysWOW64 the 32-bit ones.
set "regsvr32_x86=%SystemRoot%\SysWOW64\regsvr32.exe"
set "regsvr32_x64=%SystemRoot%\System32\regsvr32.exe"
goto modules
:prompt32_on_windows64
rem A 32-bit prompt on 64-bit Windows sees the 64-bit System32 as Sysnative.
set "regsvr32_x86=%SystemRoot%\SysWOW64\regsvr32.exe"
set "regsvr32_x64=%SystemRoot%\Sysnative\regsvr32.exe"
goto modules
:windows32
set "regsvr32_x86=%SystemRoot%\System32\regsvr32.exe"
set "regsvr32_x64="

:modules
call :module "%regsvr32_x86%" x86 32-bit
if errorlevel 1 exit /b 1
if not defined regsvr32_x64 goto done
call :module "%regsvr32_x64%" x64 64-bit
if errorlevel 1 exit /b 1
:done
echo velko @PROJECT_VERSION@: done.
exit /b 0

rem :module REGSVR32 FOLDER BITNESS
:module
set "ocx=%here%%~2\velko_fox.ocx"
if not exist "%ocx%" (
    echo %ocx% is missing: unpack the whole zip and run this script from its folder. 1>&2
    exit /b 1
)
"%~1" /s %option% "%ocx%"
if errorlevel 1 (
    echo regsvr32 failed on the %~3 module %ocx% with exit code %errorlevel%. 1>&2
    echo Run this script as administrator: right-click it, Run as administrator. 1>&2
    exit /b 1
)
echo %action% the %~3 module %ocx%
exit /b 0
