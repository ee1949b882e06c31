"""Python 3.12: keywords and soft keywords of the language reference."""
from lxl import Lexer, Cond, library, EDITOR_STYLES

KEYWORDS = '''False None True and as assert async await break class continue def del elif else
except finally for from global if import in is lambda nonlocal not or pass raise return try while
with yield'''

# Statements that end their first line with ":" and own the more indented lines after it.
COMPOUND = 'async class def elif else except finally for if match case try while with'

NL = r'(\r\n|\r|\n)'

# State bits of f-strings: which quote the open f-string uses, and whether a {...} is open.
F1, F2, F3, F4, FEXPR = 1, 2, 4, 8, 16
FANY = F1 | F2 | F3 | F4


def string_rules(L):
    # Triple-quoted strings run over lines; a backslash escapes the next character (raw strings
    # too: r'\'' is one string).
    for q, name in (("'''", "'''"), ('"""', '"""')):
        c = q[0]
        L.token('String ' + name,
                r"(?i) (rb|br|[rbu])? %s [^%s\\]* ( (\\(\r\n|[\s\S]) | %s(?!%s%s)) [^%s\\]* )* (%s | \Z)"
                % (q, c, c, c, c, c, q), 'String', 'String')
    for c in ("'", '"'):
        L.token('String ' + c,
                r"(?i) (rb|br|fr|rf|[rbuf])? %s [^%s\\\r\n]* (\\(\r\n|[\s\S]) [^%s\\\r\n]*)* %s?"
                % (c, c, c, c), 'String', 'String')


def fstring_rules(L):
    """f-strings are tokenized in pieces so that the expressions inside {...} are Python again.
    The quote of the open f-string is a state bit; FEXPR is set inside {...}."""
    kinds = ((F3, "'''", True), (F4, '"""', True), (F1, "'", False), (F2, '"', False))
    for bit, q, triple in kinds:
        L.token('F-string start ' + q, r'(?i) (rf|fr|f) ' + q, 'String', 'String',
                StatesAdd=bit, StatesAbsent=FANY)
    for bit, q, triple in kinds:
        c = q[0]
        eol = '' if triple else r'\r\n'
        body = r"( [^%s{}\\%s]+ | \\(\r\n|[\s\S]) | \{\{ | \}\}? %s)+" % (
            c, eol, '' if not triple else r"| %s(?!%s%s)" % (c, c, c))
        L.token('F-string text ' + q, body, 'String', 'String', StatesPresent=bit,
                StatesAbsent=FEXPR)
        L.token('F-string end ' + q, q, 'String', 'String', StatesRemove=bit, StatesPresent=bit,
                StatesAbsent=FEXPR)
        L.token('F-string expression ' + q, r'\{', 'Escape', 'Interpolation', StatesAdd=FEXPR,
                StatesPresent=bit, StatesAbsent=FEXPR)
        if not triple:
            # An unclosed one-line f-string ends with its line; the line break still counts
            # as the next line's indentation.
            L.token('F-string line end ' + q, NL + r'[\x20\t]* (?=[^\x20\t\r\n\#\\])', None,
                    'Indent', StatesRemove=bit, StatesPresent=bit, StatesAbsent=FEXPR)
            L.token('F-string broken ' + q, NL, None, 'Line end', StatesRemove=bit,
                    StatesPresent=bit, StatesAbsent=FEXPR)
    # A replacement field nested in a format spec ({x:>{width}}).
    L.token('F-string nested field', r'\{ [^{}\'"\r\n]* \}', 'Escape', 'Interpolation',
            StatesPresent=FEXPR)
    L.token('F-string expression end', r'\}', 'Escape', 'Interpolation', StatesRemove=FEXPR,
            StatesPresent=FEXPR)


def build():
    L = Lexer('PythonAnalyzer', 'Python', 'py pyw pyi', line_comment='#', parse_eol=True,
              types=['Keyword', 'Type', 'Function', 'Indent', 'Line end', 'Decorator', 'Interpolation'],
              notes=['Python 3 as its language reference defines it. Line breaks are tokens',
                     '(ParseEndOfLine): a line break with the indentation of the next code',
                     'line is an Indent token. A compound statement (def, class, if, for, ...)',
                     'at the start of a line opens a range whose identifier is that Indent;',
                     'the next Indent with the same text outside brackets closes it, and the',
                     'ranges opened inside it with it. f-strings are tokenized in pieces',
                     'with state bits, so that {expressions} are Python again.'])
    L.styles('Default', 'Identifier', 'Comment', 'Documentation comment', 'Keyword', 'Type',
             'Decorator', 'String', 'Escape', 'Number', 'Symbol', 'Function', *EDITOR_STYLES)
    fstring_rules(L)
    L.token('Indent', NL + r'[\x20\t\f]* (?=[^\x20\t\f\r\n\#\\])', None, 'Indent')
    # Other line breaks (before blank and comment lines) make no token.
    L.token('Continuation', r'\\' + NL, 'Symbol', 'Symbol')
    L.token('Comment', r'\#[^\r\n]*', 'Comment', 'Comment')
    string_rules(L)
    L.token('Decorator', r'(?<=^[\x20\t]*) @ [\x20\t]* [\l_] [\w.]*', 'Decorator', 'Decorator')
    L.token('Number', r'(?i) 0x (_?[\da-f])+ | 0o (_?[0-7])+ | 0b (_?[01])+'
                      r' | ( \d (_?\d)* (\. (\d (_?\d)*)? )? | \. \d (_?\d)* )'
                      r' (e [+\-]? \d (_?\d)*)? j?', 'Number', 'Integer const')
    L.token('Identifier', r'(?r) [\l_] \w*', 'Identifier', 'Identifier')
    L.token('Bracket', r'[()\[\]{}]', 'Symbol', 'Symbol')
    L.token('Operator', r'[\-+*/%@&|\^~<>=!.:,;]+', 'Symbol', 'Symbol')

    # Anything else still gets a token (a stray character of broken code).
    L.token('Other', r'\S', None, 'Unknown')
    L.block('Keyword', 'btTagDetect', [Cond(KEYWORDS, types='Identifier')], StyleName='Keyword',
            TokenType='Keyword')
    # Soft keywords are keywords only where a statement starts.
    L.block('Soft keyword', 'btTagDetect',
            [Cond('match case type', types='Identifier'), Cond(types='Indent')],
            StyleName='Keyword', TokenType='Keyword')
    L.block('Definition name', 'btTagDetect',
            [Cond(types='Identifier'), Cond('def', types='Keyword')],
            StyleName='Function', TokenType='Function')
    L.block('Class name', 'btTagDetect',
            [Cond(types='Identifier'), Cond('class', types='Keyword')],
            StyleName='Type', TokenType='Type')
    L.block('Call', 'btTagDetect', [Cond('(', types='Symbol'), Cond(types='Identifier')],
            IdentIndex=1, StyleName='Function', TokenType='Function')
    # A string that is the first statement of a module, class or function documents it.
    doc = [r"(?i)(rb|br|[rbu])?('''|\"\"\")"]
    L.block('Docstring', 'btTagDetect',
            [Cond(doc, 'mask', types='String'), Cond(types='Indent'), Cond(':', types='Symbol')],
            StyleName='Documentation comment')
    L.block('Module docstring', 'btTagDetect',
            [Cond(doc, 'mask', types='String'), Cond(kind='not')],
            StyleName='Documentation comment')
    # Brackets: inside them line breaks are no statements, so no Indent closes a block there.
    L.block('Brackets', 'btRangeStart', [Cond('( [ {', types='Symbol')],
            BlockEnd='Brackets end', EndOfTextClose=True, DisplayInTree=False,
            CollapseFmt='%s0...', IgnoreAsParent=False)
    L.block('Brackets end', 'btRangeEnd', [Cond(') ] }', types='Symbol')])
    L.block('Block', 'btRangeStart',
            [Cond(COMPOUND, types='Keyword,Identifier'), Cond(types='Indent')],
            IdentIndex=1, BlockName='Brackets', StrictParent=True, NotParent=True,
            BlockEnd='Dedent', EndOfTextClose=True, DrawStaple=True,
            CollapseFmt='%sz0', DisplayInTree=False)
    L.block('First block', 'btRangeStart',
            [Cond(COMPOUND, types='Keyword,Identifier'), Cond(kind='not')],
            BlockEnd='First dedent', EndOfTextClose=True, DrawStaple=True, CollapseFmt='%sz0',
            DisplayInTree=False)
    L.block('Dedent', 'btRangeEnd', [Cond(types='Indent')], BlockName='Brackets',
            StrictParent=True, NotParent=True, SameIdent=True, BlockOffset=1,
            AutoCloseInternal=True)
    L.block('First dedent', 'btRangeEnd', [Cond(['\n', '\r\n', '\r'], types='Indent')],
            BlockName='Brackets', StrictParent=True, NotParent=True, BlockOffset=1,
            AutoCloseInternal=True)
    L.block('Comment block', 'btRangeStart', [Cond(types='Comment')],
            BlockName='Comment block', NotParent=True, BlockEnd='Comment block end',
            EndOfTextClose=True, DisplayInTree=False, CollapseFmt='# ...', IgnoreAsParent=True)
    L.block('Comment block end', 'btRangeEnd',
            [Cond(kind='not', types='Comment,Indent,Line end'),
             Cond(kind='skip', types='Indent,Line end'), Cond(types='Comment')],
            BlockName='Comment block', RefToCondEnd=True)
    L.sample = ['import sys', '', '@dataclass', 'class Point:', '    """A point."""',
                '    x: float = 0.0', '', '    def norm(self) -> float:',
                "        return f'{self.x:.2f}'"]
    return {'python.lxl': library('PythonLexers', [L])}
