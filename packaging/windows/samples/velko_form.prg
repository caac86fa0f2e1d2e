* velko_form.prg: a Visual FoxPro form with the velko control. It shows every call the terminal
* reports with the caller's name, lists the calls the terminal's memory holds, and asks the
* terminal for its clock. Register the control first (install.cmd or the .msi), set the port the
* terminal is on below, and run it: DO velko_form.prg
#DEFINE VELKO_PORT "COM3"

LOCAL loForm
loForm = CREATEOBJECT("VelkoForm")
IF VARTYPE(loForm) == "O"
    loForm.Show()
    * The control's events arrive while FoxPro waits here, until the form is closed.
    READ EVENTS
ENDIF
RETURN

DEFINE CLASS VelkoForm AS Form
    Caption = "velko"
    Width = 520
    Height = 330
    AutoCenter = .T.

    ADD OBJECT lstCalls AS ListBox WITH ;
        Left = 8, Top = 8, Width = 504, Height = 250
    ADD OBJECT cmdMemory AS CommandButton WITH ;
        Left = 8, Top = 266, Width = 160, Height = 27, Caption = "Calls in memory"
    ADD OBJECT cmdClock AS CommandButton WITH ;
        Left = 176, Top = 266, Width = 160, Height = 27, Caption = "Terminal clock"
    ADD OBJECT lblStatus AS Label WITH ;
        Left = 8, Top = 302, Width = 504, Height = 20, Caption = ""
    ADD OBJECT oVelko AS VelkoLine

    PROCEDURE Init
        LOCAL lcPort, lcError
        lcPort = VELKO_PORT
        lcError = ""
        * OpenVelko writes its message into lcError: both are passed by reference.
        IF THIS.oVelko.OpenVelko(@lcPort, @lcError) <> 0
            MESSAGEBOX(lcError, 16, "velko")
            RETURN .F.
        ENDIF
        THIS.lblStatus.Caption = lcPort + " is open"
    ENDPROC

    PROCEDURE Destroy
        LOCAL lcPort, lcError
        STORE "" TO lcPort, lcError
        THIS.oVelko.CloseVelko(@lcPort, @lcError)
        CLEAR EVENTS
    ENDPROC

    PROCEDURE cmdMemory.Click
        * a: the calls in the terminal's memory, oldest first (ReceiveGatheredInfo, kind 97)
        THISFORM.SendCommand(97)
    ENDPROC

    PROCEDURE cmdClock.Click
        * d: the terminal's date and time (ReceiveResponse, msgType 100)
        THISFORM.SendCommand(100)
    ENDPROC

    * Sends a command; its answer comes later, as an event. SendCmd may rewrite its parameters:
    * they, the command's code among them, are variables passed by reference.
    PROCEDURE SendCommand
        LPARAMETERS tnCommand
        LOCAL lnCommand
        lnCommand = tnCommand
        IF NOT THIS.oVelko.SendCmd(@lnCommand)
            THIS.lblStatus.Caption = THIS.oVelko.GetCurrentErrorMsg()
        ENDIF
    ENDPROC

    * A date and time as MM-DD HH:MM.
    PROCEDURE TimeText
        LPARAMETERS tnMonth, tnDay, tnHour, tnMinute
        RETURN PADL(tnMonth, 2, "0") + "-" + PADL(tnDay, 2, "0") + " " + ;
            PADL(tnHour, 2, "0") + ":" + PADL(tnMinute, 2, "0")
    ENDPROC

    * A failed call of the control: FoxPro's error, with the control's own text in AERROR()'s
    * third element.
    PROCEDURE ShowError
        LOCAL laError[1]
        AERROR(laError)
        THIS.lblStatus.Caption = TRANSFORM(laError[1]) + ": " + TRANSFORM(laError[3])
    ENDPROC
ENDDEFINE

* The control on the form; each of its events is handled by the method of the event's name.
DEFINE CLASS VelkoLine AS OleControl
    OleClass = "velko_for_fox_pro.velko_foxpro"

    * A call. Its text carries no name: the LastCall methods read every field of this call.
    PROCEDURE ReceiveCallByString
        LPARAMETERS callState, cidStrInfo
        THISFORM.lstCalls.AddItem( ;
            THISFORM.TimeText(THIS.LastCallMonth(), THIS.LastCallDay(), ;
                THIS.LastCallHour(), THIS.LastCallMin()) + "  " + ;
            THIS.LastCallNumber() + "  " + THIS.LastCallName() + ;
            "  group " + TRANSFORM(THIS.LastCallGroup()) + "  " + THIS.LastCallTelType())
    ENDPROC

    * A list. FoxPro cannot read its records (cidInfo): the LastList methods read each entry by
    * its index, 1 to LastListCount().
    PROCEDURE ReceiveGatheredInfo
        LPARAMETERS tnMax, tnKind, taCidInfo
        LOCAL lnEntry
        IF tnKind <> 97
            RETURN
        ENDIF
        THISFORM.lstCalls.AddItem(TRANSFORM(THIS.LastListCount()) + " calls in memory:")
        TRY
            FOR lnEntry = 1 TO THIS.LastListCount()
                THISFORM.lstCalls.AddItem("  " + ;
                    THISFORM.TimeText(THIS.LastListMonth(lnEntry), THIS.LastListDay(lnEntry), ;
                        THIS.LastListHour(lnEntry), THIS.LastListMin(lnEntry)) + "  " + ;
                    THIS.LastListNumber(lnEntry) + "  " + THIS.LastListName(lnEntry))
            ENDFOR
        CATCH
            THISFORM.ShowError()
        ENDTRY
    ENDPROC

    * The answer to a query: msgType is the command's code, the values are texts.
    PROCEDURE ReceiveResponse
        LPARAMETERS msgType, rst1, rst2, rst3
        IF msgType = 100
            THISFORM.lblStatus.Caption = "Terminal clock: " + rst1 + " " + rst2
        ELSE
            THISFORM.lblStatus.Caption = "Answer to " + TRANSFORM(msgType) + ": " + rst1
        ENDIF
    ENDPROC

    PROCEDURE HookEvent
        LPARAMETERS eventType
        THISFORM.lblStatus.Caption = IIF(eventType, "Receiver lifted", "Receiver hung up")
    ENDPROC
ENDDEFINE
