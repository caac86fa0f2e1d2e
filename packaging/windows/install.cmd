@echo off
rem install.cmd: registers the velko control modules of this folder; install.cmd /u (which
rem uninstall.cmd calls) unregisters them. On 64-bit Windows x86\velko_fox.ocx is registered by
rem the 32-bit regsvr32 and x64\velko_fox.ocx by the 64-bit one, on 32-bit Windows
rem x86\velko_fox.ocx alone. Run it as administrator, with the modules where they are to stay:
rem the registry points at them.
rem Started in a window of its own (a double click, "Run as administrator"), it waits for a key
rem before the window closes, so that its message can be read, and so does uninstall.cmd, which
rem calls it; from a command prompt or another script they end at once. A program that starts
rem one of them by its full path, as Explorer does, and must not wait gives it no input:
rem install.cmd < nul.
setlocal
set "here=%~dp0"
set "own_window="
call :started_alone "%~f0"
call :started_alone "%here%uninstall.cmd"
call :register "%~1"
set "status=%errorlevel%"
if defined own_window pause
exit /b %status%

rem :started_alone SCRIPT sets own_window when cmd.exe was started to run SCRIPT alone: its
rem command line, without quotes, holds /c and the script's full path, as Explorer and
rem CreateProcess start a script; a prompt's command line does not, nor that of another script.
rem (The quotes go in the expansion itself, so that nothing of the command line is parsed. A
rem cmd.exe without the variable, such as Wine's, leaves a quote of the expression: it goes too.)
:started_alone
set "started=%cmdcmdline:"=%"
set "started=%started:"=%"
call set "rest=%%started:/c %~1=%%"
if /i not "%rest%"=="%started%" set "own_window=1"
exit /b 0

rem :register [/u] registers the modules, or with /u unregisters them.
:register
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

rem :module REGSVR32 FOLDER BITNESS. The module's path may hold parentheses or an ampersand: it
rem stays in quotes and out of parenthesised blocks.
:module
set "ocx=%here%%~2\velko_fox.ocx"
if exist "%ocx%" goto module_found
>&2 echo "%ocx%" is missing: unpack the whole zip and run this script from its folder.
exit /b 1
:module_found
"%~1" /s %option% "%ocx%"
set "code=%errorlevel%"
if "%code%"=="0" goto module_done
>&2 echo regsvr32 failed on the %~3 module "%ocx%" with exit code %code%.
rem regsvr32's exit codes: 3 the module did not load, 5 its registration failed.
if "%code%"=="3" >&2 echo Windows could not load it: unpack the zip again.
if "%code%"=="5" >&2 echo Run this script as administrator: right-click it, Run as administrator.
exit /b 1
:module_done
echo %action% the %~3 module "%ocx%" with %~1
exit /b 0
