' The control driven by a real script host (cscript): late-bound calls by name, script variables
' and literals passed for by-reference parameters, optional parameters left out, and run-time
' errors as Err.Number and Err.Description. Exits with the number of failed checks.
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

On Error Resume Next
Dim data : data = "ATZ"
control.TxData data
Check Err.Number = 8018, "TxData on a closed port fails with 8018"
Check Err.Description = "Operation valid only when the port is open", "and its description"
Err.Clear
control.NoSuchMethod
Check Err.Number = 438, "an unknown name is no member"
On Error GoTo 0

WScript.Quit failures
