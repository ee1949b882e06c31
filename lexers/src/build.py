#!/usr/bin/env python3
"""Writes the shipped lexer files of lexers/ from the descriptions in this folder.
   python3 lexers/src/build.py [NAME ...]     (names of modules: c python javascript ...)"""
import importlib, os, sys

HERE = os.path.dirname(os.path.abspath(__file__))
MODULES = ['c', 'python', 'javascript', 'json', 'css', 'xml', 'html']

def main(names):
    sys.path.insert(0, HERE)
    for name in names or MODULES:
        files = importlib.import_module(name).build()
        for file, text in files.items():
            path = os.path.join(HERE, '..', file)
            with open(path, 'w', newline='\n') as f:
                f.write(text)
            print(os.path.normpath(path))

if __name__ == '__main__':
    main(sys.argv[1:])
