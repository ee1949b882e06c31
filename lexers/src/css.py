"""CSS (Level 3 syntax): selectors, properties, values and at-rules."""
from lxl import Lexer, Cond, library, EDITOR_STYLES
from common import BLOCK_COMMENT, comment_blocks, brace_blocks

# State bits: inside a declaration block; an at-rule whose block holds rules is open.
DECL, GROUP = 2, 4
GROUP_RULES = 'media supports document layer container scope starting-style'


def make(component='CssAnalyzer', name='CSS', extensions='css', embedded=False):
    L = Lexer(component, name, extensions, internal=embedded, types=['Keyword', 'Property', 'Value'],
              notes=['CSS as the CSS Syntax Module defines it. State bit 2 marks a declaration',
                     'block (properties and values), bit 4 an at-rule whose block holds rules',
                     '(@media, @supports, ...); outside both, names are selectors.'])
    L.styles('Default', 'Comment', 'Keyword', 'Directive', 'Tag', 'Selector', 'Attribute',
             'String', 'Number', 'Symbol', 'Function', *EDITOR_STYLES)
    L.token('Comment', BLOCK_COMMENT, 'Comment', 'Comment')
    for q in ("'", '"'):
        L.token('String ' + q, r'%s [^%s\\\r\n]* (\\(\r\n|[\s\S]) [^%s\\\r\n]*)* %s?' % (q, q, q, q),
                'String', 'String')
    L.token('Group at-rule', r'@(%s)\b' % GROUP_RULES.replace(' ', '|'), 'Directive',
            'Preprocessor', StatesAdd=GROUP)
    L.token('At-rule', r'@-?[\l_-][\w-]*', 'Directive', 'Preprocessor')
    L.token('Group open', r'\{', 'Symbol', 'Symbol', StatesPresent=GROUP, StatesRemove=GROUP)
    L.token('Block open', r'\{', 'Symbol', 'Symbol', StatesAdd=DECL)
    L.token('Block close', r'\}', 'Symbol', 'Symbol', StatesRemove=DECL)
    L.token('URL', r'url\( [^)\r\n]* \)?', 'String', 'String')
    L.token('Function', r'-?[\l_][\w-]* (?=\()', 'Function', 'Identifier')
    L.token('Important', r'!\s*important\b', 'Keyword', 'Keyword')
    L.token('Colour', r'\#[\da-f]{3,8}\b', 'Number', 'Hex const', StatesPresent=DECL)
    L.token('Number', r'[+\-]? (\d+ (\.\d+)? | \.\d+) (e[+\-]?\d+)? (% | [\l_][\w-]*)?',
            'Number', 'Float const')
    L.token('Value', r'-?-?[\l_][\w-]*', 'Default', 'Value', StatesPresent=DECL)
    L.token('Class or id', r'[.\#] -?[\l_][\w-]*', 'Selector', 'Identifier')
    L.token('Pseudo', r'::?-?[\l_][\w-]*', 'Selector', 'Identifier', StatesAbsent=DECL)
    L.token('Element', r'-?[\l_][\w-]* | \*', 'Tag', 'Identifier')
    L.token('Symbol', r'[()\[\],;:>+~=|\^$*/%.!&@\#]', 'Symbol', 'Symbol')
    L.token('Other', r'\S', None, 'Unknown')
    # A name before ":" in a declaration block is a property (a block rule sees the ":" wherever
    # it stands; a look-ahead in the token rule would not be redone when only the ":" changes).
    L.block('Property', 'btTagDetect', [Cond(':', types='Symbol'), Cond(types='Value')],
            IdentIndex=1, StyleName='Attribute', TokenType='Property')
    brace_blocks(L)
    comment_blocks(L)
    if embedded:
        # Inside an HTML <style> the text ends at "</style": the CDO/CDC markers are symbols.
        L.tokens.insert(0, dict(DisplayName='HTML comment marker', StyleName='Comment',
                                TokenType=L.type('Comment'), Expression=r'<!-- | -->'))
    return L


def build():
    L = make()
    L.sample = ['@media screen and (min-width: 40em) {', '  nav > a:hover, #main .item {',
                '    color: #c00 !important;', '    margin: 0 auto 1.5em;', '  }', '}']
    return {'css.lxl': library('CssLexers', [L])}
