' Script-style use of the stand-in (arguments by reference, For Each, default members):
' cscript smoke.vbs SAVEFILE. Prints one fact a line; ends with code 1 at the first error.
Option Explicit
Dim app, doc, page, pages, shapes, report
Sub Check(what)
  If Err.Number <> 0 Then
    WScript.Echo "error in " & what & ": " & Hex(Err.Number) & " " & Err.Description
    WScript.Quit 1
  End If
End Sub
On Error Resume Next
Set app = CreateObject("Publisher.Application") : Check "CreateObject"
Set doc = app.ActiveDocument : Check "ActiveDocument"
Set pages = doc.Pages : Check "Pages"
pages.Add 2, 1 : Check "Pages.Add"
Set shapes = pages(2).Shapes : Check "Pages(2).Shapes"
shapes.Paste : Check "Shapes.Paste"
report = ""
For Each page In pages
  report = report & " " & page.PageNumber & ":" & page.Shapes.Count
Next
Check "For Each"
WScript.Echo "pages" & report
Dim i : i = 1
WScript.Echo "documents " & app.Documents.Count & " first " & app.Documents(i).Name : Check "Documents(i)"
Dim target : target = WScript.Arguments(0)
doc.SaveAs target : Check "SaveAs"
WScript.Echo "saved " & doc.FullName
Dim x : x = app.Documents.Item(7).Name
WScript.Echo "bad index: " & Err.Description
Err.Clear
app.Quit : Check "Quit"
WScript.Echo "quit"
