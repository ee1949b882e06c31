"""JSON (RFC 8259); comments as JSON with Comments writes them are accepted too."""
from lxl import Lexer, Cond, library, EDITOR_STYLES
from common import BLOCK_COMMENT, brace_blocks

STRING = r'" [^"\\\r\n]* (\\. [^"\\\r\n]*)* "?'


def build():
    L = Lexer('JsonAnalyzer', 'JSON', 'json jsonc geojson webmanifest har',
              types=['Keyword', 'Key'],
              notes=['JSON as RFC 8259 defines it. A string followed by ":" is a key.',
                     'Objects and arrays are collapsible ranges.'])
    L.styles('Default', 'Comment', 'Keyword', 'Attribute', 'String', 'Number', 'Symbol',
             *EDITOR_STYLES)
    L.token('String', STRING, 'String', 'String')
    L.token('Number', r'-? \d+ (\.\d+)? (e [+\-]? \d+)?', 'Number', 'Float const')
    L.token('Literal', r'(?-i) (true|false|null) \b', 'Keyword', 'Keyword')
    L.token('Comment', BLOCK_COMMENT, 'Comment', 'Comment')
    L.token('Line comment', r'//[^\r\n]*', 'Comment', 'Comment')
    L.token('Symbol', r'[{}\[\]:,]', 'Symbol', 'Symbol')
    # Anything else is an error in JSON; it still gets a token so that nothing is lost.
    L.token('Invalid', r'[^\s{}\[\]:,"/]+ | /', None, 'Unknown')
    L.token('Other', r'\S', None, 'Unknown')
    # A string before ":" is a key; a block rule sees the ":" whatever stands between.
    L.block('Key', 'btTagDetect', [Cond(':', types='Symbol'), Cond(types='String')],
            IdentIndex=1, StyleName='Attribute', TokenType='Key')
    brace_blocks(L, name='Object', collapse='{...}', staple=True)
    brace_blocks(L, '[', ']', name='Array', collapse='[...]', staple=True)
    L.sample = ['{', '  "name": "synt",', '  "tags": ["editor", "lexer"],', '  "stars": 4.5e1,',
                '  "fork": false', '}']
    return {'json.lxl': library('JsonLexers', [L])}
