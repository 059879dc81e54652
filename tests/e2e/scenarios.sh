# The end-to-end scenarios (sourced by tests/e2e/run). Each sc_NAME starts with a fresh
# prefix and ends with everything in it stopped by the runner. Coordinates are client
# pixels of the main window; the board is x 0..600, y 0..599, grid size 30 at start.

scenarios=(start add drag_snap drag_real area_drag melee panels no_selection grid picture clipboard
  hostile full_board close ring distances measure perpendiculars missing_pictures menu
  huge_area_selected huge_area_heap clear_then_add look room room_flood)

# Scenarios of faults not mended yet: they run only when named (tests/e2e/run NAME) or with
# E2E_PENDING=1, and move to the list above with the mend.
pending_scenarios=()

# Expected grid line positions for a grid size: 0, g, 2g, ... below 600 (the column and
# row 600 never reach the window), and 599, the right and bottom edge of the frame.
grid_lines() {  # GRID [no-frame]
  local g=$1 i out=""
  for ((i = 0; i < 600; i += g)); do out+="${out:+ }$i"; done
  if [ "${2:-}" = no-frame ]; then echo "$out"; else echo "$out 599"; fi
}

red_in() { d count "$1" "$2" "$3" "$4" 255 1 1; }     # X1 Y1 X2 Y2: red disc pixels
black_in() { d count "$1" "$2" "$3" "$4" 0 0 0; }     # X1 Y1 X2 Y2: black pixels
code() { d gettext board $IDC_BOARD_CODE; }

# What a user sees first: window, title, the three panels and their texts, the empty grid.
sc_start() {
  start_program || return
  check "title" "dozero ver 0.50" "$(d gettext main)"
  check "client size" "800x601" "$(d client)"
  # The panels' size follows the dialog font: 200 x 278 with the Japanese one. Under
  # code page 1252 Wine picks a wider face, so only the docking is checked there.
  local board_rect size
  board_rect=$(d rect board)
  size=${board_rect#601,0,}
  check_match "board panel docked at (601,0)" '^601,0,[0-9]+x[0-9]+$' "$board_rect"
  [ "$lang_tag" = ja ] && check "board panel size" "200x278" "$size"
  check "marker panel below it" "601,${size#*x},$size" "$(d rect marker)"
  check "area panel below it" "601,${size#*x},$size" "$(d rect area)"
  check "panels visible (board marker area)" "1 0 0" \
    "$(d visible board \; visible marker \; visible area | tr '\n' ' ' | sed 's/ $//')"
  check "board panel labels" "マーカーサイズ(エリアサイズ)|座標コード|コード読み込み|背景画像" \
    "$(d statics board)"
  check "board panel buttons" "コピー|読込|マーカー追加|エリア追加|オールクリア|読込" \
    "$(d gettext board $IDC_BOARD_COPY \; gettext board $IDC_BOARD_LOAD \
      \; gettext board $IDC_BOARD_ADD_MARKER \; gettext board $IDC_BOARD_ADD_AREA \
      \; gettext board $IDC_BOARD_CLEAR \; gettext board $IDC_BOARD_PICTURE | paste -sd'|')"
  check "grid-size entries" "20×20(30×30)|25×25(24×24)|30×30(20×20)|40×40(15×15)" \
    "$(d combo-items board $IDC_BOARD_GRID)"
  check "grid-size choice" "2" "$(d combo-get board $IDC_BOARD_GRID)"
  check "code field" "" "$(code)"
  check "marker panel labels" "識別子:|マーカー色" "$(d statics marker)"
  check "marker panel buttons" "乱戦参加|削除" \
    "$(d gettext marker $IDC_MARKER_MELEE \; gettext marker $IDC_MARKER_DELETE | paste -sd'|')"
  check "colour entries" "赤|緑|青|黄|水色|紫" "$(d combo-items marker $IDC_MARKER_COLOR)"
  check "colour choice" "-1" "$(d combo-get marker $IDC_MARKER_COLOR)"
  check "melee box hidden" "0" "$(d visible marker $IDC_MARKER_MELEE)"
  check "area panel label" "エリア半径" "$(d statics area)"
  check "radius entries" "2m|3m|4m|5m|6m" "$(d combo-items area $IDC_AREA_RADIUS)"
  check "radius choice" "0" "$(d combo-get area $IDC_AREA_RADIUS)"
  check "area delete button" "削除" "$(d gettext area $IDC_AREA_DELETE)"
  check "vertical grid lines" "$(grid_lines 30)" "$(d vlines 1 599 100 100 255)"
  check "horizontal grid lines" "$(grid_lines 30)" "$(d hlines 1 599 100 100 255)"
  check "empty cell is white" "255,255,255" "$(d pixel 15 15)"
  check "no message at start" "1" "$(d no-dialog)"
  screenshot "$e2e_dir/shots/start-$lang_tag.png"
}

# Adding markers and an area: red discs in the top-left cell, the code field.
sc_add() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "code after one marker" "A:1,1:r" "$(code)"
  check_num "red disc pixels in the top-left cell" "$(red_in 1 1 31 31)" -ge 300
  check_num "label pixels of A" "$(black_in 4 4 28 28)" -ge 5
  check "red only in the top-left cell" "$(red_in 0 0 600 600)" "$(red_in 1 1 31 31)"
  check "marker panel stays hidden" "0" "$(d visible marker)"
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "code after two markers" "A:1,1:r B:1,1:r" "$(code)"
  d button board $IDC_BOARD_ADD_AREA >/dev/null
  check "code after an area" "A:1,1:r B:1,1:r rb:-14,-14:2" "$(code)"
  check_num "area centre mark at (44..48)" "$(black_in 43 43 50 50)" -ge 8
  keep_shot add
  d button board $IDC_BOARD_CLEAR >/dev/null
  check "clearing keeps the code field" "A:1,1:r B:1,1:r rb:-14,-14:2" "$(code)"
  check "no disc after clearing" "0" "$(red_in 0 0 600 600)"
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "first slot again after clearing" "A:1,1:r" "$(code)"
}

# Drag and drop with snapping on, off (menu IDM_SNAP) and on again.
sc_drag_snap() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  d drag 15 15 95 40 >/dev/null
  check "snapped drop at (95,40)" "A:91,31:r" "$(code)"
  check_num "disc in the new cell" "$(red_in 91 31 121 61)" -ge 300
  check "old cell empty" "0" "$(red_in 1 1 31 31)"
  d menu $IDM_SNAP >/dev/null
  d drag 106 46 200 200 >/dev/null
  check "unsnapped drop centres the disc under the pointer" "A:185,185:r" "$(code)"
  check_num "disc at (185,185)" "$(red_in 185 185 215 215)" -ge 300
  d drag 200 200 100 100 >/dev/null
  check "unsnapped drop again" "A:85,85:r" "$(code)"
  d menu $IDM_SNAP >/dev/null
  d click 100 100 >/dev/null
  check "a click with snapping on moves the disc into the cell" "A:91,91:r" "$(code)"
  d ldown 106 106 \; move 300 300 1 >/dev/null
  check "during a drag the shadow marks the start cell" "0" "$(d count 98 98 114 114 255 255 255)"
  check "no red left in the start cell" "0" "$(red_in 91 91 121 121)"
  keep_shot drag_snap
  d lup 300 300 >/dev/null
  check "after the drop the start cell is empty" "256" "$(d count 98 98 114 114 255 255 255)"
  check "dropped" "A:301,301:r" "$(code)"
}

# A real pointer drag through the X server (xdotool).
sc_drag_real() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  local ox oy
  read -r ox oy < <(d origin)
  if [ -z "${ox:-}" ]; then
    fail "no window origin"
    return
  fi
  DISPLAY=$display timeout 20 xdotool mousemove $((ox + 15)) $((oy + 15)) sleep 0.2 mousedown 1 \
    sleep 0.1 mousemove $((ox + 40)) $((oy + 20)) sleep 0.1 mousemove $((ox + 70)) $((oy + 30)) \
    sleep 0.1 mousemove $((ox + 95)) $((oy + 40)) sleep 0.2 mouseup 1 sleep 0.2 ||
    fail "xdotool failed"
  d sync >/dev/null
  check "real drag, snapped" "A:91,31:r" "$(code)"
  check "marker panel shown by the press" "1" "$(d visible marker)"
  check_num "disc in the new cell" "$(red_in 91 31 121 61)" -ge 300
  DISPLAY=$display timeout 20 xdotool mousemove $((ox + 400)) $((oy + 300)) sleep 0.1 \
    mousedown 3 sleep 0.1 mousemove $((ox + 410)) $((oy + 310)) sleep 0.2 || fail "xdotool failed"
  d sync >/dev/null
  check_num "real right-button measuring: snap square" "$(d count 380 280 440 340 255 0 0)" -ge 40
  DISPLAY=$display timeout 20 xdotool mouseup 3 sleep 0.2 || fail "xdotool failed"
  d sync >/dev/null
  check "snap square gone after the release" "0" "$(d count 0 0 600 600 255 0 0)"
  # Real typing into the name box: it takes a whole name (3 bytes), whatever its width.
  local r x y name
  r=$(d rect marker $IDC_MARKER_NAME)
  x=${r%%,*}
  y=${r#*,}
  y=${y%%,*}
  DISPLAY=$display timeout 20 xdotool mousemove $((ox + x + 5)) $((oy + y + 5)) sleep 0.2 \
    click 1 sleep 0.2 key ctrl+a sleep 0.1 type --delay 50 "XYZW" || fail "xdotool failed"
  sleep 0.3
  name=$(d gettext marker $IDC_MARKER_NAME)
  check "typed name: XYZ of XYZW" "XYZ" "$name"
  check "the code follows every keystroke" "$name:91,31:r" "$(code)"
}

# Areas: dragged by their centre, dropped on half cells; a click without movement keeps them.
sc_area_drag() {
  start_program || return
  d button board $IDC_BOARD_ADD_AREA >/dev/null
  check "new area" "rb:-14,-14:2" "$(code)"
  d drag 46 46 100 52 >/dev/null
  check "area dropped at (100,52)" "rb:45,0:2" "$(code)"
  check "area panel shown" "1 0" "$(d visible area \; visible marker | paste -sd' ')"
  d click 105 60 >/dev/null
  check "click without movement keeps the area" "rb:45,0:2" "$(code)"
  d menu $IDM_SNAP >/dev/null
  d drag 105 60 300 301 >/dev/null
  check "unsnapped area drop" "rb:240,241:2" "$(code)"
}

# The melee rule: the check box shows only for a character dropped inside an area.
sc_melee() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER \; button board $IDC_BOARD_ADD_AREA >/dev/null
  check "marker and area" "A:1,1:r rb:-14,-14:2" "$(code)"
  d drag 15 15 75 75 >/dev/null
  check "dropped inside the area" "A:61,61:r rb:-14,-14:2" "$(code)"
  check "melee box shown" "1" "$(d visible marker $IDC_MARKER_MELEE)"
  check "melee box caption" "乱戦参加" "$(d gettext marker $IDC_MARKER_MELEE)"
  check_num "outside the melee the disc lies over the area" "$(red_in 61 61 91 91)" -ge 300
  d button marker $IDC_MARKER_MELEE >/dev/null
  check "melee box checked" "1" "$(d checked marker $IDC_MARKER_MELEE)"
  check "melee mark in the code" "A:61,61:r; rb:-14,-14:2" "$(code)"
  check_num "in the melee the disc lies under the area" "$(red_in 61 61 91 91)" -lt 100
  keep_shot melee
  d drag 75 75 300 300 >/dev/null
  check "dropped outside: melee cleared" "A:301,301:r rb:-14,-14:2" "$(code)"
  check "melee box hidden" "0" "$(d visible marker $IDC_MARKER_MELEE)"
  d drag 315 315 45 45 >/dev/null
  check "back inside, flag stays clear" "A:31,31:r rb:-14,-14:2" "$(code)"
  check "melee box shown again" "1" "$(d visible marker $IDC_MARKER_MELEE)"
}

# The three panels: which one shows, name typing, colour, radius, delete.
sc_panels() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER \; button board $IDC_BOARD_ADD_AREA >/dev/null
  d click 15 15 >/dev/null
  check "character: marker panel only" "1 0" "$(d visible marker \; visible area | paste -sd' ')"
  check "name box" "A" "$(d gettext marker $IDC_MARKER_NAME)"
  check "colour box shows red" "0" "$(d combo-get marker $IDC_MARKER_COLOR)"
  d click 46 46 >/dev/null
  check "area: area panel only" "0 1" "$(d visible marker \; visible area | paste -sd' ')"
  d click 400 400 >/dev/null
  check "empty board: panels unchanged" "0 1" "$(d visible marker \; visible area | paste -sd' ')"
  d click 15 15 >/dev/null
  check "character again" "1 0" "$(d visible marker \; visible area | paste -sd' ')"
  d settext marker $IDC_MARKER_NAME Q >/dev/null
  check "typed name" "Q:1,1:r rb:-14,-14:2" "$(code)"
  d settext marker $IDC_MARKER_NAME "$(hex "あ")" >/dev/null
  check "Japanese name in the code" "あ:1,1:r rb:-14,-14:2" "$(code)"
  d settext marker $IDC_MARKER_NAME ABCDE >/dev/null
  check "long name cut to 3 bytes" "ABC:1,1:r rb:-14,-14:2" "$(code)"
  d settext marker $IDC_MARKER_NAME "$(hex "あいう")" >/dev/null
  check "Japanese name cut after a whole character" "あ:1,1:r rb:-14,-14:2" "$(code)"
  d settext marker $IDC_MARKER_NAME "" \; type marker $IDC_MARKER_NAME "$(hex "猫")" >/dev/null
  check "name typed key by key" "猫:1,1:r rb:-14,-14:2" "$(code)"
  d combo-select marker $IDC_MARKER_COLOR 4 >/dev/null
  check "light blue" "猫:1,1:w rb:-14,-14:2" "$(code)"
  check_num "light blue disc" "$(d count 1 1 31 31 1 255 255)" -ge 250
  keep_shot panels
  d button marker $IDC_MARKER_DELETE >/dev/null
  check "character deleted" "rb:-14,-14:2" "$(code)"
  check "marker panel hidden" "0" "$(d visible marker)"
  check "no disc left" "0" "$(d count 0 0 600 600 1 255 255)"
  d click 46 46 >/dev/null
  d combo-select area $IDC_AREA_RADIUS 1 >/dev/null
  check "radius 3" "rb:-44,-44:3" "$(code)"
  d button area $IDC_AREA_DELETE >/dev/null
  check "area deleted" "" "$(code)"
  check "area panel hidden" "0" "$(d visible area)"
}

# Panel commands after a click on empty board: the panel stays visible but nothing is
# selected, so its commands must leave the board alone.
sc_no_selection() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER \; button board $IDC_BOARD_ADD_AREA >/dev/null
  d click 15 15 \; click 400 400 >/dev/null
  check "marker panel still visible" "1" "$(d visible marker)"
  d settext marker $IDC_MARKER_NAME Q \; combo-select marker $IDC_MARKER_COLOR 2 \
    \; button marker $IDC_MARKER_MELEE >/dev/null
  check "name, colour, melee: nothing changes" "A:1,1:r rb:-14,-14:2" \
    "$(d button board $IDC_BOARD_ADD_AREA \; gettext board $IDC_BOARD_CODE | sed 's/ rb:-14,-14:2$//')"
  d button marker $IDC_MARKER_DELETE >/dev/null
  check "delete: nothing changes" "A:1,1:r rb:-14,-14:2 rb:-14,-14:2" "$(code)"
  check_num "disc still there" "$(red_in 1 1 31 31)" -ge 300
  d click 46 46 \; click 400 400 >/dev/null
  check "area panel still visible" "1" "$(d visible area)"
  d combo-select area $IDC_AREA_RADIUS 4 \; button area $IDC_AREA_DELETE >/dev/null
  check "radius, delete: nothing changes" "A:1,1:r rb:-14,-14:2 rb:-14,-14:2" "$(code)"
  check "still running" "1" "$(d exists)"
}

# The four grid sizes: grid lines, disc sizes; the code is not rewritten.
sc_grid() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  d button board $IDC_BOARD_ADD_AREA >/dev/null
  check_num "area centre mark at (46,46) with grid 30" "$(black_in 43 43 50 50)" -ge 8
  local i g sizes=(20 25 30 40)
  for i in 0 1 2 3; do
    g=${sizes[$i]}
    d combo-select board $IDC_BOARD_GRID $i >/dev/null
    check "grid $g: choice" "$i" "$(d combo-get board $IDC_BOARD_GRID)"
    check "grid $g: vertical lines" "$(grid_lines "$g")" "$(d vlines 1 599 100 100 255)"
    check "grid $g: horizontal lines" "$(grid_lines "$g")" "$(d hlines 1 599 100 100 255)"
    check "grid $g: disc box" "1,1,$((g - 1)),$((g - 1))" "$(d bbox 0 0 100 100 255 1 1)"
    # The area keeps its top-left (-14,-14) and grows to 4 cells: centre at -14 + 2g.
    check_num "grid $g: area centre mark at $((2 * g - 14))" \
      "$(black_in $((2 * g - 17)) $((2 * g - 17)) $((2 * g - 10)) $((2 * g - 10)))" -ge 8
    [ "$g" = 25 ] && keep_shot grid25
  done
  check "code unchanged by the grid size" "A:1,1:r rb:-14,-14:2" "$(code)"
}

# A background picture chosen from another folder, and a file that is not a bitmap.
sc_picture() {
  start_program || return
  local pics_win
  pics_win="Z:$(echo "$e2e_dir/pics" | tr / '\\')"
  d button-post board $IDC_BOARD_PICTURE >/dev/null
  check "file dialog title" "ファイルを開く" "$(d open-file "$(hex "$pics_win\\bg.bmp")")"
  d sync >/dev/null
  check "no message" "1" "$(d no-dialog)"
  check "picture shows" "10,200,10" "$(d pixel 15 15)"
  check "picture shows at the far corner" "10,200,10" "$(d pixel 590 590)"
  # The picture covers the frame's right edge (x 599); the grid lies over the picture.
  check "grid over the picture" "$(grid_lines 30 no-frame)" "$(d vlines 1 599 100 100 255)"
  keep_shot picture
  d button-post board $IDC_BOARD_PICTURE >/dev/null
  d open-file "$(hex "$pics_win\\notbmp.bmp")" >/dev/null
  check "failure message" "|notbmp.bmpの読み込みに失敗しました" "$(d dialog)"
  d answer ok >/dev/null
  d sync >/dev/null
  check "program still running" "1" "$(d exists)"
  check_ne "old picture gone" "10,200,10" "$(d pixel 15 15)"
  check "grid still drawn" "$(grid_lines 30)" "$(d vlines 1 599 100 100 255)"
  # A picture cut short is a picture that cannot be loaded, not a black box.
  d button-post board $IDC_BOARD_PICTURE >/dev/null
  d open-file "$(hex "$pics_win\\cut.bmp")" >/dev/null
  check "failure message for a cut picture" "|cut.bmpの読み込みに失敗しました" "$(d dialog)"
  d answer ok >/dev/null
  d sync >/dev/null
  check "no black box for a cut picture" "255,255,255" "$(d pixel 15 15)"
  d button-post board $IDC_BOARD_PICTURE >/dev/null
  d open-file "$(hex "$pics_win\\topdown.bmp")" >/dev/null
  d sync >/dev/null
  check "no message for a top-down picture" "1" "$(d no-dialog)"
  check "top-down picture: first row on top" "10,10,200" "$(d pixel 15 15)"
  check "top-down picture: last row below" "200,10,10" "$(d pixel 15 80)"
  # A small picture from a folder with a Japanese name. Wine spells Unix file names in the
  # charset of the Unix locale: without an installed en_US.UTF-8 locale that is ASCII and
  # the folder cannot be named at all, so that run skips this part.
  if [ "$lang_tag" = en ] && ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
    return
  fi
  d button-post board $IDC_BOARD_PICTURE >/dev/null
  d open-file "$(hex "$pics_win\\背景\\絵.bmp")" >/dev/null
  d sync >/dev/null
  check "no message for the Japanese path" "1" "$(d no-dialog)"
  check "small picture shows" "200,10,200" "$(d pixel 15 15)"
  check "beyond the small picture: white" "255,255,255" "$(d pixel 310 310)"
  keep_shot picture_small
}

# A code copied from one running copy (X clipboard) and loaded into a second copy.
sc_clipboard() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  d click 15 15 \; settext marker $IDC_MARKER_NAME "$(hex "あ")" >/dev/null
  d drag 15 15 95 40 \; button board $IDC_BOARD_ADD_AREA >/dev/null
  local want="あ:91,31:r rb:-14,-14:2"
  check "code in the first copy" "$want" "$(code)"
  d button board $IDC_BOARD_COPY >/dev/null
  check "clipboard inside Wine" "$want" "$(d clipboard)"
  local copied
  copied=$(DISPLAY=$display timeout 10 xclip -o -selection clipboard 2>/dev/null)
  check "X clipboard (xclip)" "$want" "$copied"
  # The second copy, in a prefix of its own on the same display.
  local first_pfx=$pfx first_pid=$prog_pid
  new_prefix "$scenario_id-second"
  prog_pid=""
  if start_program; then
    d settext board $IDC_BOARD_INPUT "$(hex "$copied")" \; button board $IDC_BOARD_LOAD >/dev/null
    check "input field emptied" "" "$(d gettext board $IDC_BOARD_INPUT)"
    check "code field keeps its text after a load" "" "$(code)"
    check_num "disc rebuilt at (91,31)" "$(red_in 91 31 121 61)" -ge 300
    check_num "area rebuilt (centre mark)" "$(black_in 43 43 50 50)" -ge 8
    d button board $IDC_BOARD_COPY >/dev/null
    check "copying the empty code field" "" \
      "$(DISPLAY=$display timeout 10 xclip -o -selection clipboard 2>/dev/null)"
    d button board $IDC_BOARD_ADD_MARKER >/dev/null
    check "code after a change in the second copy" "あ:91,31:r B:1,1:r rb:-14,-14:2" "$(code)"
    keep_shot clipboard_second
  fi
  stop_prefix
  rm -rf "$pfx"
  pfx=$first_pfx
  prog_pid=$first_pid
}

# Hostile codes in the input field: the program keeps running and holds at most 26 discs
# and 5 areas.
sc_hostile() {
  start_program || return
  local many_chars="" many_areas="" mixed="" long="" i
  for i in $(seq 30); do many_chars+="${many_chars:+ }A:$((i * 3)),$((i * 5)):r"; done
  for i in $(seq 9); do many_areas+="${many_areas:+ }rb:$((i * 10)),$((i * 10)):2"; done
  for i in $(seq 25); do mixed+="Z:$i,$i:g; rb:$i,$i:3 "; done
  for i in $(seq 1100); do long+="x"; done
  local codes=(
    "$many_chars" "$many_areas" "$mixed" "$long" "::::::::" ",,,,,,," ":" "rb" "rb:" "A" "A:1"
    "A:1,1" "A:1,1:" "A:1,1:R" " " "   A:1,1:r   " "A:99999999999,-99999999999:r"
    "rb:0,0:2147483647" "rb:0,0:-3" "rb:-2147483648,-2147483648:6" "ああああ:1,1:r"
    "a b c:1,1:r" "A:+5,  -7:y;" "A:1,1:r;;;;" "rb:1,1:2:3:4,5" "😀:1,1:r" "é:2,2:g"
    "ｱｲｳｴｵ:3,3:b" "$(printf 'A\t:1,1:r')" "$(printf 'A:1,1:r%.0s ' $(seq 40))"
  )
  local c out chars areas n=0
  for c in "${codes[@]}"; do
    n=$((n + 1))
    out=$(d settext board $IDC_BOARD_INPUT "$(hex "$c")" \; button board $IDC_BOARD_LOAD \
      \; button board $IDC_BOARD_ADD_MARKER \
      \; gettext board $IDC_BOARD_CODE \; exists)
    chars=$(echo "$out" | head -1 | tr ' ' '\n' | grep -cE ':[-0-9]+,[-0-9]+:[rgbywp];?$')
    areas=$(echo "$out" | head -1 | tr ' ' '\n' | grep -c '^rb:')
    check "code $n: program running" "1" "$(echo "$out" | tail -1)"
    check_num "code $n: characters" "$chars" -le 26
    check_num "code $n: areas" "$areas" -le 5
  done
  d button board $IDC_BOARD_CLEAR \; settext board $IDC_BOARD_INPUT "$(hex "$many_chars")" \
    \; button board $IDC_BOARD_LOAD \
    \; click 10 10 \; settext marker $IDC_MARKER_NAME Q >/dev/null
  out=$(code)
  chars=$(echo "$out" | tr ' ' '\n' | grep -cE ':[-0-9]+,[-0-9]+:r$')
  check_num "30 character tokens: at most 26 on the board" "$chars" -le 26
  check "still answering" "ok" "$(d sync)"
  keep_shot hostile
}

# The longest code a full board can have (26 characters with 3-byte names and 11-character
# numbers, 5 areas) goes through load, rewrite and copy whole.
sc_full_board() {
  start_program || return
  local full="AAA:1,1:r" i name big=-2147483648
  for i in $(seq 1 25); do
    name=$(printf "\\x$(printf %x $((65 + i)))")
    full+=" $name$name$name:$big,$big:g;"
  done
  for i in $(seq 5); do full+=" rb:$big,$big:2"; done
  d settext board $IDC_BOARD_INPUT "$(hex "$full")" \; button board $IDC_BOARD_LOAD \; click 15 15 >/dev/null
  check "code of the full board, written back" "$full" "$(code)"
  check_num "its length" "${#full}" -le 1023
  d button board $IDC_BOARD_COPY >/dev/null
  check "copied whole (xclip)" "$full" \
    "$(DISPLAY=$display timeout 10 xclip -o -selection clipboard 2>/dev/null)"
  d button board $IDC_BOARD_ADD_MARKER \; button board $IDC_BOARD_ADD_AREA >/dev/null
  check "no 27th character, no 6th area" "$full" "$(code)"
}

# The close confirmation: No keeps everything, Yes ends the program with exit code 0.
sc_close() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  d close >/dev/null
  check "confirmation" "終了確認|終了してもよろしいですか？" "$(d dialog)"
  keep_shot close_question
  d answer no >/dev/null
  check "still running after No" "1" "$(d exists)"
  check "board kept after No" "A:1,1:r" "$(code)"
  check_num "disc kept after No" "$(red_in 1 1 31 31)" -ge 300
  d sysclose >/dev/null
  check "confirmation from the system menu" "終了確認|終了してもよろしいですか？" "$(d dialog)"
  d answer no >/dev/null
  check "still running after the second No" "1" "$(d exists)"
  d close >/dev/null
  d answer yes >/dev/null
  check "window gone after Yes" "ok" "$(d wait-gone)"
  check "exit code" "0" "$(program_exit_code)"
}

# The selection ring: a black ellipse around the selected character.
sc_ring() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "no ring before selecting" "0" "$(black_in 8 0 24 4)"
  d click 15 15 >/dev/null
  check_num "ring top" "$(black_in 8 0 24 4)" -ge 8
  check_num "ring left" "$(black_in 0 8 4 24)" -ge 8
  keep_shot ring
  d click 400 400 >/dev/null
  check_num "ring stays until the next repaint" "$(black_in 8 0 24 4)" -ge 8
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "ring gone after the repaint" "0" "$(black_in 8 0 24 4)"
  d button board $IDC_BOARD_ADD_AREA \; click 46 46 >/dev/null
  check_num "ring around the area (right of its circle)" "$(black_in 100 36 108 56)" -ge 6
}

# Distance lines between markers, the rounding rule, the movement line while dragging.
sc_distances() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER \; button board $IDC_BOARD_ADD_MARKER >/dev/null
  d drag 15 15 95 40 \; click 15 15 >/dev/null   # A to (91,31); B selected at (1,1)
  check "two markers" "A:91,31:r B:1,1:r" "$(code)"
  check_num "distance line near its start" "$(black_in 35 20 42 28)" -ge 1
  check_num "distance label 3m" "$(black_in 56 26 76 40)" -ge 5
  keep_shot distances
  local half down up
  half=$(d hash 56 26 76 40)
  d menu $IDM_ROUND_UP >/dev/null
  up=$(d hash 56 26 76 40)
  d menu $IDM_ROUND_DOWN >/dev/null
  down=$(d hash 56 26 76 40)
  check_ne "round up: 3.16 m reads 4m" "$half" "$up"
  check "round down: 3.16 m reads 3m as half up does" "$half" "$down"
  d menu $IDM_ROUND_HALF_UP >/dev/null
  check "half up again" "$half" "$(d hash 56 26 76 40)"
  d menu $IDM_MARKER_DISTANCES >/dev/null
  check "marker distances off: no line" "0" "$(black_in 35 20 42 28)"
  d menu $IDM_MARKER_DISTANCES >/dev/null
  check_num "marker distances on again" "$(black_in 35 20 42 28)" -ge 1
  # The movement line while B is dragged: from B's centre to where it started.
  d ldown 15 15 \; move 300 300 1 >/dev/null
  check_num "movement line during the drag" "$(black_in 60 60 80 80)" -ge 1
  d lup 300 300 >/dev/null
  check "no movement line after the drop" "0" "$(black_in 60 60 80 80)"
  check "code after the drop" "A:91,31:r B:301,301:r" "$(code)"
  # Layer order: the pieces lie over the distance lines, except while a character is
  # dragged. The line from B ends at A's centre, crossing A's disc.
  check "not dragging: A's disc covers the line" "0" "$(black_in 110 53 115 57)"
  d ldown 316 316 \; move 320 320 1 >/dev/null
  check_num "dragging: the line lies over A's disc" "$(black_in 110 53 115 57)" -ge 3
  d lup 320 320 >/dev/null
}

# The measuring line with its snap square while the right button is held.
sc_measure() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER \; click 15 15 >/dev/null
  d rdown 100 70 >/dev/null
  check_num "snap square around (106,76)" "$(d count 90 60 122 92 255 0 0)" -ge 40
  check_num "measuring line" "$(black_in 35 27 42 35)" -ge 1
  check_num "measuring label 4m" "$(black_in 51 36 71 50)" -ge 5
  keep_shot measure
  d move 300 200 2 >/dev/null
  check "square follows the pointer" "0" "$(d count 90 60 122 92 255 0 0)"
  check_num "square at the new cell" "$(d count 300 180 332 212 255 0 0)" -ge 40
  d rup 300 200 >/dev/null
  check "no square after the release" "0" "$(d count 0 0 600 600 255 0 0)"
  check "no measuring line after the release" "0" "$(black_in 150 100 170 120)"
  d menu $IDM_SNAP \; rdown 200 100 >/dev/null
  check "no snap square with snapping off" "0" "$(d count 0 0 600 600 255 0 0)"
  check_num "measuring line without snapping" "$(black_in 100 50 120 70)" -ge 1
  d rup 200 100 >/dev/null
}

# Perpendicular distances of the other pieces to the measuring line (menu IDM_LINE_DISTANCES).
sc_perpendiculars() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER \; button board $IDC_BOARD_ADD_MARKER \; menu $IDM_SNAP >/dev/null
  d drag 15 15 100 100 \; drag 15 15 250 40 >/dev/null   # A centre (100,100), B (250,40)
  check "two markers, snapping off" "A:85,85:r B:235,25:r" "$(code)"
  d click 100 100 \; rdown 400 100 >/dev/null
  check_num "measuring line along y = 100" "$(black_in 300 99 390 102)" -ge 60
  check_num "perpendicular from B down to the line" "$(black_in 249 77 252 89)" -ge 10
  check_num "its label 2m at (240,60)" "$(black_in 240 60 260 76)" -ge 5
  keep_shot perpendiculars
  d rup 400 100 \; menu $IDM_LINE_DISTANCES \; rdown 400 100 >/dev/null
  check "no perpendicular with line distances off" "0" "$(black_in 249 77 252 89)"
  check_num "measuring line still drawn" "$(black_in 300 99 390 102)" -ge 60
  d rup 400 100 >/dev/null
}

# Started where neither area.bmp nor shadow.bmp lies: one message for the shadow at start,
# one for each area added; the program goes on.
sc_missing_pictures() {
  local dir=$e2e_dir/nopics-$$
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$exe" "$dir/dozero.exe"
  start_program "$dir/dozero.exe" nowait
  check "message for the shadow" "|shadow.bmpの読み込みに失敗しました" "$(d dialog 30000)"
  keep_shot missing_shadow
  d answer ok >/dev/null
  check "window after the message" "ok" "$(d wait-window 20000)"
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "a marker without the shadow picture" "A:1,1:r" "$(code)"
  d drag 15 15 95 40 >/dev/null
  check "dragged without the shadow picture" "A:91,31:r" "$(code)"
  d button-post board $IDC_BOARD_ADD_AREA >/dev/null
  check "message for the area" "|area.bmpの読み込みに失敗しました" "$(d dialog)"
  d answer ok >/dev/null
  check "still running" "ok" "$(d sync)"
  check_match "code after the failed area" '^A:91,31:r' \
    "$(d button board $IDC_BOARD_ADD_MARKER \; gettext board $IDC_BOARD_CODE)"
}

# The settings menu worked with the real pointer (xdotool). Its check marks cannot be read
# from another process, so they are read from the menu's pixels: a dark check glyph in the
# left margin of an item.
xdo() { DISPLAY=$display timeout 20 xdotool "$@" || fail "xdotool $*"; }

# Opens "設定" and, with LEVEL 1, its sub-menu "距離丸め"; prints the check marks of that
# pop-up's N items as "1 0 ...", and leaves the pop-ups open; menu_item_y gives an item's y.
menu_rect=()
open_settings() {  # LEVEL
  local ox oy
  read -r ox oy < <(d origin)
  xdo mousemove $((ox + 20)) $((oy - 10)) sleep 0.2 click 1 sleep 0.3
  read -r -a menu_rect < <(d popup-menu 0)
  if [ "$1" = 1 ] && [ ${#menu_rect[@]} = 4 ]; then
    xdo mousemove $((menu_rect[0] + 60)) "$(menu_item_y 3 4)" sleep 0.2 click 1 sleep 0.4
    read -r -a menu_rect < <(d popup-menu 1)
  fi
}
menu_item_y() {  # INDEX COUNT: the middle of that item of the open pop-up
  local h=$(((menu_rect[3] - menu_rect[1] - 6) / $2))
  echo $((menu_rect[1] + 3 + $1 * h + h / 2))
}
menu_checks() {  # COUNT
  local i h y out="" n
  [ ${#menu_rect[@]} = 4 ] || return
  h=$(((menu_rect[3] - menu_rect[1] - 6) / $1))
  for ((i = 0; i < $1; i++)); do
    y=$((menu_rect[1] + 3 + i * h))
    n=$(d screen count $((menu_rect[0] + 2)) "$y" $((menu_rect[0] + 18)) $((y + h)) 0 0 0 60)
    out+="${out:+ }$([ "${n:-0}" -ge 6 ] && echo 1 || echo 0)"
  done
  echo "$out"
}
close_menus() { xdo key Escape sleep 0.1 key Escape sleep 0.1 key Escape sleep 0.2; }
click_menu_item() {  # INDEX COUNT
  xdo mousemove $((menu_rect[0] + 60)) "$(menu_item_y "$1" "$2")" sleep 0.2 click 1 sleep 0.3
}

sc_menu() {
  start_program || return
  open_settings 0
  check "start: snap, marker and line distances checked" "1 1 1 0" "$(menu_checks 4)"
  keep_shot menu
  close_menus
  open_settings 1
  check "start: rounding half up" "1 0 0" "$(menu_checks 3)"
  click_menu_item 1 3
  check "menu closed after a choice" "1" "$(d no-dialog)"
  open_settings 1
  check "round down chosen" "0 1 0" "$(menu_checks 3)"
  click_menu_item 2 3
  open_settings 1
  check "round up chosen" "0 0 1" "$(menu_checks 3)"
  click_menu_item 2 3
  open_settings 1
  check "round up chosen twice stays" "0 0 1" "$(menu_checks 3)"
  close_menus
  open_settings 0
  click_menu_item 0 4
  open_settings 0
  check "snapping unchecked by the pointer" "0 1 1 0" "$(menu_checks 4)"
  close_menus
  d button board $IDC_BOARD_ADD_MARKER \; drag 15 15 100 100 >/dev/null
  check "and the drop is not snapped" "A:85,85:r" "$(code)"
}

# Loads CODE through the input field, as a user pastes it.
load() { d settext board $IDC_BOARD_INPUT "$(hex "$1")" \; button board $IDC_BOARD_LOAD >/dev/null; }

# After a huge area has been hit, the program still loads, adds and copies.
still_works() {
  load "A:1,1:r"
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "a load and an add after the huge area" "A:1,1:r B:1,1:r" "$(code)"
  d button board $IDC_BOARD_COPY >/dev/null
  check "and a copy" "A:1,1:r B:1,1:r" "$(d clipboard)"
  check "still answering" "ok" "$(d sync)"
}

# An area far larger than the board, selected by a click and repainted again and again: the
# selection ring must not make the platform draw millions of pixels, so memory stays flat.
sc_huge_area_selected() {
  prog_env=(MALLOC_CHECK_=3)
  start_program || return
  load "rb:0,0:55309"
  d click 300 300 >/dev/null
  check "the huge area is selected" "1" "$(d visible area)"
  local first now i
  d menu $IDM_MARKER_DISTANCES \; menu $IDM_MARKER_DISTANCES >/dev/null
  first=$(program_memory_kb)
  for i in 1 2 3 4; do d menu $IDM_MARKER_DISTANCES >/dev/null; done
  now=$(program_memory_kb)
  check_num "program memory after repaints, KiB (first $first)" "$now" -le $((first + 20480))
  keep_shot huge_area_selected
  still_works
  prog_env=()
}

# Four small areas and a huge fifth one, the fifth selected, then a load: the heap must stay
# whole (glibc's checking allocator watches it).
sc_huge_area_heap() {
  prog_env=(MALLOC_CHECK_=3)
  start_program || return
  load "rb:0,0:2 rb:0,0:2 rb:0,0:2 rb:0,0:2 rb:0,0:34237"
  local first
  first=$(program_memory_kb)
  d click 300 300 >/dev/null
  check "the fifth area is selected" "1" "$(d visible area)"
  d menu $IDM_LINE_DISTANCES \; menu $IDM_LINE_DISTANCES >/dev/null
  check_num "program memory, KiB (before the click $first)" "$(program_memory_kb)" \
    -le $((first + 20480))
  still_works
  check "no message" "1" "$(d no-dialog)"
  prog_env=()
}

# After オールクリア the selection stays; マーカー追加 fills that slot with a new red "A". A
# mere focus change of the name or the colour box must not carry the cleared piece's name
# or colour over to it.
sc_clear_then_add() {
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER \; click 15 15 >/dev/null
  d settext marker $IDC_MARKER_NAME Q \; combo-select marker $IDC_MARKER_COLOR 1 >/dev/null
  check "the first piece" "Q:1,1:g" "$(code)"
  d button board $IDC_BOARD_CLEAR \; button board $IDC_BOARD_ADD_MARKER >/dev/null
  check "the new piece" "A:1,1:r" "$(code)"
  check "its name in the panel" "A" "$(d gettext marker $IDC_MARKER_NAME)"
  check "its colour in the panel" "0" "$(d combo-get marker $IDC_MARKER_COLOR)"
  # Focus leaves the name box, then the colour box (EN_KILLFOCUS 0x200, CBN_KILLFOCUS 4).
  d command marker $IDC_MARKER_NAME 0x200 \; command marker $IDC_MARKER_COLOR 4 >/dev/null
  check "after the focus changes" "A:1,1:r" "$(d button board $IDC_BOARD_ADD_AREA \; gettext board \
    $IDC_BOARD_CODE | sed 's/ rb:.*//')"
  check_num "the new disc is red" "$(red_in 1 1 31 31)" -ge 300
  # The same with the real pointer: into the name box, then onto the colour box.
  local ox oy r
  read -r ox oy < <(d origin)
  r=$(d rect marker $IDC_MARKER_NAME)
  if [ -n "${ox:-}" ] && [ -n "$r" ]; then
    DISPLAY=$display timeout 20 xdotool mousemove $((ox + ${r%%,*} + 5)) \
      $((oy + $(echo "$r" | cut -d, -f2) + 5)) sleep 0.2 click 1 sleep 0.2 \
      mousemove $((ox + 300)) $((oy + 300)) sleep 0.1 || fail "xdotool failed"
    d sync >/dev/null
  fi
  check_match "the real focus change keeps the new piece" '^A:1,1:r' "$(code)"
}

# The prefix of scripts/run, dressed for people: the title bar's buttons are drawn with
# Marlett, and the panels show their captions whole while they still fit beside the board.
sc_look() {
  dz_dress_prefix "$pfx" || fail "dressing the prefix failed"
  start_program || return
  check "Marlett for the title bar buttons" "Marlett" "$(d face Marlett)"
  check "board panel captions whole" "" "$(d clipped board)"
  d button board $IDC_BOARD_ADD_MARKER \; click 15 15 >/dev/null
  check "marker panel captions whole" "" "$(d clipped marker)"
  d button board $IDC_BOARD_ADD_AREA \; click 46 46 >/dev/null
  check "area panel captions whole" "" "$(d clipped area)"
  local size
  size=$(d rect board)
  size=${size#601,0,}
  check_num "board panel no wider than the room beside the board" "${size%x*}" -le 200
  keep_shot look
}

# ---- rooms ----------------------------------------------------------------------------------

# The room id (the broker user name) of a room link: HKDF-SHA-256 of its secret.
room_id_of() {  # LINK
  python3 - "$1" <<'PY'
import base64, hashlib, hmac, re, sys
secret = base64.urlsafe_b64decode(re.search(r"#room=([\w-]{43})", sys.argv[1]).group(1) + "=")
prk = hmac.new(bytes(32), secret, hashlib.sha256).digest()
print(hmac.new(prk, b"dozero room id v1\x01", hashlib.sha256).digest()[:16].hex())
PY
}

# Waits up to 10 s for the main window's title to be TITLE; prints the last one seen.
wait_title() {  # TITLE
  local i t
  for i in $(seq 50); do
    t=$(d gettext main)
    [ "$t" = "$1" ] && break
    sleep 0.2
  done
  printf '%s\n' "$t"
}

# Waits up to 10 s for the code field to be CODE; prints the last one seen.
wait_code() {  # CODE
  local i t
  for i in $(seq 50); do
    t=$(code)
    [ "$t" = "$1" ] && break
    sleep 0.2
  done
  printf '%s\n' "$t"
}

# Two programs in one room on a real broker: the link made by one (ルーム menu, clipboard)
# joins the other through the join dialog; changes go both ways; the title counts the
# members; a raw publisher's garbage on the room's topics changes nothing; leaving gives
# the plain title back.
sc_room() {
  local tcp=$((20000 + $$ % 20000)) broker_dir=$e2e_dir/broker-$$ broker_pid
  local ws=$((tcp + 20000))
  broker_pid=$(. scripts/lib/broker.sh && dz_broker_start "$broker_dir" "$tcp" "$ws") ||
    { fail "the broker did not start"; return; }
  prog_env=(DOZERO_BROKER_TCP=127.0.0.1:$tcp DOZERO_BROKER_WS=ws://127.0.0.1:$ws
    DOZERO_PAGE=http://127.0.0.1:8000/)
  room_members "$tcp" "$ws"
  prog_env=()
  (. scripts/lib/broker.sh && dz_broker_stop "$broker_pid")
  rm -rf "$broker_dir"
}

room_members() {  # TCP WS
  local tcp=$1 ws=$2 title="dozero ver 0.50" room="ルーム: " link id
  start_program || return
  d button board $IDC_BOARD_ADD_MARKER >/dev/null
  d click 15 15 \; settext marker $IDC_MARKER_NAME "$(hex "あ")" >/dev/null
  local board="あ:1,1:r"
  check "code before the room" "$board" "$(code)"
  d menu-post $IDM_ROOM_CREATE >/dev/null
  check_match "the link shown" "^ルーム\|.*#room=" "$(d dialog)"
  d answer ok >/dev/null
  link=$(d clipboard)
  check_match "room link on the clipboard" \
    "^http://127\.0\.0\.1:8000/#room=[A-Za-z0-9_-]{43}&broker=ws://127\.0\.0\.1:$ws&tcp=127\.0\.0\.1:$tcp\$" \
    "$link"
  check "title with one member" "$title — ${room}接続 1人" "$(wait_title "$title — ${room}接続 1人")"
  id=$(room_id_of "$link")

  local first_pfx=$pfx first_pid=$prog_pid
  new_prefix "$scenario_id-second"
  prog_pid=""
  if start_program; then
    check "second program's title outside a room" "$title" "$(d gettext main)"
    d menu-post $IDM_ROOM_JOIN >/dev/null
    d dialog-settext $IDC_ROOM_LINK "$(hex "not a link")" \; dialog-post 1 >/dev/null
    check "a bad link is refused" "ルーム|ルームのリンクではありません" "$(d dialog)"
    d answer ok >/dev/null
    d dialog-settext $IDC_ROOM_LINK "$(hex "$link")" \; dialog-post 1 >/dev/null
    sleep 0.5
    check "join dialog closed" "1" "$(d no-dialog)"
    check "the joiner gets the board" "$board" "$(wait_code "$board")"
    check "joiner's title: two members" "$title — ${room}接続 2人" \
      "$(wait_title "$title — ${room}接続 2人")"
    d button board $IDC_BOARD_ADD_AREA >/dev/null
    board="あ:1,1:r rb:-14,-14:2"
    check "joiner's own change" "$board" "$(code)"
    # Garbage, an empty message and a message under a topic of another room.
    local pub=(mosquitto_pub -h 127.0.0.1 -p "$tcp" -u "$id" -r)
    "${pub[@]}" -t "rooms/$id/p/c0123456789abcdef-1" -m "garbage" &&
      "${pub[@]}" -t "rooms/$id/grid" -n &&
      head -c 60 /dev/urandom | "${pub[@]}" -t "rooms/$id/p/a0123456789abcdef-2" -s ||
      fail "mosquitto_pub failed"
    # The broker took them (the room id and its access list are right) and keeps them.
    local kept
    kept=$(timeout 10 mosquitto_sub -h 127.0.0.1 -p "$tcp" -u "$id" -t "rooms/$id/#" \
      --retained-only -W 2 -F %t 2>/dev/null)
    check "retained pieces: two of the members, two of the raw publisher" "4" \
      "$(grep -c "^rooms/$id/p/" <<<"$kept")"
  fi
  local second_pfx=$pfx second_pid=$prog_pid
  pfx=$first_pfx
  prog_pid=$first_pid
  check "the creator gets the joiner's change" "$board" "$(wait_code "$board")"
  check "creator's title: two members" "$title — ${room}接続 2人" \
    "$(wait_title "$title — ${room}接続 2人")"
  d drag 15 15 75 45 >/dev/null
  board="あ:61,31:r rb:-14,-14:2"
  check "creator's drag" "$board" "$(code)"
  pfx=$second_pfx
  prog_pid=$second_pid
  check "the joiner gets the drag" "$board" "$(wait_code "$board")"
  d menu $IDM_ROOM_LEAVE >/dev/null
  check "title after leaving" "$title" "$(wait_title "$title")"
  check "the board stays after leaving" "$board" "$(code)"
  stop_prefix
  rm -rf "$pfx"
  pfx=$first_pfx
  prog_pid=$first_pid
  check "garbage changed nothing; the other left" "$title — ${room}接続 1人|$board" \
    "$(wait_title "$title — ${room}接続 1人")|$(code)"
}

# A member with the link floods the room (tests/web/flooder.js: thousands of sealed moves a
# second, garbage, then the largest packets the broker takes): the program answers the
# driver within 5 s throughout, as the soak asks, its memory stays within 32 MB of what it
# was, and it ends on the flooder's last move.
sc_room_flood() {
  local tcp=$((20001 + $$ % 20000)) broker_dir=$e2e_dir/broker-flood-$$ broker_pid
  local ws=$((tcp + 20000)) title="dozero ver 0.50 — ルーム: 接続 1人" link flooder
  local before most=0 mem slowest=0 t0 ms flood_log=$e2e_dir/logs/$scenario_id.flooder.log
  broker_pid=$(. scripts/lib/broker.sh && dz_broker_start "$broker_dir" "$tcp" "$ws") ||
    { fail "the broker did not start"; return; }
  prog_env=(DOZERO_BROKER_TCP=127.0.0.1:$tcp DOZERO_BROKER_WS=ws://127.0.0.1:$ws)
  if start_program; then
    d button board $IDC_BOARD_ADD_MARKER \; menu-post $IDM_ROOM_CREATE >/dev/null
    d answer ok >/dev/null
    link=$(d clipboard)
    check "in the room" "$title" "$(wait_title "$title")"
    before=$(program_memory_kb 2>/dev/null)
    node tests/web/flooder.js "$link" "$tcp" 4000 >"$flood_log" 2>&1 &
    flooder=$!
    while kill -0 "$flooder" 2>/dev/null; do
      t0=$(date +%s%N)
      d sync >/dev/null || break
      ms=$((($(date +%s%N) - t0) / 1000000))
      ((ms > slowest)) && slowest=$ms
      mem=$(program_memory_kb 2>/dev/null)
      [ "$mem" != gone ] && ((mem > most)) && most=$mem
    done
    wait "$flooder" || fail "the flooder failed: $(head -c 300 "$flood_log")"
    echo "  flood: $(cat "$flood_log") messages; slowest answer $slowest ms; memory $before -> $most KiB"
    check "answers within 5 s during the flood" "1" "$((slowest < 5000))"
    check "memory within 32 MB of before" "1" "$((most - before < 32768))"
    check "the flooder's last move" "A:1,1:r F:300,300:r" "$(wait_code "A:1,1:r F:300,300:r")"
    check "still in the room" "$title" "$(wait_title "$title")"
  fi
  prog_env=()
  (. scripts/lib/broker.sh && dz_broker_stop "$broker_pid")
  rm -rf "$broker_dir"
}
