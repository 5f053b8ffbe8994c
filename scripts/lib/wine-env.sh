# Wine settings for running the 32-bit Windows programs (sourced, not run).
#
# The programs run in a prefix of our own, created on first use, so that a user's ~/.wine
# is never touched. VELLUMINE_WINEPREFIX chooses another place.

: "${HOME:=$(getent passwd "$(id -u)" | cut -d: -f6)}"
export HOME
export WINEPREFIX=${VELLUMINE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vellumine/wine32}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No prompts to download Mono or Gecko: nothing here needs .NET or an HTML engine.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Creates the prefix when it does not exist yet. Several processes may ask at once (ctest
# runs tests in parallel), so the first one creates it under a lock and the others wait.
wine_prefix_init() {
  local ready=$WINEPREFIX/.vellumine-ready
  [[ -f $ready ]] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f $ready ]]; then
      wine wineboot --init </dev/null >/dev/null 2>&1 9>&- || { echo "wine: cannot create $WINEPREFIX" >&2; exit 1; }
      touch "$ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Starting the Wine server takes seconds (longer under emulation), and by default it quits
# as soon as its last program ends. A server started here stays for the given number of
# seconds after the last program, so a run of many programs starts it once. The first
# program on a new server also starts Wine's own background programs, which live as long as
# the server: they are started here too, with no pipe of the caller (ctest would otherwise
# wait for them to close its output).
wine_server_start() {
  (
    flock 9
    if wineserver -p"${1:-30}" </dev/null >/dev/null 2>&1 9>&-; then
      wine cmd.exe /c exit </dev/null >/dev/null 2>&1 9>&- || true
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Once per prefix: Wine has no Arial of its own; the metric-compatible Liberation Sans (with
# Cyrillic letters) stands in for it, or else DejaVu Sans, as Arial does on Windows. The
# marker is written only when the registry took the setting.
wine_font_replacements() {
  local marker=$WINEPREFIX/.vellumine-fonts output
  [[ -f $marker ]] && return 0
  if ! output=$(wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_MULTI_SZ \
                  /d 'Liberation Sans\0DejaVu Sans' /f </dev/null 2>&1); then
    echo "wine: cannot set the Arial replacement in $WINEPREFIX:" >&2
    printf '%s\n' "$output" >&2
    return 1
  fi
  touch "$marker"
}
