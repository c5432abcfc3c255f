# Sourced by the Windows tests: starts Windows programs under Wine in the
# environment a Windows session gives them, never in the Linux host's.
#
# Wine hands the host's variables (DISPLAY, HOME, LANG, XDG_*, ...) to the first
# Windows program it starts. So every program goes through windows_session.exe, a
# launcher of ours built for Windows, which starts it in the environment Windows
# makes for a new session of this user (CreateEnvironmentBlock: SystemRoot,
# APPDATA, LOCALAPPDATA, USERPROFILE, TEMP, a PATH of Windows folders), plus the
# variables the caller names. Wine itself runs with only what it needs.
#
#   windows_prefix FOLDER              makes FOLDER a ready Wine prefix (once) and uses it
#   windows_fresh_prefix FROM FOLDER   a new prefix in FOLDER, as FROM was when it was made
#   windows_run [--verbatim] [NAME=VALUE | NAME+=VALUE]... PROGRAM [ARGUMENT]...
#                                      runs PROGRAM (a Windows path, or a Linux path
#                                      that is turned into one) there; its status.
#                                      --verbatim: the arguments unquoted, for a
#                                      program that reads its command line itself
#   wine_tool PROGRAM [ARGUMENT]...    a tool of Wine's own (reg, wineboot) on the prefix
#
# WINDOWS_SESSION names the launcher (.exe); the caller sets it. Failures are told on
# standard error as "windows: ..." and give a status other than 0.

: "${WINDOWS_SESSION:=}"

windows_log() { echo "windows: $*" >&2; }

# What Wine needs to run, and nothing of the host besides. The locale of Wine's
# own side sets the Windows user locale: an English Windows, as a tester's would be.
_windows_wine_env() {
  local locale=C.UTF-8
  locale -a 2>/dev/null | grep -qix 'en_US.utf8' && locale=en_US.UTF-8
  env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="${HOME:-/root}" LANG=$locale LC_ALL=$locale \
    WINEPREFIX="$WINEPREFIX" WINEARCH=win64 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" \
    ${DISPLAY:+DISPLAY="$DISPLAY"} ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} "$@"
}

wine_tool() {
  [ -n "${WINEPREFIX:-}" ] || { windows_log "no prefix: call windows_prefix first"; return 1; }
  _windows_wine_env wine "$@"
}

# Waits until every program of the prefix has ended and its server has written
# the registry.
windows_settle() {
  _windows_wine_env timeout 300 wineserver -w || windows_log "the prefix's programs did not end"
}

windows_prefix() {
  local folder=$1
  mkdir -p "$(dirname "$folder")"
  export WINEPREFIX=$folder
  # One maker at a time: tests that start together wait for the first one.
  (
    flock 9
    [ -f "$folder/.ready" ] && exit 0
    rm -rf "$folder"
    _windows_wine_env wineboot -i >"$folder.log" 2>&1 ||
      { windows_log "wineboot could not make the prefix $folder: $(tail -n 3 "$folder.log")"; exit 1; }
    # wineboot returns while the services it started still write the registry.
    _windows_wine_env timeout 300 wineserver -w ||
      { windows_log "the new prefix $folder did not settle within 5 minutes"; exit 1; }
    [ -f "$folder/system.reg" ] && [ -f "$folder/user.reg" ] ||
      { windows_log "the new prefix $folder has no registry: $(tail -n 3 "$folder.log")"; exit 1; }
    # Wine has no Arial, the window's font: Liberation Sans has its measures.
    local font
    for font in 'Arial=Liberation Sans' 'Arial Bold=Liberation Sans Bold'; do
      _windows_wine_env wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
        /v "${font%%=*}" /d "${font#*=}" /f >>"$folder.log" 2>&1 ||
        { windows_log "cannot set the font ${font%%=*} in $folder: $(tail -n 2 "$folder.log")"; exit 1; }
    done
    _windows_wine_env timeout 300 wineserver -w || true
    # Wine links the user's Documents, Desktop, ... to the host's folders: a Windows
    # user has folders of their own.
    local link
    while IFS= read -r link; do
      rm -f "$link" && mkdir -p "$link"
    done < <(find "$folder/drive_c/users" -mindepth 2 -maxdepth 2 -type l)
    touch "$folder/.ready"
  ) 9>"$folder.lock"
}

windows_fresh_prefix() {
  local from=$1 folder=$2
  [ -f "$from/.ready" ] || { windows_log "$from is not a ready prefix"; return 1; }
  rm -rf "$folder"
  # The system's files are shared (Wine only reads them), the registry is a copy.
  cp -al "$from" "$folder" && rm -f "$folder"/*.reg && cp "$from"/*.reg "$folder/" ||
    { windows_log "cannot copy the prefix $from to $folder"; return 1; }
  export WINEPREFIX=$folder
}

# A Linux path as Wine's drive Z: shows it.
windows_path() {
  case $1 in
    /*) local p=${1//\//\\}; printf 'Z:%s\n' "$p" ;;
    *) printf '%s\n' "$1" ;;
  esac
}

windows_run() {
  [ -n "$WINDOWS_SESSION" ] && [ -f "$WINDOWS_SESSION" ] ||
    { windows_log "the launcher windows_session.exe ($WINDOWS_SESSION) is missing"; return 125; }
  local assignments=()
  [ "${1:-}" = --verbatim ] && { assignments+=("$1"); shift; }
  while [ $# -gt 0 ] && [[ $1 == *=* ]]; do
    assignments+=("$1"); shift
  done
  [ $# -gt 0 ] || { windows_log "windows_run: no program given"; return 125; }
  local program
  program=$(windows_path "$1"); shift
  wine_tool "$WINDOWS_SESSION" "${assignments[@]}" -- "$program" "$@"
}
