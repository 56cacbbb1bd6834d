#!/usr/bin/env bash
# The end-to-end tests of the native quarvel's command line: in cli_test.py,
# exit status and messages, whole jobs on a full disk and in a killed run,
# PNG and SVG pages against the PDF, the PDF's structure; in output_test.py,
# the user's files and streams around a job, and runs that lose something;
# in picture_test.py, every kind of image at extreme sizes and positions, in
# TrueType and CFF faces, through qpdf, MuPDF and poppler, and PNG and SVG
# pages against MuPDF's rendering; in printer_test.py, printing to
# ippeveprinter as a PDF, PWG Raster and URF printer, the printers that
# DNS-SD announces, uploads cut, stalled and interrupted, printers that
# drop, ignore or refuse a job, and a CUPS queue that fails the transfer;
# in editor_test.py, the language server in Neovim's own client. Debian's
# Python runs them (Pillow).
#
#     bash tests/cli/run.sh [TEST...]      (as root; unittest names such as
#                                           output_test.OutputTest)
#
# The program is build/native/bin/quarvel (or $CLI_QUARVEL). The tests run
# in a mount namespace of their own, so that the small file systems they
# mount and the message bus and mDNS daemon that the IPP printers need are
# private to them and vanish with them (the printers announce themselves on
# the loopback interface only); every process they start is stopped by its
# id.
set -euo pipefail
cd "$(dirname "$0")/../.."

if [ -z "${CLI_PRIVATE_MOUNTS:-}" ]; then
  exec unshare --mount --propagation private env CLI_PRIVATE_MOUNTS=1 bash "$0" "$@"
fi
mkdir -p /run/dbus /run/avahi-daemon
mount -t tmpfs cli-dbus /run/dbus
mount -t tmpfs cli-avahi /run/avahi-daemon
# The certificates that the IPP printer makes and that quarvel trusts on
# first use are kept there when the runner is root.
mkdir -p /etc/cups/ssl
mount -t tmpfs cli-ssl /etc/cups/ssl
exec /usr/bin/python3 tests/cli/cli_test.py "$@" </dev/null
