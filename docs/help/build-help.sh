#!/usr/bin/env bash
# Compiles the program's own manual (this folder's .htm pages, tomeshift.hhc and tomeshift.hhp) into
# tomeshift.chm with chmcmd (package fp-utils). The .chm is committed; run this after editing a page.
set -euo pipefail
cd "$(dirname "$0")"
command -v chmcmd >/dev/null || { echo "chmcmd is missing (apt-get install fp-utils)" >&2; exit 1; }
chmcmd --no-html-scan tomeshift.hhp >/dev/null
ls -l tomeshift.chm
