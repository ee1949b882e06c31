"""Rules several lexers share: C-style comments, comment blocks, brace blocks."""
from lxl import Cond

# /* ... */ unrolled so that no iteration keeps state; an unclosed comment runs to the end.
BLOCK_COMMENT = r'/\* [^*]* (\*+ [^/*] [^*]*)* (\*+/ | \*+\Z | \Z)'
DOC_COMMENT = r'/\*[*!] (?!/) [^*]* (\*+ [^/*] [^*]*)* (\*+/ | \*+\Z | \Z)'


def comment_blocks(L, collapse='/*...*/'):
    """Consecutive comments form one collapsible range (a multi-line comment alone, too)."""
    L.block('Comment block', 'btRangeStart', [Cond(types='Comment')],
            BlockName='Comment block', NotParent=True, BlockEnd='Comment block end',
            EndOfTextClose=True, DisplayInTree=False, CollapseFmt=collapse, IgnoreAsParent=True)
    L.block('Comment block end', 'btRangeEnd',
            [Cond(kind='not', types='Comment'), Cond(types='Comment')],
            BlockName='Comment block', BlockOffset=1)


def brace_blocks(L, open_='{', close='}', name='Braces', collapse='{...}', staple=True,
                 types='Symbol', current=True):
    """A collapsible range from an opening to its closing bracket token."""
    props = dict(BlockEnd=name + ' end', EndOfTextClose=True, DisplayInTree=False,
                 CollapseFmt=collapse, DrawStaple=staple)
    if current:
        props.update(StyleName='Current block', DynHighlight='dhBound', HighlightPos='cpBound')
    L.block(name, 'btRangeStart', [Cond(open_, types=types)], **props)
    L.block(name + ' end', 'btRangeEnd', [Cond(close, types=types)])
