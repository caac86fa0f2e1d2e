' velko_calls.vbs: the calls in the terminal's memory and then every call the terminal reports,
' each with the caller's name, on the console, until Ctrl-C. Run it from a command prompt with
' the script host of the registered control's bitness, the terminal's port as its argument:
'   C:\Windows\SysWOW64\cscript.exe velko_calls.vbs COM3     the 32-bit control, 64-bit Windows
'   cscript velko_calls.vbs COM3                             otherwise
Option Explicit

If WScript.Arguments.Count <> 1 Then
    WScript.Echo "usage: cscript velko_calls.vbs COMn"
    WScript.Quit 2
End If

' The control's events call the procedures whose names begin with velko_.
Dim velko : Set velko = WScript.CreateObject("velko_for_fox_pro.velko_foxpro", "velko_")
Dim port : port = WScript.Arguments(0)
Dim errorText : errorText = ""
If velko.OpenVelko(port, errorText) <> 0 Then
    WScript.Echo errorText
    WScript.Quit 1
End If

' a: the calls in the terminal's memory. The answer comes as an event; the LastList methods keep
' the last list after it, so the script reads it once it is there. (A script cannot read the
' records of the event's cidInfo.)
Dim command : command = 97
If velko.SendCmd(command) Then
    Dim waited : waited = 0
    Do While velko.LastListKind() <> 97 And waited < 10000
        WScript.Sleep 100
        waited = waited + 100
    Loop
    ShowMemory
Else
    WScript.Echo velko.GetCurrentErrorMsg()
End If

WScript.Echo "Waiting for calls on " & port & "; Ctrl-C ends."
Do
    WScript.Sleep 200                   ' the events arrive while the script waits
Loop

' A date and time as MM-DD HH:MM.
Function DateTimeText(monthNumber, dayNumber, hours, minutes)
    DateTimeText = Right("0" & monthNumber, 2) & "-" & Right("0" & dayNumber, 2) & " " & _
        Right("0" & hours, 2) & ":" & Right("0" & minutes, 2)
End Function

Sub ShowMemory
    If velko.LastListKind() <> 97 Then
        WScript.Echo "The terminal did not list its calls."
        Exit Sub
    End If
    WScript.Echo velko.LastListCount() & " calls in memory:"
    Dim entry
    For entry = 1 To velko.LastListCount()
        WScript.Echo "  " & DateTimeText(velko.LastListMonth(entry), velko.LastListDay(entry), _
            velko.LastListHour(entry), velko.LastListMin(entry)) & "  " & _
            velko.LastListNumber(entry) & "  " & velko.LastListName(entry)
    Next
End Sub

' A call. The event's text carries no name: the LastCall methods read every field of this call.
Sub velko_ReceiveCallByString(callState, cidStrInfo)
    WScript.Echo "Call  " & DateTimeText(velko.LastCallMonth(), velko.LastCallDay(), _
        velko.LastCallHour(), velko.LastCallMin()) & "  " & velko.LastCallNumber() & "  " & _
        velko.LastCallName() & "  group " & velko.LastCallGroup() & "  " & velko.LastCallTelType()
End Sub

Sub velko_HookEvent(eventType)
    If eventType Then
        WScript.Echo "Receiver lifted"
    Else
        WScript.Echo "Receiver hung up"
    End If
End Sub
