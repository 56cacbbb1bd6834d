#!/usr/bin/env bash
# The end-to-end suite: runs the 64-bit Windows programs under Wine on a
# virtual display of its own, answers the print dialog as a person would,
# prints through a CUPS queue of its own that turns every job into a PDF,
# and checks what comes out (tests/e2e/README.md).
#
#     bash tests/e2e/run.sh [CASE...]
#
# CASE names a directory under tests/e2e/cases/, or "splash"; without one,
# every case runs. The programs are taken from build/win64/bin/ (or
# $E2E_BIN_DIR) and must be built first. Everything the suite starts lives
# under build/e2e/run/ (cupsd's spool under /tmp) and is stopped when it
# ends.
set -euo pipefail
cd "$(dirname "$0")/../.."

readonly E2E_DIR=$PWD/build/e2e
readonly RUN_DIR=$E2E_DIR/run
readonly BIN_DIR=${E2E_BIN_DIR:-$PWD/build/win64/bin}
readonly WINE=/usr/lib/wine/wine64
readonly WINESERVER=/usr/lib/wine/wineserver
readonly QUEUE=QuarvelPDF
# cups-pdf reads the settings of the device "cups-pdf:/NAME" from
# /etc/cups/cups-pdf-NAME.conf; the name is this run's own.
readonly CUPS_PDF_NAME=quarvel-e2e-$$
readonly CUPS_PDF_CONF=/etc/cups/cups-pdf-$CUPS_PDF_NAME.conf
readonly PROBE=$BIN_DIR/e2e_probe.exe
readonly PREFLIGHT_DIR=$RUN_DIR/preflight
readonly PROBE_WINDOW_SECONDS=30
readonly PROBE_PRINT_SECONDS=30
# Wine's debug channels that tell why the probe found no printer (the
# spooler, which takes the CUPS printers in) or no window (the DLLs loaded,
# the X11 driver, the window manager of user32).
readonly PRINTER_CHANNELS=err+all,+winspool,+localspl
readonly WINDOW_CHANNELS=err+all,+loaddll,+x11drv,+win

xvfb_pid=
cupsd_pid=
cups_root=

fail() {
  echo "e2e: $*" >&2
  exit 1
}

# Runs the command after `seconds` every 0.2 s until it succeeds, for at
# most `seconds`; fails when it never does.
wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# wait_until, or stop the run with a message about `what`.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  wait_until "$seconds" "$@" || fail "timed out after ${seconds}s waiting for $what"
}

stop_everything() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
  fi
  # cupsd writes its state as it stops: its folder is removed after that.
  if [ -n "$cupsd_pid" ]; then
    kill "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -f "$CUPS_PDF_CONF"
  [ -z "$cups_root" ] || rm -rf "$cups_root"
}

display_answers() { xdpyinfo >/dev/null 2>&1; }

start_display() {
  local display_file=$RUN_DIR/display
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" \
    >"$RUN_DIR/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for 20 "Xvfb to report its display (see $RUN_DIR/xvfb.log)" test -s "$display_file"
  export DISPLAY=:$(head -n 1 "$display_file")
  wait_for 20 "display $DISPLAY to answer" display_answers
}

# cupsd's configuration and logs lie in RUN_DIR/cups; its server root (the
# queue's PPD), its spool and its socket in a directory of its own under
# /tmp. The filters run as the user lp, which must reach the spool and the
# PPD whatever folder holds the checkout (a clone in /root, which only root
# may enter, printed nothing), and a socket's path has at most 107 bytes.
write_cups_config() {
  local cups=$RUN_DIR/cups
  cups_root=$(mktemp -d /tmp/quarvel-e2e-cups.XXXXXX)
  chmod 0755 "$cups_root"
  mkdir -p "$cups_root/spool/tmp" "$cups"/{cache,state,log} "$RUN_DIR/pdf"
  cat >"$cups/cups-files.conf" <<EOF
ServerRoot $cups_root
RequestRoot $cups_root/spool
TempDir $cups_root/spool/tmp
CacheDir $cups/cache
StateDir $cups/state
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
Printcap $cups/printcap
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
EOF
  cat >"$cups/cupsd.conf" <<EOF
LogLevel info
Listen $cups_root/cups.sock
Browsing No
WebInterface No
PreserveJobFiles Yes
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  # Every job becomes RUN_DIR/pdf/job_<id>-<title>.pdf, written as root.
  cat >"$CUPS_PDF_CONF" <<EOF
Out $RUN_DIR/pdf
Label 1
Log $cups/log
LogType 3
EOF
}

# lpstat -r succeeds whether or not it reached the scheduler: its words tell.
cupsd_listens() { [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ]; }

# Adds the queue and makes it the default printer; cupsd may still refuse
# for a moment after it started to listen.
add_queue() {
  lpadmin -p "$QUEUE" -E -v "cups-pdf:/$CUPS_PDF_NAME" \
    -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd >>"$RUN_DIR/cups/log/lpadmin.log" 2>&1 &&
    lpadmin -d "$QUEUE" >>"$RUN_DIR/cups/log/lpadmin.log" 2>&1
}

# The spooler: a cupsd of the suite's own on a local socket, with one
# cups-pdf queue that is the default printer.
start_spooler() {
  write_cups_config
  export CUPS_SERVER=$cups_root/cups.sock
  cupsd -f -c "$RUN_DIR/cups/cupsd.conf" -s "$RUN_DIR/cups/cups-files.conf" \
    >"$RUN_DIR/cups/log/cupsd.out" 2>&1 &
  cupsd_pid=$!
  wait_for 20 "cupsd to listen on $CUPS_SERVER (see $RUN_DIR/cups/log)" cupsd_listens
  # cupsd runs only backends that are root's alone.
  chmod 0700 /usr/lib/cups/backend/cups-pdf
  wait_for 20 "lpadmin to add $QUEUE as the default printer (see $RUN_DIR/cups/log)" add_queue
}

# A fresh Wine prefix. Wine takes the CUPS printers into the prefix when it
# boots, and again in every program that loads its spooler, dropping those
# that CUPS does not list then; so the queue must exist first and stay. The
# server is kept alive between the cases, which saves a start for each.
boot_wine() {
  export WINEARCH=win64 WINEPREFIX=$RUN_DIR/wineprefix WINEDEBUG=-all,err+all,+winspool
  export WINEDLLOVERRIDES=mscoree,mshtml=
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot failed"
  # Without a window manager on the display, a managed window that hides
  # waits two seconds for a window manager to withdraw it; unmanaged
  # windows go at once.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    fail "could not set Wine's X11 driver to unmanaged windows"
  "$WINESERVER" -w
  "$WINESERVER" -p
}

# The preflight: what every case relies on, checked once before the first
# case, so that a broken set-up shows as one line that names what is broken
# and the log that tells why, not as every case failing alike.

# cupsd's default destination, as `lpstat -d` tells it.
queue_is_default() {
  lpstat -d >"$PREFLIGHT_DIR/cups.log" 2>&1 &&
    grep -qx "system default destination: $QUEUE" "$PREFLIGHT_DIR/cups.log"
}

queue_is_idle() { [ -z "$(lpstat -o 2>/dev/null)" ]; }

pdf_made() { compgen -G "$RUN_DIR/pdf/*.pdf" >/dev/null; }

# A blank page of PostScript through the queue: the spooler's filters and
# cups-pdf must make a PDF of it. The PDF is removed, so that no case takes
# it for its own.
queue_prints() {
  printf '%%!PS\nshowpage\n' >"$PREFLIGHT_DIR/page.ps"
  lp -t preflight "$PREFLIGHT_DIR/page.ps" >"$PREFLIGHT_DIR/print.log" 2>&1 &&
    wait_until $PROBE_PRINT_SECONDS queue_is_idle && pdf_made && rm -f "$RUN_DIR"/pdf/*.pdf
}

# The default printer of a program in the prefix, as the probe finds it.
wine_default_printer_is_queue() {
  WINEDEBUG=$PRINTER_CHANNELS "$WINE" "$PROBE" printer \
    </dev/null >"$PREFLIGHT_DIR/printer.txt" 2>"$PREFLIGHT_DIR/printer.log" &&
    [ "$(tr -d '\r' <"$PREFLIGHT_DIR/printer.txt")" = "$QUEUE" ]
}

probe_window_mapped() {
  xdotool search --onlyvisible --name '^e2e probe$' >"$PREFLIGHT_DIR/windows.txt" 2>&1
}

# Starts the probe's window and waits for it to map on the display; the
# probe is ended either way.
wine_window_maps() {
  WINEDEBUG=$WINDOW_CHANNELS "$WINE" "$PROBE" window \
    </dev/null >/dev/null 2>"$PREFLIGHT_DIR/window.log" &
  local probe_pid=$! status=0
  wait_until $PROBE_WINDOW_SECONDS probe_window_mapped || status=1
  kill "$probe_pid" 2>/dev/null || true
  wait "$probe_pid" 2>/dev/null || true
  return $status
}

# Runs the check after `log`; when it fails, says in one line that `what`
# does not hold and which log tells why, shows that log's end and stops.
require() {
  local what=$1 log=$2
  shift 2
  "$@" && return 0
  echo "e2e: preflight: $what does not hold (see $log)" >&2
  tail -n 20 "$log" 2>/dev/null | sed 's/^/    /' >&2
  exit 1
}

preflight() {
  mkdir -p "$PREFLIGHT_DIR"
  require "display $DISPLAY answers" "$RUN_DIR/xvfb.log" display_answers
  require "cupsd lists $QUEUE as its default destination" "$RUN_DIR/cups/log/error_log" \
    queue_is_default
  require "$QUEUE prints a page to a PDF within ${PROBE_PRINT_SECONDS}s" \
    "$RUN_DIR/cups/log/error_log" queue_prints
  require "Wine sees $QUEUE as its default printer" "$PREFLIGHT_DIR/printer.log" \
    wine_default_printer_is_queue
  require "a Wine window maps on display $DISPLAY within ${PROBE_WINDOW_SECONDS}s" \
    "$PREFLIGHT_DIR/window.log" wine_window_maps
}

main() {
  local program
  for program in quarvel.exe splash.exe e2e_probe.exe; do
    [ -f "$BIN_DIR/$program" ] ||
      fail "$BIN_DIR/$program is missing: cmake --preset win64 && cmake --build --preset win64"
  done
  mkdir -p "$E2E_DIR"
  exec 9>"$E2E_DIR/lock"
  flock -n 9 || fail "another run of the suite holds $E2E_DIR/lock"
  rm -rf "$RUN_DIR"
  mkdir -p "$RUN_DIR/home"
  # libcups and Wine read the user's settings from HOME: keep them the run's.
  export HOME=$RUN_DIR/home
  trap stop_everything EXIT
  local started=$SECONDS
  start_display
  start_spooler
  boot_wine
  preflight
  echo "e2e: display $DISPLAY, queue $QUEUE, Wine prefix ready and checked in $((SECONDS - started))s"
  export E2E_DIR E2E_RUN_DIR=$RUN_DIR E2E_BIN_DIR=$BIN_DIR E2E_QUEUE=$QUEUE
  export E2E_SPOOL_DIR=$cups_root/spool
  python3 tests/e2e/e2e.py "$@"
}

main "$@"
