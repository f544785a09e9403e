' A newsletter through the stand-in: colour schemes, sections and page numbers, a page that
' ignores its master, backgrounds, the page size's bounds.
' cscript smoke-newsletter.vbs SAVEFILE PICTUREFILE. Prints one fact a line; a call expected
' to fail prints its description; ends with code 1 at an unexpected error.
Option Explicit
Dim app, doc, pages, sections, section, back, fill, report, page, opened
Sub Check(what)
  If Err.Number <> 0 Then
    WScript.Echo "error in " & what & ": " & Hex(Err.Number) & " " & Err.Description
    WScript.Quit 1
  End If
End Sub
Sub Refused(what)
  If Err.Number = 0 Then
    WScript.Echo "no error in " & what
    WScript.Quit 1
  End If
  WScript.Echo what & ": " & Err.Description
  Err.Clear
End Sub
Function Numbers()
  Dim p, text
  For Each p In pages
    text = text & " " & p.PageNumber
  Next
  Numbers = Mid(text, 2)
End Function
On Error Resume Next
Set app = CreateObject("Publisher.Application") : Check "CreateObject"
Set doc = app.ActiveDocument : Check "ActiveDocument"
WScript.Echo "scheme " & doc.ColorScheme.Name & " of " & app.ColorSchemes.Count
WScript.Echo "by number " & app.ColorSchemes(2).Name & ", by constant " & app.ColorSchemes(-1000).Name
Set doc.ColorScheme = app.ColorSchemes("Orchid") : Check "Set ColorScheme ="
WScript.Echo "scheme now " & doc.ColorScheme.Name
Dim x : Set x = app.ColorSchemes("Sunset") : Refused "unknown scheme"
doc.ColorScheme = "Ocean" : Refused "scheme as text"

Set pages = doc.Pages
pages.Add 4, 1 : Check "Pages.Add"
Set sections = doc.Sections : Check "Sections"
WScript.Echo "sections " & sections.Count & ": " & Numbers()
Set section = sections.Add(3) : Check "Sections.Add"
WScript.Echo "added at " & section.StartPageIndex & " continuing " & section.ContinueNumbersFromPreviousSection & ": " & Numbers()
sections.Add 3 : Refused "a second head on page 3"
sections.Add 6 : Refused "past the pages"
section.PageNumberFormat = 2 : Check "PageNumberFormat"
section.PageNumberStart = 4 : Check "PageNumberStart"
WScript.Echo "lower roman from 4: " & Numbers() & " continuing " & section.ContinueNumbersFromPreviousSection
sections(1).PageNumberFormat = 3 : Check "first PageNumberFormat"
section.ContinueNumbersFromPreviousSection = True : Check "continue"
WScript.Echo "letters, then continued: " & Numbers() & " start " & section.PageNumberStart
section.PageNumberFormat = 46 : Refused "Arabic1"
sections(1).Delete : Refused "deleting the first section"
sections(1).ContinueNumbersFromPreviousSection = True : Refused "the first section continuing"
pages.Add 1, 1 : Check "Pages.Add in the first section"
WScript.Echo "a page added after page 1: " & Numbers() & ", section 2 at " & sections(2).StartPageIndex

pages(2).IgnoreMaster = True : Check "IgnoreMaster"
WScript.Echo "ignore master " & pages(1).IgnoreMaster & " " & pages(2).IgnoreMaster
Set back = doc.MasterPages(1).Background : Refused "a master page's background"
Set back = pages(1).Background : Check "Background"
WScript.Echo "background exists " & back.Exists
Set fill = back.Fill : Refused "no background's fill"
back.Delete : Refused "deleting no background"
back.Create : Check "Create"
back.Create : Refused "a second background"
Set fill = back.Fill : Check "Fill"
WScript.Echo "new fill type " & fill.Type & " colour type " & fill.ForeColor.Type & " rgb " & Hex(fill.ForeColor.RGB)
fill.ForeColor.RGB = RGB(255, 0, 0) : Check "ForeColor.RGB ="
WScript.Echo "red " & Hex(fill.ForeColor.RGB)
fill.ForeColor.SchemeColor = 2 : Check "SchemeColor ="
WScript.Echo "scheme colour " & fill.ForeColor.SchemeColor & " type " & fill.ForeColor.Type
x = fill.ForeColor.RGB : Refused "a scheme colour's RGB"
fill.UserPicture "C:\nothing.png" : Refused "UserPicture"
pages(3).Background.Create : Check "page 3 Create"
pages(3).Background.Delete : Check "page 3 Delete"
WScript.Echo "page 3 background " & pages(3).Background.Exists

doc.PageSetup.PageWidth = 16740 : Check "PageWidth 16740"
doc.PageSetup.PageHeight = 16561 : Refused "PageHeight past the sheet"
doc.PageSetup.PageWidth = 0 : Check "PageWidth 0"
doc.PageSetup.PageWidth = 17352 : Check "PageWidth 17352 on a page of 0"
doc.PageSetup.PageWidth = 612 : Refused "PageWidth 612 on a page of 17352"
doc.PageSetup.PageWidth = 0 : Check "PageWidth 0 again"
doc.PageSetup.PageWidth = 500 : Check "PageWidth 500"

doc.SaveAs WScript.Arguments(0) : Check "SaveAs"
WScript.Echo "saved " & doc.FullName

Set opened = app.Open(WScript.Arguments(1)) : Check "Open"
Set fill = opened.Pages(1).Background.Fill : Check "picture Fill"
WScript.Echo "picture fill type " & fill.Type & ", scheme " & opened.ColorScheme.Name & ", page 2 " & opened.Pages(2).PageNumber
x = fill.ForeColor.Type : Refused "a picture's ForeColor"
app.Quit
