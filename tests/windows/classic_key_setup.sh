# Sourced by run_windows_test.sh --setup for tst_settings: a trip put into the
# classic key with Wine's reg tool, as another program of this name would keep
# it; the test reads it at start-up, and after the test "Cities" is still a
# string value there.
classic_key='HKCU\Software\VB and VBA Program Settings\Tormalyn\Ambrevale'
prepared_trip='Firenze - Toscana, Italy;Zürich - Zurich, Switzerland'
wine_tool reg add "$classic_key" /v Cities /t REG_SZ /d "$prepared_trip" /f >/dev/null ||
  { windows_log "cannot put the trip into $classic_key"; return 1; }
session_assignments+=("AMBREVALE_PREPARED_TRIP=$prepared_trip")

windows_after() {
  local listed
  listed=$(wine_tool reg query "$classic_key" /v Cities 2>&1 | tr -d '\r') ||
    { windows_log "no Cities in $classic_key after the test: $listed"; return 1; }
  grep -q 'Cities *REG_SZ' <<<"$listed" ||
    { windows_log "Cities in $classic_key is not a string value: $listed"; return 1; }
}
