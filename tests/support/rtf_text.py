#!/usr/bin/env python3
"""Prints the text of an RTF file as pandoc reads it, one line per paragraph (UTF-8).

usage: rtf_text.py FILE.rtf

pandoc drops empty paragraphs and joins nothing: each block of its document tree is one line,
the inline text (code, words, spaces) taken as it stands.
"""
import json
import subprocess
import sys


def inline(x):
    t, c = x["t"], x.get("c")
    if t == "Str":
        return c
    if t == "Code":
        return c[1]
    if t == "Space":
        return " "
    if t in ("SoftBreak", "LineBreak"):
        return "\n"
    if t in ("Strong", "Emph", "Underline", "Strikeout", "SmallCaps", "Superscript", "Subscript"):
        return "".join(inline(i) for i in c)
    if t in ("Span", "Link"):
        return "".join(inline(i) for i in c[1])
    raise SystemExit("rtf_text.py: unexpected inline " + t)


def block(b):
    t, c = b["t"], b.get("c")
    if t == "CodeBlock":
        return [c[1]]
    if t in ("Para", "Plain"):
        return ["".join(inline(i) for i in c)]
    if t == "Div":
        return [line for inner in c[1] for line in block(inner)]
    raise SystemExit("rtf_text.py: unexpected block " + t)


doc = json.loads(subprocess.run(["pandoc", "-f", "rtf", "-t", "json", sys.argv[1]],
                                check=True, capture_output=True).stdout)
lines = [line for b in doc["blocks"] for line in block(b)]
sys.stdout.buffer.write("\n".join(lines).encode("utf-8", "surrogatepass"))
