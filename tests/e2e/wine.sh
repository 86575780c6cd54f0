#!/usr/bin/env bash
# wine.sh -- the Windows build under Wine on a virtual display: a GUI program
# on the expected DLLs, whose window shows the demo (lit terrain, walls and
# trunks, not a black window), writes "c:\e.mid" whole and untranslated
# (the tune's 7724 bytes) over a longer file, opens the sequencer on it, and
# ends by itself after 30 s with exit code 0; where "c:\e.mid" cannot be
# created, the tune under the user's local application data, which the
# sequencer opens and reads; and the flyers' headings computed as the Linux
# build computes them.
# Usage: wine.sh path/to/ostra.exe path/to/heading_table.exe path/to/linux/heading_table
. "$(dirname "$0")/lib.sh"
if [ "${1:-}" != --display ]; then
  [ -f "$1" ] || { e2e_fail "no Windows build at $1 (./test builds it first)"; e2e_finish; }
  headers=$(x86_64-w64-mingw32-objdump -p "$1")
  for want in 'Subsystem.*Windows GUI' 'DLL Name: '{OPENGL32,GLU32,WINMM,GDI32,USER32,KERNEL32}.dll; do
    e2e_check "objdump -p: $want" -n "$(grep -iE "$want" <<<"$headers")"
  done
  e2e_on_display "$0" "$@"
fi

# "${traced[@]}" log program: the program under Wine, with Wine's trace of
# the MCI commands, and of the file reads under them (MMIO), in the log.
traced=(env WINEDEBUG=+mci,+mmio sh -c 'exec wine "$1" 2>"$0"')

# sequencer log: the path that the open command named, as sent (quotes kept),
# then "read" where the sequencer opened that file and read the tune's header.
sequencer() {
  awk 'function unescaped(s) { gsub(/\\\\/, "\001", s); gsub(/\\"/, "\"", s); gsub(/\001/, "\\", s); return s }
    !named && match($0, /mciSendStringW \(L"open .* type sequencer alias MUSIC"/) {
      named = unescaped(substr($0, RSTART + 23, RLENGTH - 23 - 28)); print named
      path = tolower(named); gsub(/"/, "", path) }
    named && match($0, /MMIO_Open \("[^"]*"/) { opened = tolower(unescaped(substr($0, RSTART + 12, RLENGTH - 13))) == path }
    opened && /ckid="MThd"/ { print "read"; exit }' "$1"
}

shift
e2e_wine_prefix
file=$WINEPREFIX/drive_c/e.mid
rm -rf "$file" && head -c 20000 /dev/urandom >"$file"
E2E_WAIT=60 e2e_start_shown "${traced[@]}" "$work/root.log" "$1"
sleep 5 && e2e_client_ppm "$win" "$work/shot.ppm"
e2e_holds "the demo shows in an 800 x 600 client area: terrain, trunks and walls" \
  'size == "800x600" && terrain >= 150000 && trunks >= 200 && walls >= 5000' $(e2e_demo_pixels "$work/shot.ppm")
e2e_check "c:\\e.mid in Wine's drive_c is the tune's 7724 bytes, binary, over a longer file" \
  "$(stat -c %s "$file")" = 7724
e2e_check "root writable: the sequencer is opened on c:\\e.mid itself and reads it" \
  "$(sequencer "$work/root.log" | tr '\n' ' ')" = 'c:\e.mid read '
e2e_check "the same flyer headings as the Linux build" "$(wine "$2" | tr -d '\r')" = "$("$3")"
e2e_left_alone 60

# As for a standard user on current Windows, who may make folders at the
# root of C: but not files: c:\e.mid is a folder, and the local application
# data a folder with a space in its name, then one outside the ANSI code page,
# which the open command names in its short form.
rm -f "$file" && mkdir "$file"
folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
for local in 'C:\users\first last\AppData\Local' 'C:\users\fírst ё\AppData\Local'; do
  wine reg add "$folders" /v 'Local AppData' /t REG_EXPAND_SZ /d "$local" /f >/dev/null 2>&1
  moved=$WINEPREFIX/drive_c/${local#C:\\}/ostra/drive_c/e.mid && moved=${moved//\\//} && rm -f "$moved"
  e2e_start_shown "${traced[@]}" "$work/moved.log" "$1"
  for _ in $(seq 200); do [ -n "$(sequencer "$work/moved.log" | sed 1d)" ] && break; sleep 0.1; done
  xdotool key --window "$win" Escape 2>/dev/null
  e2e_ended "$local: Escape" "$pid" 10
  e2e_check "$local: the tune lands under it, 7724 bytes, and c:\\e.mid stays a folder" \
    "$(stat -c %s "$moved" 2>&1) $([ -d "$file" ] && echo folder)" = "7724 folder"
  { read -r named && read -r seen; } < <(sequencer "$work/moved.log")
  case $local in *ё*) want=$(LC_ALL=C grep -x '"[ -~]*"' <<<"$named") ;; *) want="\"$local\\ostra\\drive_c\\e.mid\"" ;; esac
  e2e_check "$local: the sequencer is opened on that file, quoted and in ANSI, and reads it ($named)" \
    "$named ${seen:-} $([ "$(winepath -u "${named//\"/}" 2>/dev/null)" -ef "$moved" ] && echo it)" = "$want read it"
done
wine reg delete "$folders" /v 'Local AppData' /f >/dev/null 2>&1
rmdir "$file"
wineserver -k 2>/dev/null
e2e_finish
