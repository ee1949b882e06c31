#!/usr/bin/env python3
"""Prints the text inside the <pre> of an HTML page as Python's html.parser reads it (UTF-8).

usage: html_text.py FILE.html
"""
import sys
from html.parser import HTMLParser


class PreText(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.depth = 0
        self.text = []

    def handle_starttag(self, tag, attrs):
        if tag == "pre":
            self.depth += 1

    def handle_endtag(self, tag):
        if tag == "pre":
            self.depth -= 1

    def handle_data(self, data):
        if self.depth > 0:
            self.text.append(data)


p = PreText()
with open(sys.argv[1], encoding="utf-8") as f:
    p.feed(f.read())
p.close()
sys.stdout.buffer.write("".join(p.text).encode("utf-8"))
