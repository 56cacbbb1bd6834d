# Sourced by the scripts that run Windows programs under 64-bit Wine: one
# prefix of the project's own, booted once, with its services detached from
# the caller's standard streams.
export WINEARCH=win64
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINE=/usr/lib/wine/wine64

boot_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "booting the Wine prefix $WINEPREFIX (once; this takes a while)"
  fi
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  /usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1 || true
}
