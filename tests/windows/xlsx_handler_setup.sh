# Sourced by run_windows_test.sh --setup: registers the stand-in spreadsheet
# program (record_open.exe, named by AMBREVALE_STAND_IN) for .xlsx in the test's
# own prefix, with a "New" and an "Open" verb, as spreadsheet programs register.
# The program under test learns its folder as AMBREVALE_TEST_XLSX_HANDLER.
# Machine-wide: Wine reads no per-user file types.
[ -f "${AMBREVALE_STAND_IN:-}" ] || { windows_log "the stand-in ($AMBREVALE_STAND_IN) is missing"; return 1; }
handler_folder=$WINEPREFIX/drive_c/xlsx-handler
mkdir -p "$handler_folder" && cp "$AMBREVALE_STAND_IN" "$handler_folder/record_open.exe" || return 1
classes='HKLM\Software\Classes'
wine_tool reg add "$classes\\.xlsx" /ve /d Ambrevale.TestWorkbook /f >/dev/null &&
  wine_tool reg add "$classes\\Ambrevale.TestWorkbook\\shell\\new\\command" /ve \
    /d '"C:\xlsx-handler\record_open.exe" new "%1"' /f >/dev/null &&
  wine_tool reg add "$classes\\Ambrevale.TestWorkbook\\shell\\open\\command" /ve \
    /d '"C:\xlsx-handler\record_open.exe" open "%1"' /f >/dev/null ||
  { windows_log "cannot register the stand-in for .xlsx"; return 1; }
session_assignments+=('AMBREVALE_TEST_XLSX_HANDLER=C:\xlsx-handler')

# The workbook the stand-in received, as a spreadsheet program reads it: the
# header and the checked lines, the unchecked line's row empty.
windows_after() {
  local received=$handler_folder/received.xlsx cells
  [ -f "$handler_folder/received.txt" ] || { windows_log "the stand-in was never started"; return 1; }
  command -v ssconvert >/dev/null || { windows_log "ssconvert (gnumeric) is missing"; return 1; }
  ssconvert "$received" "$handler_folder/received.csv" >/dev/null 2>&1 ||
    { windows_log "ssconvert cannot read the workbook the stand-in received"; return 1; }
  cells=$(cat "$handler_folder/received.csv")
  local expected=$'Results\n"Distance between A and B is 3 miles"\n\n"Zürich = 42"'
  [ "$cells" = "$expected" ] || { windows_log "the workbook holds other cells:
$cells
--- expected
$expected"; return 1; }
}
