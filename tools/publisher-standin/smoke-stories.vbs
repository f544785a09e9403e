' Stories through the stand-in: a newsletter whose story flows from page 1 to page 2, read
' frame by frame; copied page by page into a new publication; links refused, broken and made;
' a story's text through the clipboard.
' cscript smoke-stories.vbs NEWSLETTER SAVEFILE. Prints one fact a line; a call expected to
' fail prints its description; ends with code 1 at an unexpected error.
Option Explicit
Dim app, doc, p1, p2, mast, tf1, tf2, fresh, pasted, x
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
Function Frame(tf)
  Frame = "next " & tf.HasNextLink & " previous " & tf.HasPreviousLink & " [" & tf.TextRange.Text & "]"
End Function
On Error Resume Next
Set app = CreateObject("Publisher.Application") : Check "CreateObject"
Set doc = app.Open(WScript.Arguments(0)) : Check "Open"
Set p1 = doc.Pages(1) : Set p2 = doc.Pages(2)
Set mast = p1.Shapes(1).TextFrame : Check "the masthead"
Set tf1 = p1.Shapes(2).TextFrame : Check "page 1's frame"
Set tf2 = p2.Shapes.Item(1).TextFrame : Check "page 2's frame"
WScript.Echo "masthead " & Frame(mast) & " next is nothing " & (mast.NextLinkedTextFrame Is Nothing)
WScript.Echo "page 1 " & Frame(tf1) & " flows into [" & tf1.NextLinkedTextFrame.TextRange.Text & "]"
WScript.Echo "page 2 " & Frame(tf2) & " next is nothing " & (tf2.NextLinkedTextFrame Is Nothing) & ", previous is page 1's " & (tf2.PreviousLinkedTextFrame.Parent.ID = p1.Shapes(2).ID)
WScript.Echo "stories " & doc.Stories.Count & ": [" & doc.Stories(1).TextRange.Text & "] [" & doc.Stories(2).TextRange.Text & "] length " & doc.Stories(2).TextRange.Length & ", has a frame " & doc.Stories(2).HasTextFrame & ", its first [" & doc.Stories(2).TextFrame.TextRange.Text & "]"
WScript.Echo "page 2's story [" & tf2.Story.TextRange.Text & "], shape has a frame " & p2.Shapes(1).HasTextFrame
WScript.Echo "IDs kept " & (p1.Shapes(1).ID = mast.Parent.ID) & ", differ " & (p1.Shapes(1).ID <> p1.Shapes(2).ID)
Set x = p1.Shapes(3) : Refused "shape 3 of 2"
Set x = doc.Stories(3) : Refused "story 3 of 2"

' Page by page into a new publication: each frame goes unlinked, holding its story to the end.
p1.Shapes.Range.Copy : Check "page 1's Copy"
Set fresh = app.NewDocument : Check "NewDocument"
fresh.Pages(1).Shapes.Paste : Check "page 1's Paste"
WScript.Echo "page 1 pasted: " & fresh.Pages(1).Shapes.Count & " shapes, the frame " & Frame(fresh.Pages(1).Shapes(2).TextFrame)
p2.Shapes.Range.Copy : Check "page 2's Copy"
fresh.Pages(1).Shapes.Paste : Check "page 2's Paste"
WScript.Echo "page 2 pasted: " & Frame(fresh.Pages(1).Shapes(3).TextFrame) & ", stories " & fresh.Stories.Count

' Links refused, broken and made.
WScript.Echo "page 2's frame a valid target " & tf1.ValidLinkTarget(p2.Shapes(1))
Set tf1.NextLinkedTextFrame = tf2 : Refused "linking page 2's frame again"
tf1.BreakForwardLink : Check "BreakForwardLink"
WScript.Echo "broken: page 1 " & Frame(tf1) & ", page 2 " & Frame(tf2) & ", stories " & doc.Stories.Count
WScript.Echo "the masthead a valid target " & tf1.ValidLinkTarget(p1.Shapes(1))
Set tf1.NextLinkedTextFrame = mast : Refused "linking a frame with text"
x = tf1.ValidLinkTarget(mast) : Refused "a TextFrame as LinkTarget"
mast.TextRange.Text = "" : Check "emptying the masthead"
WScript.Echo "the empty masthead a valid target " & tf1.ValidLinkTarget(p1.Shapes(1))
Set tf1.NextLinkedTextFrame = mast : Check "linking the masthead"
WScript.Echo "linked: page 1 " & Frame(tf1) & ", masthead " & Frame(mast) & ", stories " & doc.Stories.Count
Set mast.NextLinkedTextFrame = tf1 : Refused "linking back to the head"
Set tf1.NextLinkedTextFrame = tf2 : Refused "a second link from page 1"
Set tf1.NextLinkedTextFrame = Nothing : Check "Set to Nothing"
WScript.Echo "Nothing: page 1 " & Frame(tf1) & ", masthead " & Frame(mast)
Set tf1.NextLinkedTextFrame = tf2 : Check "linking page 2 again"
WScript.Echo "relinked: page 2 " & Frame(tf2)

' A story's text through the clipboard, and edits that flow on.
doc.Stories(2).TextRange.Copy : Check "TextRange.Copy"
Set pasted = fresh.Pages(1).Shapes(1).TextFrame.TextRange.Paste : Check "TextRange.Paste"
WScript.Echo "pasted [" & pasted.Text & "] into [" & fresh.Pages(1).Shapes(1).TextFrame.TextRange.Text & "]"
tf2.TextRange.Text = "kup of each one." : Check "page 2's text"
WScript.Echo "page 2 edited: [" & doc.Stories(2).TextRange.Text & "]"
tf1.TextRange.Text = "A backup" : Check "page 1's text"
WScript.Echo "page 1 edited: page 1 [" & tf1.TextRange.Text & "] page 2 [" & tf2.TextRange.Text & "]"
doc.Stories(2).TextRange.Text = "Kelbrook keeps a backup of each publication." : Check "the story's text"
WScript.Echo "story written: page 1 [" & tf1.TextRange.Text & "] page 2 [" & tf2.TextRange.Text & "] saved " & doc.Saved
doc.SaveAs WScript.Arguments(1) : Check "SaveAs"
WScript.Echo "saved " & doc.Saved
fresh.SaveAs WScript.Arguments(1) & ".fresh.pub" : Check "the new publication's SaveAs"
app.Quit
