#!/usr/bin/env bash
# Smoke check of the stand-in Publisher under Wine: registration, the running instance, copy
# instances, the clipboard, SaveAs, faults and the journal.
#   tools/publisher-standin/smoke.sh [BIN_DIR]     (default build/standin-dev/bin)
# Uses its own Wine prefix (build/standin-prefix unless WINEPREFIX_OVERRIDE says otherwise)
# and a private display. Exits nonzero at the first mismatch.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=$(cd "${1:-$root/build/standin-dev/bin}" && pwd)
export WINEPREFIX_OVERRIDE="${WINEPREFIX_OVERRIDE:-$root/build/standin-prefix}"
. "$root/scripts/wine-env.sh"
wine_env_start --private-display
trap 'wine_env_stop' EXIT

failures=0
fail() { echo "MISMATCH: $*"; failures=$((failures + 1)); }
expect_eq() { # what expected actual
  if [ "$2" == "$3" ]; then echo "ok: $1"; else fail "$1"$'\n  expected: '"$2"$'\n  actual:   '"$3"; fi
}
expect_has() { # what needle haystack
  if [[ "$3" == *"$2"* ]]; then echo "ok: $1"; else fail "$1: no \"$2\" in:"$'\n'"$3"; fi
}
run() { timeout 60 "$WINE_LOADER" "$@" 2>&1 | tr -d '\r'; }
probe() { run "$bin/StandinProbe.exe" "$@"; }
servers() { # stand-in processes of this prefix
  local pid n=0
  for pid in $(pgrep -f '^[^ ]*PublisherStandin\.exe'); do
    grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && n=$((n + 1))
  done
  echo "$n"
}
wait_servers() { # count: waits up to 5 s for that many stand-in processes
  local n
  for n in $(seq 50); do [ "$(servers)" -eq "$1" ] && return 0; sleep 0.1; done
  return 1
}
reg() { "$WINE_LOADER" reg "$@" >/dev/null 2>&1; }
fault() { reg add 'HKCU\Software\PublisherStandin\Faults' /v "$1" /d "$2" /f; }
clear_faults() { reg delete 'HKCU\Software\PublisherStandin\Faults' /f; }

public="$WINEPREFIX/drive_c/users/Public"
wpublic='C:\users\Public'
rm -f "$public"/*.pub "$public/journal.txt"
clear_faults
reg add 'HKCU\Software\PublisherStandin' /v Journal /d "$wpublic\\journal.txt" /f

"$WINE_LOADER" "$bin/PublisherStandin.exe" /RegServer
expect_eq "/RegServer exit code" 0 $?
expect_has "ProgID registered" "{6D1C3A52-8E4B-4F0A-9C27-51B7E2A94D13}" \
  "$("$WINE_LOADER" reg query 'HKLM\Software\Classes\Publisher.Application\CLSID' 2>&1)"

# A file that is not a publication: nothing modal, exit code 2, the reason on stderr.
printf 'standin-publication 1\npage\nshap oops\n' >"$public/bad.pub"
out=$(timeout 60 "$WINE_LOADER" "$bin/PublisherStandin.exe" "$wpublic\\bad.pub" 2>&1)
expect_eq "a bad file's exit code" 2 $?
expect_has "a bad file is refused with its line" 'bad.pub is not a stand-in publication: line 3: expected "page" or "shape <text>", found "shap oops"' "$out"
wait_servers 0 || fail "the refused instance stayed"

# The running instance, with a non-ASCII file name and shape text.
name='Café 日本.pub'
printf 'standin-publication 1\npage\nshape Hello\nshape caf\xc3\xa9 \xe6\x97\xa5\npage\npage\nshape third\n' >"$public/$name"
("$WINE_LOADER" "$bin/PublisherStandin.exe" "$wpublic\\$name" --unsaved Notes; echo $? >/tmp/standin-smoke.$$) &
for _ in $(seq 50); do out=$(probe active) && break; sleep 0.2; done
expect_eq "the running instance, by GetActiveObject" "application Microsoft Publisher
document 1 [$name] [C:\\users\\Public] [C:\\users\\Public\\$name]
document 2 [Notes] [] [Notes]
page 1 shapes 2
page 2 shapes 0
page 3 shapes 1
copied 2" "$out"

# A copy instance: paste, add a page, save with the named argument, quit.
out=$(probe copy "$wpublic\\Copie é.pub")
# Pasted shapes land 18 points right of and below where they stood.
expect_eq "a copy instance pastes and saves" "blank [Publication1] []
pasted 2 added page 2
saved [C:\\users\\Public\\Copie é.pub] [C:\\users\\Public]
quit" "$out"
expect_eq "SaveAs writes the format" \
  "$(printf 'standin-publication 1\r\npage\r\nshape Hello\r\nat 18 18\r\nshape caf\xc3\xa9 \xe6\x97\xa5\r\nat 18 18\r\npage\r\n')" \
  "$(cat "$public/Copie é.pub")"
wait_servers 1 && echo "ok: the copy instance ended on Quit" || fail "the copy instance stayed after Quit"

out=$(probe release)
expect_eq "a copy instance answers" "application Microsoft Publisher" "$out"
wait_servers 1 && echo "ok: the copy instance ended on release" || fail "the copy instance stayed after release"

expect_eq "a bad index" "failed 80020009 Documents.Item: index 9 is out of range (there is 1 item)" "$(probe badindex)"
expect_has "SaveAs to a missing folder names the path and reason" \
  'failed 80020009 Document.SaveAs: Cannot save C:\nowhere\x.pub: ' "$(probe saveas 'C:\nowhere\x.pub')"

fault Document.SaveAs fail
expect_eq "the fault fail" "failed 80020009 Document.SaveAs: Stand-in failure in Document.SaveAs" \
  "$(probe saveas "$wpublic\\f.pub")"
clear_faults
expect_has "Paste without shapes on the clipboard" \
  'failed 80020009 Shapes.Paste: The clipboard holds no shapes (no "Publisher stand-in shapes" data)' \
  "$(probe paste-nothing)"
wait_servers 1 || fail "a copy instance stayed"

fault Shapes.Paste crash
out=$(probe paste-crash)
expect_has "the fault crash fails the call" "failed 8" "$out"
wait_servers 1 && echo "ok: the fault crash ended the copy instance" || fail "the crashed instance stayed"
clear_faults

fault running:busy 'busy 600000'
expect_has "the fault busy rejects the running instance's calls" "error 80010001" "$(probe active)"
clear_faults
fault busy 'busy 600000'
expect_has "the fault busy rejects a copy instance's calls" "error 80010001" "$(probe release)"
clear_faults
wait_servers 1 || fail "the busy copy instance stayed"

# Script-style use: arguments by reference, For Each, default members. The clipboard still
# holds the running instance's two shapes.
probe active >/dev/null
out=$(run cscript //nologo "$(winepath -w "$here/smoke.vbs")" "$wpublic\\script.pub")
expect_eq "VBScript" "pages 1:0 2:2 3:0
documents 1 first Publication1
saved C:\\users\\Public\\script.pub
bad index: Documents.Item: index 7 is out of range (there is 1 item)
quit" "$out"
wait_servers 1 || fail "the script's copy instance stayed"

# A newsletter: colour schemes, sections and page numbers, a page that ignores its master,
# backgrounds, the page size's bounds; then a file with a picture background read back.
printf 'standin-publication 1\nscheme Berry\nsection 1 1 arabic\nsection 2 7 upper-roman\npage\nbackground picture C:\\users\\Public\\art.png\npage\n' >"$public/picture.pub"
out=$(run cscript //nologo "$(winepath -w "$here/smoke-newsletter.vbs")" "$wpublic\\newsletter.pub" "$wpublic\\picture.pub")
expect_eq "VBScript newsletter" 'scheme Alpine of 8
by number Aqua, by constant Ocean
scheme now Orchid
unknown scheme: ColorSchemes.Item: There is no colour scheme named "Sunset"
scheme as text: Document.ColorScheme: The value is not a ColorScheme of Application.ColorSchemes
sections 1: 1 2 3 4 5
added at 3 continuing True: 1 2 3 4 5
a second head on page 3: Sections.Add: Permission denied
past the pages: Sections.Add: StartPageIndex 6 is not between 1 and 5
lower roman from 4: 1 2 iv v vi continuing False
letters, then continued: A B iii iv v start 3
Arabic1: Section.PageNumberFormat: The page number format 46 is not available (0 to 4 are)
deleting the first section: Section.Delete: Permission denied
the first section continuing: Section.ContinueNumbersFromPreviousSection: Permission denied
a page added after page 1: A B C iv v vi, section 2 at 4
ignore master False True
a master page'"'"'s background: Page.Background: Permission denied
background exists False
no background'"'"'s fill: PageBackground.Fill: The page has no background
deleting no background: PageBackground.Delete: The page has no background
a second background: PageBackground.Create: Permission denied
new fill type 1 colour type 1 rgb FFFFFF
red FF
scheme colour 2 type 2
a scheme colour'"'"'s RGB: ColorFormat.RGB: The colour is a scheme colour
UserPicture: FillFormat.UserPicture: This stand-in cannot load pictures
page 3 background False
PageHeight past the sheet: PageSetup.PageHeight: The value is out of range: from 0 to 16560 points (the sheet'"'"'s 17352 less the page'"'"'s 792), not 16561
PageWidth 612 on a page of 17352: PageSetup.PageWidth: The value is out of range: from 0 to 0 points (the sheet'"'"'s 17352 less the page'"'"'s 17352), not 612
saved C:\users\Public\newsletter.pub
picture fill type 6, scheme Berry, page 2 VII
a picture'"'"'s ForeColor: FillFormat.ForeColor: A picture fill has no foreground colour' "$out"
expect_eq "the newsletter's file" \
  "$(printf 'standin-publication 1\r\nsize 500 792\r\nscheme Orchid\r\nsection 1 1 upper-letter\r\nsection 4 4 lower-roman continue\r\npage\r\nbackground scheme 2\r\npage\r\nignore-master\r\npage\r\npage\r\npage\r\npage\r\n')" \
  "$(cat "$public/newsletter.pub")"
wait_servers 1 || fail "the newsletter's copy instance stayed"

# Stories: a newsletter whose story flows from page 1 to page 2 (its first frame shows 20
# characters), read frame by frame, copied page by page, relinked, through the clipboard.
printf 'standin-publication 1\nstory Kelbrook keeps a backup of every publication you open.\npage\nshape Masthead\nshape\ncapacity 20\nlink 1 1\npage\nshape\nlink 1 2\n' >"$public/stories.pub"
out=$(run cscript //nologo "$(winepath -w "$here/smoke-stories.vbs")" "$wpublic\\stories.pub" "$wpublic\\stories-saved.pub")
expect_eq "VBScript stories" 'masthead next 0 previous 0 [Masthead] next is nothing True
page 1 next -1 previous 0 [Kelbrook keeps a bac] flows into [kup of every publication you open.]
page 2 next 0 previous -1 [kup of every publication you open.] next is nothing True, previous is page 1'"'"'s True
stories 2: [Masthead] [Kelbrook keeps a backup of every publication you open.] length 54, has a frame -1, its first [Kelbrook keeps a bac]
page 2'"'"'s story [Kelbrook keeps a backup of every publication you open.], shape has a frame -1
IDs kept True, differ True
shape 3 of 2: Shapes.Item: index 3 is out of range (there are 2 items)
story 3 of 2: Stories.Item: index 3 is out of range (there are 2 items)
page 1 pasted: 2 shapes, the frame next 0 previous 0 [Kelbrook keeps a backup of every publication you open.]
page 2 pasted: next 0 previous 0 [kup of every publication you open.], stories 3
page 2'"'"'s frame a valid target False
linking page 2'"'"'s frame again: TextFrame.NextLinkedTextFrame: The frame is already linked
broken: page 1 next 0 previous 0 [Kelbrook keeps a backup of every publication you open.], page 2 next 0 previous 0 [], stories 3
the masthead a valid target False
linking a frame with text: TextFrame.NextLinkedTextFrame: The frame already contains text
a TextFrame as LinkTarget: TextFrame.ValidLinkTarget: LinkTarget is not a Shape of this publication
the empty masthead a valid target True
linked: page 1 next -1 previous 0 [Kelbrook keeps a bac], masthead next 0 previous -1 [kup of every publication you open.], stories 2
linking back to the head: TextFrame.NextLinkedTextFrame: The frame is already linked
a second link from page 1: TextFrame.NextLinkedTextFrame: The frame already links to another; break that link first
Nothing: page 1 next 0 previous 0 [Kelbrook keeps a backup of every publication you open.], masthead next 0 previous 0 []
relinked: page 2 next 0 previous -1 [kup of every publication you open.]
pasted [Kelbrook keeps a backup of every publication you open.] into [Kelbrook keeps a backup of every publication you open.]
page 2 edited: [Kelbrook keeps a backup of each one.]
page 1 edited: page 1 [A backupkup of each ] page 2 [one.]
story written: page 1 [Kelbrook keeps a bac] page 2 [kup of each publication.] saved False
saved True' "$out"
expect_eq "the stories' file" \
  "$(printf 'standin-publication 1\r\nstory Kelbrook keeps a backup of each publication.\r\npage\r\nshape \r\nshape \r\ncapacity 20\r\nlink 1 1\r\npage\r\nshape \r\nlink 1 2\r\n')" \
  "$(cat "$public/stories-saved.pub")"
wait_servers 1 || fail "the stories' copy instance stayed"
expect_eq "TextRange.Paste without text on the clipboard" \
  "failed 80020009 TextRange.Paste: The clipboard holds no text" \
  "$(probe textpaste-nothing "$wpublic\\stories.pub")"
wait_servers 1 || fail "the text paste's copy instance stayed"
fault TextRange.Paste fail
expect_eq "the fault fail on a TextRange" \
  "failed 80020009 TextRange.Paste: Stand-in failure in TextRange.Paste" \
  "$(probe textpaste-nothing "$wpublic\\stories.pub")"
clear_faults

journal=$(tr -d '\r' <"$public/journal.txt")
expect_has "the journal names copy calls" " copy Document.SaveAs GetIDsOfNames" "$journal"
expect_has "the journal names running calls" " running ShapeRange.Copy Invoke" "$journal"
# An Invoke may carry its arguments or its kind of write; a copy's last line is its end.
bad=$(grep -cvE '^[0-9]+ (running|copy) [A-Za-z]+\.[A-Za-z_#0-9-]+ (GetIDsOfNames|Invoke( .+)?|prompted|ended [0-9-]+)$' <<<"$journal")
expect_eq "every journal line has the form" 0 "$bad"

expect_eq "the running instance's Quit" "quit" "$(probe quit-running)"
wait_servers 0 || fail "the running instance stayed after Quit"
sleep 0.5
expect_eq "the running instance's exit code after Quit" 0 "$(cat /tmp/standin-smoke.$$)"

("$WINE_LOADER" "$bin/PublisherStandin.exe" --unsaved Draft; echo $? >/tmp/standin-smoke.$$) &
for _ in $(seq 50); do probe close-window >/dev/null && break; sleep 0.2; done
wait_servers 0 || fail "the running instance stayed after WM_CLOSE"
sleep 0.5
expect_eq "the running instance's exit code after WM_CLOSE" 0 "$(cat /tmp/standin-smoke.$$)"
rm -f /tmp/standin-smoke.$$

"$WINE_LOADER" "$bin/PublisherStandin.exe" /UnregServer
expect_eq "/UnregServer exit code" 0 $?
"$WINE_LOADER" reg query 'HKLM\Software\Classes\Publisher.Application' >/dev/null 2>&1
expect_eq "/UnregServer removes the ProgID" 1 $?
reg delete 'HKCU\Software\PublisherStandin' /f

echo "smoke: $failures mismatches"
[ "$failures" -eq 0 ]
