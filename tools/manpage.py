#!/usr/bin/env python3
"""Writes the manual page pluvina(1) from its hand-written template and the program's own
--help text, so that the OPTIONS section lists exactly what the program accepts.

Usage: manpage.py <template> <output> <version> <program> [arguments to run it with]
The template's @PLUVINA_OPTIONS@ line becomes the options; @PROJECT_VERSION@ and
@PLUVINA_DATE@ (the newest commit's date, or SOURCE_DATE_EPOCH) are filled in."""
import datetime
import os
import re
import subprocess
import sys


def roff(text):
    """Text as roff reads it literally: backslashes and minus signs escaped, no line that
    starts with a control character."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def option_term(term):
    """'-h, --help' or '--size WxH' as roff: option names bold, their arguments italic."""
    out = []
    for alternative in term.split(", "):
        words = alternative.split(" ")
        out.append(" ".join(["\\fB" + roff(words[0]) + "\\fR"] +
                            ["\\fI" + roff(w) + "\\fR" for w in words[1:]]))
    return ", ".join(out)


def options_section(help_text):
    """The option table of --help: lines '  <term>  <description>', continued by lines
    indented to the description's column. Prose after the table becomes paragraphs."""
    lines = help_text.splitlines()
    out, prose, column = [], [], None
    for line in lines:
        item = re.match(r"^  (-\S.*?)(\s{2,})(\S.*)$", line)
        if item:
            column = len(item.group(1)) + len(item.group(2)) + 2
            out += [".TP", option_term(item.group(1)), roff(item.group(3))]
        elif column and line.startswith(" " * column) and line.strip():
            out.append(roff(line.strip()))
        elif column and line.strip():
            prose.append(roff(line.strip()))
        elif prose:
            break
    if not out:
        sys.exit("manpage.py: no options found in the --help text")
    return "\n".join(out + ([".PP"] + prose if prose else []))


def page_date():
    stamp = os.environ.get("SOURCE_DATE_EPOCH")
    if stamp is None:
        log = subprocess.run(["git", "log", "-1", "--format=%ct"], capture_output=True,
                             text=True, cwd=os.path.dirname(os.path.abspath(__file__)))
        stamp = log.stdout.strip() or "0"
    when = datetime.datetime.fromtimestamp(int(stamp), datetime.timezone.utc)
    return when.strftime("%Y-%m-%d")


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    template, output, version, program = sys.argv[1:5]
    run = subprocess.run([program, "--help"], capture_output=True, text=True, check=True,
                         stdin=subprocess.DEVNULL)
    # Only the prose up to the key list belongs here; CONTROLS is written by hand.
    options = options_section(run.stdout.split("\nKeys:")[0])
    with open(template, encoding="utf-8") as f:
        page = f.read()
    page = (page.replace("@PLUVINA_OPTIONS@", options)
            .replace("@PROJECT_VERSION@", version)
            .replace("@PLUVINA_DATE@", page_date()))
    with open(output, "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    main()
