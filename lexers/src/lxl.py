"""Writes lexer libraries in the stored component form (the form lexers/pascal.lxl is in).

The shipped lexers of this folder are described in the modules beside this one and written by
build.py; edit those, run `python3 lexers/src/build.py`, and commit both. Keeping the descriptions
in code lets one definition serve twice (the JavaScript and CSS lexers stand alone and inside the
HTML library) and keeps the shared colour scheme in one place.
"""

# The shared colour scheme: every lexer takes its styles from here by name.
_FONT = ("        Font.Charset = DEFAULT_CHARSET\n"
         "        Font.Color = {color}\n"
         "        Font.Height = -13\n"
         "        Font.Name = 'Courier New'\n"
         "        Font.Style = [{style}]\n")

SCHEME = {
    'Marked block': dict(color='clHighlightText', bg='clHighlight', fmt='ftColor'),
    'Default': dict(color='clWindowText'),
    'Identifier': dict(color='clWindowText'),
    'Comment': dict(color='clGreen', style='fsItalic'),
    'Documentation comment': dict(color='clGreen', style='fsItalic, fsBold'),
    'Keyword': dict(color='clNavy', style='fsBold'),
    'Type': dict(color='clTeal', style='fsBold'),
    'Preprocessor': dict(color='clTeal'),
    'Directive': dict(color='clTeal'),
    'Decorator': dict(color='clTeal'),
    'String': dict(color='clBlue'),
    'Character': dict(color='clBlue'),
    'Escape': dict(color='clNavy'),
    'Number': dict(color='clPurple'),
    'Symbol': dict(color='clMaroon'),
    'Function': dict(color='clWindowText', style='fsBold'),
    'Tag': dict(color='clNavy'),
    'Attribute': dict(color='clRed'),
    'Selector': dict(color='clNavy', style='fsBold'),
    'Regular expression': dict(color='clFuchsia'),
    'Current block': dict(color='clWindowText', bg='12648447', fmt='ftBackGround',
                          extra='        BorderTypeBottom = blSolid\n'
                                '        BorderColorBottom = clGray\n'),
    'Collapsed text': dict(color='clGray', fmt='ftColor',
                           extra=''.join('        BorderType%s = blDot\n'
                                         '        BorderColor%s = clGray\n' % (s, s)
                                         for s in ('Left', 'Top', 'Right', 'Bottom'))),
    'Search match': dict(color='clWindowText', bg='clYellow', fmt='ftBackGround'),
    'Current line': dict(color='clWindowText', bg='16775408', fmt='ftBackGround'),
    'Embedded code': dict(color='clWindowText', bg='15528690', fmt='ftBackGround'),
}

# Styles every lexer may carry for the editor itself: the last three through lexer properties,
# 'Current block' for the brace blocks that highlight the block at the caret. One that nothing
# uses is left out of the written lexer (`synt lint` reports a style no rule uses).
EDITOR_STYLES = ['Current block', 'Collapsed text', 'Search match', 'Current line']
_PROPERTY_STYLES = ['Marked block', 'Search match', 'Current line', 'Collapsed text']

DEFAULT_TYPES = ['Unknown', 'Comment', 'Identifier', 'Symbol', 'String', 'Integer const',
                 'Float const', 'Hex const', 'Char const', 'Preprocessor']


def quote(text):
    """A string value: quoted printable runs and #code for the rest, pieces joined with " +"."""
    pieces, run, out = [], '', []

    def flush():
        nonlocal run
        if run:
            out.append("'" + run + "'")
            run = ''

    for ch in text:
        if ' ' <= ch <= '~':
            run += "''" if ch == "'" else ch
            if len(run) >= 60 and ch not in "'":
                flush()
        else:
            flush()
            out.append('#%d' % ord(ch))
    flush()
    if not out:
        return ["''"]
    # Join adjacent parts; a line is broken only between parts.
    lines, cur = [], ''
    for part in out:
        if cur and len(cur) + len(part) > 64:
            lines.append(cur)
            cur = ''
        cur += part
    lines.append(cur)
    return lines


def _prop(ind, name, value):
    if isinstance(value, str):
        lines = quote(value)
        s = '%s%s = %s' % (ind, name, lines[0])
        for l in lines[1:]:
            s += ' +\n%s  %s' % (ind, l)
        return s + '\n'
    if isinstance(value, bool):
        return '%s%s = %s\n' % (ind, name, 'True' if value else 'False')
    if isinstance(value, int):
        return '%s%s = %d\n' % (ind, name, value)
    if isinstance(value, Ident):
        return '%s%s = %s\n' % (ind, name, value.name)
    raise TypeError(value)


def _strings(ind, name, items):
    if not items:
        return ''
    s = '%s%s.Strings = (' % (ind, name)
    for i, item in enumerate(items):
        q = quote(item)
        s += '\n%s  %s' % (ind, (' +\n%s    ' % ind).join(q))
    return s + ')\n'


class Ident:
    def __init__(self, name):
        self.name = name


def ident(name):
    return Ident(name)


class Cond:
    """One tag condition: tags (words, or expressions for 'mask'/'strict'), a kind, token types."""

    KINDS = {'equal': None, 'not': 'tcNotEqual', 'mask': 'tcMask', 'skip': 'tcSkip',
             'strict': 'tcStrictMask'}

    def __init__(self, tags=(), kind='equal', types=(), ignore_case=False):
        self.tags = list(tags.split() if isinstance(tags, str) else tags)
        self.kind = kind
        self.types = list(types.split(',') if isinstance(types, str) else types)
        self.ignore_case = ignore_case


class Lexer:
    def __init__(self, component, name, extensions='', types=(), internal=False, notes=(),
                 line_comment='', skip_spaces=True, parse_eol=False, default_style='Default'):
        self.component = component
        self.name = name
        self.extensions = extensions
        self.types = DEFAULT_TYPES + list(types)
        self.internal = internal
        self.notes = list(notes)
        self.line_comment = line_comment
        self.skip_spaces = skip_spaces
        self.parse_eol = parse_eol
        self.default_style = default_style
        self.style_names = ['Marked block']
        self.tokens, self.blocks, self.subs = [], [], []
        self.sample = []

    # ---- building ----
    def styles(self, *names):
        for n in names:
            if n not in SCHEME:
                raise KeyError(n)
            if n not in self.style_names:
                self.style_names.append(n)

    def type(self, name):
        return self.types.index(name)

    def mask(self, names):
        m = 0
        for n in names:
            m |= 1 << (self.type(n.strip()) % 32)
        return m

    def token(self, name, expr, style=None, type='Unknown', **props):
        self.tokens.append(dict(DisplayName=name, StyleName=style, TokenType=self.type(type),
                                Expression=expr, **props))
        return self.tokens[-1]

    def block(self, name, kind, conds, **props):
        self.blocks.append(dict(DisplayName=name, BlockType=kind, conds=conds, **props))
        return self.blocks[-1]

    def sub(self, name, start, end, lexer, **props):
        self.subs.append(dict(DisplayName=name, StartExpression=start, EndExpression=end,
                              SyntAnalyzer=lexer, **props))

    # ---- checks ----
    def check(self):
        names = set(self.style_names)
        blocks = {b['DisplayName'] for b in self.blocks}
        for item in self.tokens + self.blocks + self.subs:
            s = item.get('StyleName')
            if s and s not in names:
                raise ValueError('%s: rule %s names missing style %s' % (self.name, item['DisplayName'], s))
            for key in ('BlockName', 'BlockEnd'):
                if item.get(key) and item[key] not in blocks:
                    raise ValueError('%s: rule %s names missing block %s' % (self.name, item['DisplayName'], item[key]))
        for n in self.style_names:
            if n not in self.used_styles() and n not in EDITOR_STYLES:
                raise ValueError('%s: no rule uses style %s' % (self.name, n))
        for kind in (self.tokens, self.blocks, self.subs):
            seen = set()
            for item in kind:
                if item['DisplayName'] in seen:
                    raise ValueError('%s: duplicate rule %s' % (self.name, item['DisplayName']))
                seen.add(item['DisplayName'])

    def used_styles(self):
        """The styles a rule or a lexer property names."""
        used = {item.get('StyleName') for item in self.tokens + self.blocks + self.subs}
        return used | set(_PROPERTY_STYLES) | {self.default_style}

    # ---- writing ----
    def write(self, ind='  ', cls='TLibSyntAnalyzer'):
        self.check()
        i2, i3, i4, i5 = ind + '  ', ind + '    ', ind + '      ', ind + '        '
        out = '%sobject %s: %s\n' % (ind, self.component, cls)
        out += '%sFormats = <' % i2
        for n in [n for n in self.style_names if n in self.used_styles()]:
            st = SCHEME[n]
            out += '\n%sitem\n' % i3
            out += _prop(i4, 'DisplayName', n)
            out += _FONT.format(color=st['color'], style=st.get('style', '')).replace('        ', i4)
            if 'bg' in st:
                out += '%sBgColor = %s\n' % (i4, st['bg'])
            if 'fmt' in st:
                out += '%sFormatType = %s\n' % (i4, st['fmt'])
            if 'extra' in st:
                out += st['extra'].replace('        ', i4)
            out += '%send' % i3
        out += '>\n'

        def rule_head(r):
            s = _prop(i4, 'DisplayName', r['DisplayName'])
            for key in ('StyleName', 'BlockName'):
                if r.get(key):
                    s += _prop(i4, key, r[key])
            for key in ('StrictParent', 'NotParent', 'AlwaysEnabled'):
                if r.get(key):
                    s += _prop(i4, key, True)
            for key in ('StatesAdd', 'StatesRemove', 'StatesPresent', 'StatesAbsent'):
                if r.get(key):
                    s += _prop(i4, key, r[key])
            return s

        out += '%sTokenRules = <' % i2
        for r in self.tokens:
            out += '\n%sitem\n' % i3 + rule_head(r)
            if r['TokenType']:
                out += _prop(i4, 'TokenType', r['TokenType'])
            out += _prop(i4, 'Expression', r['Expression'])
            out += _prop(i4, 'ColumnFrom', r.get('ColumnFrom', 0))
            out += _prop(i4, 'ColumnTo', r.get('ColumnTo', 0))
            out += '%send' % i3
        out += '>\n'

        out += '%sBlockRules = <' % i2
        for r in self.blocks:
            out += '\n%sitem\n' % i3 + rule_head(r)
            if r['BlockType'] != 'btRangeStart':
                out += '%sBlockType = %s\n' % (i4, r['BlockType'])
            out += '%sConditionList = <' % i4
            for c in r['conds']:
                out += '\n%sitem\n' % i5
                out += _strings(i5 + '  ', 'TagList', c.tags)
                if Cond.KINDS[c.kind]:
                    out += '%s  CondType = %s\n' % (i5, Cond.KINDS[c.kind])
                if c.types:
                    out += _prop(i5 + '  ', 'TokenTypes', self.mask(c.types))
                if c.ignore_case:
                    out += _prop(i5 + '  ', 'IgnoreCase', True)
                out += '%send' % i5
            out += '>\n'
            for key in ('IdentIndex',):
                if r.get(key):
                    out += _prop(i4, key, r[key])
            if r.get('LinePos'):
                out += '%sLinePos = %s\n' % (i4, r['LinePos'])
            if r.get('BlockOffset'):
                out += _prop(i4, 'BlockOffset', r['BlockOffset'])
            if r.get('BlockEnd'):
                out += _prop(i4, 'BlockEnd', r['BlockEnd'])
            for key in ('EndOfTextClose', 'NotCollapsed', 'SameIdent', 'Highlight',
                        'InvertColors'):
                if r.get(key):
                    out += _prop(i4, key, True)
            if r.get('DisplayInTree') is False:
                out += _prop(i4, 'DisplayInTree', False)
            for key in ('NameFmt', 'GroupFmt'):
                if r.get(key):
                    out += _prop(i4, key, r[key])
            if r.get('RefToCondEnd'):
                out += _prop(i4, 'RefToCondEnd', True)
            if r.get('DynHighlight'):
                out += '%sDynHighlight = %s\n' % (i4, r['DynHighlight'])
            out += '%sHighlightPos = %s\n' % (i4, r.get('HighlightPos', 'cpAny'))
            for key in ('DynSelectMin', 'CancelNextRules', 'DrawStaple'):
                if r.get(key):
                    out += _prop(i4, key, True)
            if r.get('CollapseFmt'):
                out += _prop(i4, 'CollapseFmt', r['CollapseFmt'])
            for key in ('SelfClose', 'NoEndRule'):
                if r.get(key):
                    out += _prop(i4, key, True)
            if r.get('TokenType') is not None:
                out += _prop(i4, 'TokenType', self.type(r['TokenType']))
            out += _prop(i4, 'IgnoreAsParent', bool(r.get('IgnoreAsParent')))
            if r.get('AutoCloseMode'):
                out += '%sAutoCloseMode = %s\n' % (i4, r['AutoCloseMode'])
            if r.get('AutoCloseText'):
                out += _prop(i4, 'AutoCloseText', r['AutoCloseText'])
            if r.get('AutoCloseInternal'):
                out += _prop(i4, 'AutoCloseInternal', True)
            out += '%send' % i3
        out += '>\n'
        out += '%sCodeTemplates = <>\n' % i2
        out += '%sSubAnalyzers = <' % i2
        for r in self.subs:
            out += '\n%sitem\n' % i3 + rule_head(r)
            out += _prop(i4, 'StartExpression', r['StartExpression'])
            out += _prop(i4, 'EndExpression', r['EndExpression'])
            out += '%sSyntAnalyzer = %s\n' % (i4, r['SyntAnalyzer'])
            for key in ('FromTextBegin', 'ToTextEnd', 'IncludeBounds'):
                if r.get(key):
                    out += _prop(i4, key, True)
            out += '%send' % i3
        out += '>\n'
        out += _strings(i2, 'SampleText', self.sample)
        out += _strings(i2, 'TokenTypeNames', self.types)
        out += "%sMarkedBlockStyle = 'Marked block'\n" % i2
        for prop, style in (('SearchMatchStyle', 'Search match'),
                            ('CurrentLineStyle', 'Current line'),
                            ('DefaultStyleName', self.default_style),
                            ('CollapseStyleName', 'Collapsed text')):
            if style in self.style_names:
                out += _prop(i2, prop, style)
        if self.extensions:
            out += _prop(i2, 'Extentions', self.extensions)
        out += _prop(i2, 'LexerName', self.name)
        if not self.skip_spaces:
            out += _prop(i2, 'SkipSpaces', False)
        out += _strings(i2, 'Notes', self.notes)
        if self.internal:
            out += _prop(i2, 'Internal', True)
        if self.parse_eol:
            out += _prop(i2, 'ParseEndOfLine', True)
        if self.line_comment:
            out += _prop(i2, 'LineComment', self.line_comment)
        out += '%sCharset = DEFAULT_CHARSET\n' % i2
        out += '%send\n' % ind
        return out


def library(component, lexers):
    """A library file: a TSyntaxManager holding the lexers (sub-lexers after their users)."""
    out = 'object %s: TSyntaxManager\n' % component
    for l in lexers:
        out += l.write()
    return out + 'end\n'
