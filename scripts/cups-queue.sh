#!/usr/bin/env bash
# Starts a CUPS scheduler with a PDF print queue for the end-to-end print
# tests, or stops what an earlier start began.
#
#   source scripts/cups-queue.sh start   sets TAVREL_TEST_PRINTER (the queue),
#                                        TAVREL_TEST_JOB_PRINTER (a second
#                                        queue for the one test that counts
#                                        its jobs) and TAVREL_TEST_PRINTER_OUT
#                                        (where both write each job's PDF,
#                                        named ...-job_N.pdf by job number)
#   scripts/cups-queue.sh stop           removes the queues; stops the
#                                        scheduler when start began it
#
# Tests run in parallel, and several print to TavrelPDF; the end-to-end test
# prints to TavrelPDFJobs alone and knows its jobs by the numbers the
# scheduler lists for that queue (lpstat -W all -o TavrelPDFJobs).
#
# The queue is cups-pdf with its own PPD, which adds the Japanese postcard
# (100 x 148 mm) to the papers cups-pdf offers. A scheduler that was already
# running is used and left running.

tavrel_cups_root() { if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi; }

tavrel_cups_start() {
  local repo out ppd i
  repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  out="$repo/build/cups-pdf-out"
  ppd="$repo/build/tavrel-cups-pdf.ppd"
  if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null \
     || [ ! -f /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ]; then
    echo "cups-queue: CUPS or cups-pdf is not installed; tests through a print queue will be skipped" >&2
    return 0
  fi
  mkdir -p "$out" && chmod 1777 "$out"
  rm -f "$out"/*.pdf
  # Every job's PDF lands directly in $out.
  tavrel_cups_root sed -i -E "s|^#?Out .*|Out $out|" /etc/cups/cups-pdf.conf
  if ! lpstat -r 2>/dev/null | grep -q "scheduler is running"; then
    tavrel_cups_root mkdir -p /run/cups
    tavrel_cups_root cupsd
    export TAVREL_CUPS_STARTED=1
    for i in $(seq 1 50); do
      lpstat -r 2>/dev/null | grep -q "scheduler is running" && break
      sleep 0.2
    done
  fi
  if ! lpstat -r 2>/dev/null | grep -q "scheduler is running"; then
    echo "cups-queue: the CUPS scheduler did not start" >&2
    return 1
  fi
  sed -e '/^\*PageSize JISB5\//a *PageSize Postcard/Postcard: "<</PageSize[283 420]/ImagingBBox null>>setpagedevice"' \
      -e '/^\*PageRegion JISB5\//a *PageRegion Postcard/Postcard: "<</PageSize[283 420]/ImagingBBox null>>setpagedevice"' \
      -e '/^\*ImageableArea JISB5\//a *ImageableArea Postcard/Postcard: "0 0 283 420"' \
      -e '/^\*PaperDimension JISB5\//a *PaperDimension Postcard/Postcard: "283 420"' \
      /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd > "$ppd"
  tavrel_cups_root lpadmin -p TavrelPDF -v cups-pdf:/ -P "$ppd" -E || return 1
  tavrel_cups_root lpadmin -p TavrelPDFJobs -v cups-pdf:/ -P "$ppd" -E || return 1
  export TAVREL_TEST_PRINTER=TavrelPDF
  export TAVREL_TEST_JOB_PRINTER=TavrelPDFJobs
  export TAVREL_TEST_PRINTER_OUT="$out"
  echo "cups-queue: print queues $TAVREL_TEST_PRINTER and $TAVREL_TEST_JOB_PRINTER write to $TAVREL_TEST_PRINTER_OUT"
}

tavrel_cups_stop() {
  if command -v lpadmin >/dev/null && lpstat -r 2>/dev/null | grep -q "scheduler is running"; then
    tavrel_cups_root lpadmin -x TavrelPDF 2>/dev/null || true
    tavrel_cups_root lpadmin -x TavrelPDFJobs 2>/dev/null || true
  fi
  if [ "${TAVREL_CUPS_STARTED:-}" = 1 ] && [ -f /run/cups/cupsd.pid ]; then
    tavrel_cups_root kill "$(cat /run/cups/cupsd.pid)" 2>/dev/null || true
  fi
  unset TAVREL_TEST_PRINTER TAVREL_TEST_JOB_PRINTER TAVREL_TEST_PRINTER_OUT TAVREL_CUPS_STARTED
}

case "${1:-}" in
  start) tavrel_cups_start ;;
  stop) tavrel_cups_stop ;;
  *) echo "usage: source scripts/cups-queue.sh start | stop" >&2 ;;
esac
