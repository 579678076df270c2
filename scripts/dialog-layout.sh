# Where the window's controls are on the screen, for the scripts that drive it with xdotool
# (scripts/screenshot.sh, tests/windows/check-zip.sh); sourced, not run.
# The client area is 351 x 297 dialog units below the menu bar. The base units follow from the
# window's size (a unit is a quarter of the average character width and an eighth of the
# character height); the menu bar is what is left above.
# The points the scripts click, in dialog units, and what is there (src/ui/MainDialogTemplate.cpp):
#   80,24 "フォルダ選択"   150,46 the input box   325,45 the input's "参照"   287,283 "CSV出力"
#   120,101 and below: the error list
# The check box "サブフォルダとZIPファイルも変換する" (127,17, 150 x 14, wider only to the right
# when its text needs it) is clear of them all; left unchecked, a folder run reads only the
# folder's own XML files. The check box "一覧表（Excel）も作成する" (8,277, 150 x 13, on the
# buttons' row left of "CSV出力") is clear of them too; left unchecked, a run writes no workbook.

# dialog_layout X Y WIDTH HEIGHT: the client area's place and size on the screen. Sets base_x,
# base_y and menu for click_du; fails when no base unit fits.
dialog_layout() {
  layout_x=$1
  layout_y=$2
  base_x=$((($3 * 4 + 175) / 351))
  local candidate
  for candidate in $(seq 40 -1 8); do # the largest that leaves room for a menu bar
    menu=$(($4 - (297 * candidate + 4) / 8))
    if [ "$menu" -ge 12 ] && [ "$menu" -le 60 ]; then
      base_y=$candidate
      return 0
    fi
  done
  return 1
}

# click_du X Y [PIXELS]: a click at dialog units X, Y (plus pixels down), then a pause.
click_du() {
  xdotool mousemove "$((layout_x + ($1 * base_x + 2) / 4))" \
    "$((layout_y + menu + ($2 * base_y + 4) / 8 + ${3:-0}))" click 1
  sleep 0.5
}
