"""Module docstring: the first statement of the module."""
import os, sys
from typing import Any

CONSTANT = 0x_FF + 0o17 + 0b1010 + 1_000_000 + 3.14e-10 + 2j + .5


@decorator(arg=1)
@functools.lru_cache
class Shape(Base, metaclass=Meta):
    '''Class docstring.'''

    # A comment inside the class
    # on two lines.
    def area(self) -> float:
        return self.w * self.h @ matrix

    async def fetch(self, url: str, *args, **kwargs):
        async with session.get(url) as r:
            data = await r.json()
        if data:
            return data
        elif not data:
            pass
        else:
            raise ValueError("no data: %s" % url)


def strings():
    a = 'single \'quoted\''
    b = "double \"quoted\""
    c = r'raw \d+' + b'bytes' + rb"raw bytes" + u"unicode"
    d = """triple "double"
    over lines \""" still"""
    e = '''triple 'single'
    '''
    f = f"value {a!r:>{width}} and {{literal braces}} {b['key']}"
    g = f'''multi
    {c + d} line'''
    h = F"nested {f'{a}'} done"
    i = 'unterminated
    return (a,
        b,
    )


x = [
    1,
    2,
]
match command.split():
    case [action]:
        print(action)
    case _:
        type X = int
long_line = 1 + \
    2
