' The control driven by a real script host (cscript): late-bound calls by name, script variables
' and literals passed for by-reference parameters, optional parameters left out, commands that
' the terminal on the other end of COM7 acknowledges, the last call and list read field by field,
' and run-time errors as Err.Number and Err.Description. Exits with the number of failed checks.
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

' Before anything came, the last call is empty and the last list has no entry.
Check control.LastCallState() = 0 And control.LastCallName() = "" And control.LastCallMin() = 0, _
    "before any call its state, name and numbers are empty"
Check control.LastListKind() = 0 And control.LastListCount() = 0, "before any list it has no entry"
On Error Resume Next
Dim ignored : ignored = control.LastListName(1)
Check Err.Number = 9 And Err.Description = "Subscript out of range", _
    "and reading its first entry fails with error 9"
Err.Clear
On Error GoTo 0

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

' This script host delivers no events, and has no WScript.Sleep: what the terminal sends after a
' command arrives while the next command waits for its acknowledgement. In answer to "a" the
' terminal lists 60 stored calls and then reports a call; the script reads them afterwards. (This
' script host has no ChrW to write the names' Korean letters: entry n's name is the same two
' letters followed by n, and the call's name has three.)
command = 97
Check control.SendCmd(command) = True, "SendCmd a is acknowledged"
command = 101
Check control.SendCmd(command) = True, "the next command is acknowledged after list and call"
Check control.LastListKind() = 97 And control.LastListCount() = 60, "the last list: 60 stored calls"
Dim i, wrong : wrong = 0
Dim letters : letters = Left(control.LastListName(1), 2)
Check Len(letters) = 2 And InStr(letters, "?") = 0, _
    "the names begin with two letters"
For i = 1 To control.LastListCount()
    If control.LastListMonth(i) <> 12 Or control.LastListDay(i) <> i Or _
            control.LastListHour(i) <> 8 Or control.LastListMin(i) <> i Or _
            control.LastListNumber(i) <> "0200000" & Right("00" & i, 3) Or _
            control.LastListName(i) <> letters & i Or control.LastListGroup(i) <> i Mod 7 Or _
            control.LastListTelType(i) <> "VIP" Then
        wrong = wrong + 1
    End If
Next
Check wrong = 0, "every field of every entry read by its index"
Check control.LastCallState() = 1 And control.LastCallNumber() = "0212345678" And _
    Len(control.LastCallName()) = 3 And InStr(control.LastCallName(), "?") = 0 And _
    control.LastCallMonth() = 3 And control.LastCallDay() = 5 And control.LastCallHour() = 9 And _
    control.LastCallMin() = 7 And control.LastCallGroup() = 2 And _
    control.LastCallTelType() = "NORMAL", "the last call with its caller's name"
On Error Resume Next
ignored = control.LastListName(61)
Check Err.Number = 9, "an index beyond the list fails with error 9"
Err.Clear
ignored = control.LastListNumber(0)
Check Err.Number = 9, "and so does index 0"
Err.Clear
On Error GoTo 0

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
