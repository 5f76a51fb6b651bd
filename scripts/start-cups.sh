#!/usr/bin/env bash
# Starts CUPS (without systemd) and makes a PDF printer "PDF" the default, for the print
# tests. Run as root; does nothing that is already done.
set -euo pipefail
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  cupsd
  for _ in $(seq 1 50); do
    [ -S /run/cups/cups.sock ] && lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
  done
fi
lpstat -r
if ! lpstat -p PDF > /dev/null 2>&1; then
  # pdftocairo keeps the text of the produced PDFs readable by pdftotext.
  lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -o pdftops-renderer-default=pdftocairo
fi
lpadmin -d PDF
