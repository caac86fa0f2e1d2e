' The control driven by a real script host (cscript): late-bound calls by name, script variables
' and literals passed for by-reference parameters, optional parameters left out, commands that
' the terminal on the other end of COM7 acknowledges, and run-time errors as Err.Number and
' Err.Description. Exits with the number of failed checks.
Option Explicit

Dim failures : failures = 0

Sub Check(condition, what)
    If condition Then
        WScript.Echo "ok   " & what
    Else
        WScript.Echo "FAIL " & what
        failures = failures + 1
    End If
End Sub

Dim control : Set control = CreateObject("velko_for_fox_pro.velko_foxpro")

Dim errorText : errorText = ""
Check control.OpenVelko("COM99", errorText) = 2, "OpenVelko with a literal port name fails"
Check errorText = "COM99 open error", "its message reaches the script variable"

Dim port : port = "COM98"
Check control.OpenVelko(port, errorText) = 2 And errorText = "COM98 open error", _
    "OpenVelko with a script variable for the port name"
Check control.GetCurrentErrorMsg() = "COM98 open error", "GetCurrentErrorMsg returns the message"
Check control.GetCurrentErrorMsg() = "", "and clears it"
Check control.ComPortStateGet() = False, "ComPortStateGet is False while the port is closed"

Dim command : command = 110
Check control.SendCmd(command) = False, "SendCmd with its optional parameters left out"
Dim first : first = "x"
Check control.SendCmd(command, first, , "z") = False, "SendCmd with a parameter left out between two"
Check control.CloseVelko(port, errorText) = 0, "CloseVelko returns 0"

' On COM7 the terminal acknowledges every command, and the parameters that SendCmd rewrote come
' back in the script's variables.
port = "COM7"
Check control.OpenVelko(port, errorText) = 0, "OpenVelko opens COM7"
Check control.ComPortStateGet() = True, "ComPortStateGet is True while the port is open"
command = 68
Dim dateText : dateText = "12-25"
Dim timeText : timeText = "09:30"
Check control.SendCmd(command, dateText, timeText) = True, "SendCmd D is acknowledged"
Check dateText = "1225" And timeText = "0930", "its date and time are rewritten in the variables"
Check command = 68, "and the command code stays"
Check control.SendCmd(command, dateText, timeText) = False, _
    "SendCmd D again with the rewritten variables fails its tests"
Dim message : message = control.GetCurrentErrorMsg()
Check InStr(message, "=1225" & vbCrLf) > 0 And Right(message, 5) = "=0930", _
    "GetCurrentErrorMsg names both rejected values"
command = 71
Dim area : area = "031"
Check control.SendCmd(command, area) = True And area = "1", _
    "SendCmd G rewrites the area code to its code character"
Check control.CloseVelko(port, errorText) = 0, "CloseVelko closes COM7"
Check control.ComPortStateGet() = False, "and the port is closed"

On Error Resume Next
Dim data : data = "ATZ"
control.TxData data
Check Err.Number = 8018, "TxData on a closed port fails with 8018"
Check Err.Description = "Operation valid only when the port is open", "and its description"
Err.Clear
control.NoSuchMethod
Check Err.Number = 438, "an unknown name is no member"
On Error GoTo 0

WScript.Echo "script ended"
WScript.Quit failures
