"""JavaScript (ECMAScript 2024) and TypeScript 5: reserved words of the language specifications."""
from lxl import Lexer, Cond, library, EDITOR_STYLES
from common import BLOCK_COMMENT, comment_blocks, brace_blocks

KEYWORDS = '''await break case catch class const continue debugger default delete do else enum
export extends false finally for function if import in instanceof let new null return static
super switch this throw true try typeof var void while with yield async of get set'''

TS_KEYWORDS = KEYWORDS + ''' abstract accessor as asserts declare implements infer interface
is keyof module namespace out override private protected public readonly require satisfies
type unique global'''

TS_TYPES = 'any bigint boolean never number object string symbol undefined unknown'

# State bit: an operand just ended, so "/" divides; without it "/" starts a regular expression.
OPERAND = 1

# Words after which an expression starts (so "/" opens a regular expression).
EXPR_WORDS = 'return typeof instanceof in of new delete void throw case do else yield await extends'


def make(name, component, extensions, keywords, ts, embedded=False):
    # Inside an HTML <script> the text ends at "</script": no token may run over it.
    stop = r'(?!</script)' if embedded else ''
    L = Lexer(component, name, extensions, line_comment='//', internal=embedded,
              types=['Keyword', 'Type', 'Function', 'Template', 'Template end',
                     'Interpolation', 'Interpolation end', 'Regular expression'],
              notes=['%s as its language reference defines it. A "/" starts a regular' % name,
                     'expression unless an operand just ended (state bit 1, set by',
                     'names, literals and closing brackets). Template literals and their',
                     '${...} expressions are ranges; their pieces are tokenized only while',
                     'the template (or expression) is the innermost open range, so they nest.'])
    L.styles('Default', 'Identifier', 'Comment', 'Documentation comment', 'Keyword',
             *(['Type'] if ts else []), 'String', 'Escape', 'Number', 'Symbol', 'Function',
             'Regular expression', *EDITOR_STYLES)
    # Template pieces first: inside a template every character belongs to one of them.
    L.token('Template text', r'( [^`\\$%s]+ | \\ (\r\n|[\s\S]) | \$ (?!\{) %s)+'
            % ('<' if embedded else '', r'| <(?!/script)' if embedded else ''),
            'String', 'String', BlockName='Template', StrictParent=True)
    L.token('Interpolation start', r'\$\{', 'Escape', 'Interpolation', BlockName='Template',
            StrictParent=True, StatesRemove=OPERAND)
    L.token('Template end', '`', 'String', 'Template end', BlockName='Template',
            StrictParent=True, StatesAdd=OPERAND)
    L.token('Interpolation end', r'\}', 'Escape', 'Interpolation end', BlockName='Interpolation',
            StrictParent=True, StatesAdd=OPERAND)
    L.token('Template start', '`', 'String', 'Template')
    L.token('Doc comment', r'/\*\* (?!/) [^*]* (\*+ [^/*] [^*]*)* (\*+/ | \*+\Z | \Z)',
            'Documentation comment', 'Comment')
    L.token('Comment', BLOCK_COMMENT, 'Comment', 'Comment')
    if embedded:
        L.token('Line comment', r'// [^\r\n<]* (<(?!/script) [^\r\n<]*)*', 'Comment', 'Comment')
    else:
        L.token('Line comment', r'//[^\r\n]*', 'Comment', 'Comment')
        L.token('Hashbang', r'\A\#![^\r\n]*', 'Comment', 'Comment')
    for q in ("'", '"'):
        L.token('String ' + q, r'%s [^%s\\\r\n]* (\\(\r\n|[\s\S]) [^%s\\\r\n]*)* %s?' % (q, q, q, q),
                'String', 'String', StatesAdd=OPERAND)
    cls = r'\[ [^\]\\\r\n]* (\\. [^\]\\\r\n]*)* \]'
    L.token('Regular expression',
            r'/ (?![*/]) [^/\\\[\r\n]* ( (\\. | %s) [^/\\\[\r\n]* )* / [a-z]*' % cls,
            'Regular expression', 'Regular expression', StatesAbsent=OPERAND,
            StatesAdd=OPERAND)
    L.token('Number', r'(?i) ( 0x [\da-f_]+ | 0o [0-7_]+ | 0b [01_]+'
                      r' | ( \d [\d_]* (\. [\d_]*)? | \. \d [\d_]* ) (e [+\-]? \d [\d_]*)? ) n?',
            'Number', 'Integer const', StatesAdd=OPERAND)
    L.token('Expression keyword', r'(?-i) (%s) (?![\w$])' % EXPR_WORDS.replace(' ', '|'),
            'Keyword', 'Keyword', StatesRemove=OPERAND)
    L.token('Identifier', r'(?r) \#? [\l_$] [\w$]*', 'Identifier', 'Identifier', StatesAdd=OPERAND)
    L.token('Closing bracket', r'[)\]}]', 'Symbol', 'Symbol', StatesAdd=OPERAND)
    L.token('Opening bracket', r'[(\[{]', 'Symbol', 'Symbol', StatesRemove=OPERAND)
    # "++" and "--" after an operand leave it an operand: a / after them divides.
    L.token('Increment', r'\+\+ | --', 'Symbol', 'Symbol')
    ops = r'([\-+*%=>!&|\^~?:.,;@] | <(?!/script))+' if embedded else r'[\-+*%=<>!&|\^~?:.,;@]+'
    L.token('Operator', ops + r' | /=? ', 'Symbol', 'Symbol',
            StatesRemove=OPERAND)

    # Anything else still gets a token (a stray character of broken code).
    L.token('Other', r'\S', None, 'Unknown')
    L.block('Keyword', 'btTagDetect', [Cond(keywords, types='Identifier')], StyleName='Keyword',
            TokenType='Keyword')
    if ts:
        L.block('Type', 'btTagDetect', [Cond(TS_TYPES, types='Identifier')], StyleName='Type',
                TokenType='Type')
    L.block('Function name', 'btTagDetect',
            [Cond(types='Identifier'), Cond('function', types='Keyword')],
            StyleName='Function', TokenType='Function')
    L.block('Call', 'btTagDetect', [Cond('(', types='Symbol'), Cond(types='Identifier')],
            IdentIndex=1, StyleName='Function', TokenType='Function')
    L.block('Template', 'btRangeStart', [Cond(types='Template')], BlockEnd='Template close',
            EndOfTextClose=True, DisplayInTree=False, CollapseFmt='`...`')
    L.block('Template close', 'btRangeEnd', [Cond(types='Template end')])
    L.block('Interpolation', 'btRangeStart', [Cond(types='Interpolation')],
            BlockEnd='Interpolation close', EndOfTextClose=True, NotCollapsed=True,
            DisplayInTree=False)
    L.block('Interpolation close', 'btRangeEnd', [Cond(types='Interpolation end')])
    brace_blocks(L)
    comment_blocks(L)
    return L


def build():
    js = make('JavaScript', 'JavaScriptAnalyzer', 'js mjs cjs jsx', KEYWORDS, False)
    ts = make('TypeScript', 'TypeScriptAnalyzer', 'ts mts cts tsx', TS_KEYWORDS, True)
    js.sample = ['// Counts the words of a text.', 'export function count(text) {',
                 '  const words = text.split(/\\s+/).filter(Boolean);',
                 '  return `${words.length} word${words.length === 1 ? "" : "s"}`;', '}']
    ts.sample = ['interface Point { x: number; y: number }',
                 'const norm = (p: Point): number => Math.hypot(p.x, p.y);']
    return {'javascript.lxl': library('JavaScriptLexers', [js, ts])}
