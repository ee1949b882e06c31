"""XML 1.0: tags, attributes, comments, CDATA, processing instructions, document types."""
from lxl import Lexer, Cond, library, EDITOR_STYLES

# State bits: inside a tag; the tag's name comes next.
IN_TAG, NAME_NEXT = 256, 512
NAME = r'[\l_:][\w:.\-]*'


def markup(L, html=False):
    """Token and block rules shared by XML and HTML."""
    L.token('Comment', r'<!-- [^\-]* (-(?!->) [^\-]*)* (--> | \Z)', 'Comment', 'Comment',
            StatesAbsent=IN_TAG)
    if not html:
        L.token('CDATA', r'<!\[CDATA\[ [^\]]* (\](?!\]>) [^\]]*)* (\]\]> | \Z)', 'String',
                'String', StatesAbsent=IN_TAG)
    L.token('Processing instruction', r'<\? [^?]* (\?(?!>) [^?]*)* (\?> | \Z)', 'Preprocessor',
            'Preprocessor', StatesAbsent=IN_TAG)
    L.token('Document type', r'<! [\l\[]  [^>\[]* (\[ [^\]]* \])? [^>]* >?', 'Preprocessor',
            'Preprocessor', StatesAbsent=IN_TAG)
    L.token('Tag open', r'< (?=[\l_:])', 'Symbol', 'Symbol', StatesAdd=IN_TAG | NAME_NEXT,
            StatesAbsent=IN_TAG)
    L.token('Closing tag open', r'</ (?=[\l_:])', 'Symbol', 'Symbol',
            StatesAdd=IN_TAG | NAME_NEXT, StatesAbsent=IN_TAG)
    L.token('Tag name', NAME, 'Tag', 'Tag', StatesPresent=IN_TAG | NAME_NEXT,
            StatesRemove=NAME_NEXT)
    L.token('Empty tag close', r'/>', 'Symbol', 'Symbol', StatesPresent=IN_TAG,
            StatesRemove=IN_TAG | NAME_NEXT)
    L.token('Tag close', r'>', 'Symbol', 'Symbol', StatesPresent=IN_TAG,
            StatesRemove=IN_TAG | NAME_NEXT)
    if html:
        L.token('Unquoted value', r'(?<==\s*) [^\s"\'=<>`]+', 'String', 'String',
                StatesPresent=IN_TAG)
    L.token('Attribute', NAME if not html else r'[^\s"\'>/=]+', 'Attribute', 'Attribute',
            StatesPresent=IN_TAG)
    L.token('Value', r'" [^"]* "? | \' [^\']* \'?', 'String', 'String', StatesPresent=IN_TAG)
    L.token('Equals', r'=', 'Symbol', 'Symbol', StatesPresent=IN_TAG)
    L.token('Stray', r'[^\s>]', None, 'Unknown', StatesPresent=IN_TAG)
    L.token('Entity', r'& (\#x[\da-f]+ | \#\d+ | [\l_][\w.\-]*) ;?', 'Escape', 'Char const')
    L.token('Text', r'[^<&\s] [^<&]* | [<&]', None, 'Unknown')

    if html:
        L.block('Void element', 'btTagDetect',
                [Cond('area base br col embed hr img input link meta param source track wbr',
                      types='Tag', ignore_case=True),
                 Cond('<', types='Symbol')],
                TokenType='Void tag')
    L.block('Element', 'btRangeStart', [Cond(types='Tag'), Cond('<', types='Symbol')],
            BlockOffset=1, BlockEnd='End tag', EndOfTextClose=True, DrawStaple=True,
            CollapseFmt='<%s0...>', DisplayInTree=False)
    L.block('End tag', 'btRangeEnd', [Cond('>', types='Symbol'), Cond(types='Tag'),
                                      Cond('</', types='Symbol')],
            IdentIndex=1, SameIdent=True, AutoCloseInternal=True)
    L.block('Empty element', 'btRangeEnd', [Cond('/>', types='Symbol')], BlockEnd='Element')
    L.block('Multi-line comment', 'btRangeStart',
            [Cond([r'<!--[^\r\n]*[\r\n]', r'<!\[CDATA\[[^\r\n]*[\r\n]'], 'mask',
                  types='Comment,String')],
            NoEndRule=True, CollapseFmt='<!--...-->', DisplayInTree=False, IgnoreAsParent=True)


def build():
    L = Lexer('XmlAnalyzer', 'XML',
              'xml xsd xsl xslt svg rss atom plist xhtml xul wsdl kml gpx resx csproj vcxproj '
              'props targets nuspec config', types=['Tag', 'Attribute'],
              notes=['XML 1.0. State bit 256 marks the inside of a tag, 512 the place of its',
                     'name. Elements are ranges from "<name" to the "</name>" with the same',
                     'name; an end tag also closes the elements left open inside it.'])
    L.styles('Default', 'Comment', 'Preprocessor', 'Tag', 'Attribute', 'String', 'Escape',
             'Symbol', *EDITOR_STYLES)
    markup(L)
    L.sample = ['<?xml version="1.0" encoding="UTF-8"?>', '<!-- A note. -->',
                '<note lang="en"><to>Tove</to><body><![CDATA[<b>&</b>]]> &amp; more</body>',
                '</note>']
    return {'xml.lxl': library('XmlLexers', [L])}
