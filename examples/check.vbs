' Drives checks of the bottling line through the layer, late-bound, as a
' scripting host would: the project and its components come from the host
' simulator, the verdicts from the layer. Run after zurhost has registered
' the servers:   cscript //nologo check.vbs
Option Explicit

Dim fso, folder, project, layer, root, failures
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.GetParentFolderName(WScript.ScriptFullName)
Set project = CreateObject("HostSim.Project.1")
project.Load folder & "\plant.xml"
Set layer = CreateObject("Zerani.Layer.AssistLayer.7")
layer.Init project
Set root = project.RootComponent
failures = 0

' Reports one verdict: the code (an error raised by the call), its symbol from
' the error database the layer named, the bus and the message.
Sub Report(edit, code, msg, db, expected)
    Dim bus, symbol, verdict
    bus = ""
    layer.GetProcessedBusName bus
    symbol = project.ErrorSymbol(code, db & "")
    If code = 0 Then symbol = "accepted"
    verdict = "ok"
    If symbol <> expected Then
        verdict = "FAILED (expected " & expected & ")"
        failures = failures + 1
    End If
    WScript.Echo edit & " | " & symbol & " | " & bus & " | " & msg & " | " & verdict
End Sub

Sub Insert(palette, dest, expected)
    Dim msg, db, code
    msg = "" : db = ""
    On Error Resume Next
    layer.CheckInsertDrop msg, root, project.Component(palette), project.Component(dest), 1, db
    code = Err.Number
    On Error GoTo 0
    Report "insert " & palette & " into " & dest, code, msg, db, expected
End Sub

Sub SetValue(component, path, value, expected)
    Dim msg, db, code
    msg = "" : db = ""
    On Error Resume Next
    layer.CheckPropertyChange msg, root, project.Item(component, path), value, db
    code = Err.Number
    On Error GoTo 0
    Report "set " & component & " " & path & " = " & value, code, msg, db, expected
End Sub

Sub Delete(component, expected)
    Dim msg, db, code
    msg = "" : db = ""
    On Error Resume Next
    layer.CheckDelete msg, root, project.Component(component), db
    code = Err.Number
    On Error GoTo 0
    Report "delete " & component, code, msg, db, expected
End Sub

Const Entity = "root/deviceInfo/device/DeviceManagerObject/communicationEntity"
Insert "Valve terminal @3", "PLC-1", "DP_E_ADDRESS_IN_USE"
Insert "IO module @12", "PLC-1", "CAN_E_NO_MASTER"
Insert "Camera camera-1", "PLC-1", "PN_E_NAME_IN_USE"
Insert "Camera camera-2", "PLC-1", "accepted"
SetValue "Valve-1", Entity & "/@address", "126", "DP_E_ADDRESS_RANGE"
Delete "PLC-1", "DP_E_HAS_DEVICES"
layer.Term

WScript.Echo failures & " expectations failed"
WScript.Quit failures
