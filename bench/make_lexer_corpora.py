#!/usr/bin/env python3
"""Builds a ~10 MB corpus per shipped lexer from real files that Debian packages install, for
bench/lexers.cpp: every matching file that is valid UTF-8 without NUL bytes, in a fixed shuffle
(sha1 of the path), appended whole (the set repeated when it is smaller) until 10 MB.

usage: make_lexer_corpora.py OUTDIR   writes lex-c.c, lex-cpp.cpp, lex-python.py, lex-js.js,
                                      lex-ts.ts, lex-json.json, lex-css.css, lex-xml.xml,
                                      lex-html.html, lex-shell.sh, lex-ini.ini, lex-toml.toml,
                                      lex-sql.sql, lex-yaml.yaml, lex-cmake.cmake, lex-make.mk,
                                      lex-markdown.md (existing files are kept)
Languages with few installed files (TOML, INI, SQL) repeat their set many times over.
"""
import glob, hashlib, os, sys

TARGET = 10 * 1000 * 1000
SHARE = ['/usr/share', '/usr/lib/node_modules']
CORPORA = {
    'lex-c.c': (['/usr/include'], ('.h',), None),
    'lex-cpp.cpp': (['/usr/include/c++'], ('.h', '.hpp', '.tcc', ''), None),
    'lex-python.py': (sorted(glob.glob('/usr/lib/python3*')), ('.py',), None),
    'lex-js.js': (SHARE, ('.js', '.mjs', '.cjs'), '.min.'),
    'lex-ts.ts': (SHARE, ('.js', '.mjs', '.cjs'), '.min.'),
    'lex-json.json': (SHARE, ('.json',), None),
    'lex-css.css': (SHARE, ('.css',), '.min.'),
    'lex-xml.xml': (['/usr/share'], ('.xml', '.svg', '.xsl'), None),
    'lex-html.html': (SHARE, ('.html', '.htm'), None),
    'lex-shell.sh': (['/usr/share', '/usr/lib', '/etc', '/usr/bin', '/usr/sbin'],
                     ('.sh', '.bash', '#!sh'), None),
    'lex-ini.ini': (['/usr/share', '/usr/lib', '/etc'],
                    ('.ini', '.cfg', '.desktop', '.service', '.socket', '.timer', '.target',
                     '.mount', '.path', '.slice', '.properties'), None),
    'lex-toml.toml': (['/usr/share', '/usr/lib', '/etc'], ('.toml',), None),
    'lex-sql.sql': (['/usr/share', '/usr/lib'], ('.sql',), None),
    'lex-yaml.yaml': (['/usr/share', '/usr/lib', '/etc'], ('.yaml', '.yml'), None),
    'lex-cmake.cmake': (['/usr/share', '/usr/lib'], ('.cmake', 'CMakeLists.txt'), None),
    'lex-make.mk': (['/usr/share', '/usr/lib', '/usr/include'], ('.mk', 'Makefile'), None),
    'lex-markdown.md': (['/usr/share', '/usr/lib'], ('.md', '.markdown'), None),
}


def shell_script(p):
    # Extension-less scripts of the system, told by their first line.
    try:
        with open(p, 'rb') as f:
            first = f.readline(64)
    except OSError:
        return False
    return first.startswith((b'#!/bin/sh', b'#!/bin/bash', b'#! /bin/sh', b'#!/usr/bin/env bash',
                             b'#!/usr/bin/env sh'))


def collect(roots, exts, skip):
    out = []
    for root in roots:
        for d, _, files in os.walk(root):
            for f in files:
                p = os.path.join(d, f)
                e = os.path.splitext(f)[1]
                if os.path.islink(p) or (skip and skip in f):
                    continue
                if (e in exts or ('' in exts and e == '' and '/c++/' in p)
                        or f in exts or (f.startswith('Makefile') and 'Makefile' in exts)
                        or ('#!sh' in exts and e == '' and shell_script(p))):
                    out.append(p)
    out.sort(key=lambda p: hashlib.sha1(p.encode()).hexdigest())
    return out


def readable(paths):
    for p in paths:
        try:
            b = open(p, 'rb').read()
            b.decode('utf-8')
        except (OSError, UnicodeDecodeError):
            continue
        if b'\0' in b or not b:
            continue
        yield b if b.endswith(b'\n') else b + b'\n'


def build(paths, dest):
    size = 0
    with open(dest, 'wb') as o:
        while size < TARGET:
            wrote = False
            for b in readable(paths):
                o.write(b)
                size += len(b)
                wrote = True
                if size >= TARGET:
                    break
            if not wrote:
                break
    return size


def main(out):
    os.makedirs(out, exist_ok=True)
    for name, (roots, exts, skip) in CORPORA.items():
        dest = os.path.join(out, name)
        if os.path.exists(dest) and os.path.getsize(dest) >= TARGET:
            continue
        size = build(collect(roots, exts, skip), dest)
        print('%s: %.1f MB' % (dest, size / 1e6))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'corpus'))
