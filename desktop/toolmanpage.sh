#!/bin/sh
# Writes quorvelin-tool's manual page from its own help: help2man turns the
# general help into the page, and each command's help, for every command the
# general help lists, becomes a part of the COMMANDS section, so a new
# command appears in the page without anyone editing it.
#
# Usage: toolmanpage.sh TOOL VERSION INCLUDE OUTPUT
# INCLUDE is help2man's include file of hand-written sections.
set -eu
tool=$1
version=$2
include=$3
output=$4

sections=$output.h2m
trap 'rm -f "$sections"' EXIT
{
    cat "$include"
    printf '\n[COMMANDS]\n'
    # The command list: lines of exactly two spaces, then the command's name.
    for command in $("$tool" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p'); do
        printf '.SS %s\n.nf\n' "$command"
        # roff reads a backslash as an escape and a leading dot or quote as a
        # request.
        "$tool" help "$command" | sed -e 's/\\/\\e/g' -e "s/^[.']/\\\\\\&&/"
        printf '.fi\n'
    done
} >"$sections"

help2man --no-info --no-discard-stderr --version-string="$version" \
    --name="find, export, print, import, check, back up, publish and sync a Quorvelin directory" \
    --include="$sections" --output="$output" "$tool"
