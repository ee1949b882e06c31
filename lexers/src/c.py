"""C (ISO C23) and C++ (ISO C++23): keywords from the standards' keyword tables."""
from lxl import Lexer, Cond, library, EDITOR_STYLES
from common import BLOCK_COMMENT, DOC_COMMENT, comment_blocks, brace_blocks

C_KEYWORDS = '''alignas alignof auto break case const constexpr continue default do else enum
extern false for goto if inline nullptr register restrict return sizeof static static_assert
struct switch thread_local true typedef typeof typeof_unqual union volatile while _Alignas
_Alignof _Atomic _Generic _Noreturn _Static_assert _Thread_local'''

C_TYPES = '''bool char double float int long short signed unsigned void _BitInt _Bool _Complex
_Decimal128 _Decimal32 _Decimal64 _Imaginary char8_t char16_t char32_t wchar_t size_t ptrdiff_t
nullptr_t max_align_t int8_t int16_t int32_t int64_t uint8_t uint16_t uint32_t uint64_t intptr_t
uintptr_t intmax_t uintmax_t'''

CPP_KEYWORDS = '''alignas alignof and and_eq asm auto bitand bitor break case catch class compl
concept const consteval constexpr constinit const_cast continue co_await co_return co_yield
decltype default delete do dynamic_cast else enum explicit export extern false for friend goto if
inline mutable namespace new noexcept not not_eq nullptr operator or or_eq private protected public
register reinterpret_cast requires return sizeof static static_assert static_cast struct switch
template this thread_local throw true try typedef typeid typename union using virtual volatile
while xor xor_eq final override import module'''

CPP_TYPES = '''bool char char8_t char16_t char32_t double float int long short signed unsigned
void wchar_t size_t ptrdiff_t nullptr_t max_align_t int8_t int16_t int32_t int64_t uint8_t
uint16_t uint32_t uint64_t intptr_t uintptr_t intmax_t uintmax_t'''

# Digits with C23 / C++14 separators (1'000'000); suffixes (u, l, ll, f, z, user-defined) as a word.
NUMBER = r"""(?i) ( 0x ( [\da-f]+ ('[\da-f]+)* )? (\. ([\da-f]+ ('[\da-f]+)*)? )? (p [+\-]? \d+)?
  | 0b [01]+ ('[01]+)*
  | ( \d+ ('\d+)* (\. (\d+ ('\d+)*)? )? | \. \d+ ('\d+)* ) (e [+\-]? \d+ ('\d+)*)? ) \w*"""


def make(name, component, extensions, keywords, types, cpp):
    L = Lexer(component, name, extensions, line_comment='//',
              types=['Keyword', 'Type', 'Function'],
              notes=['%s as its ISO standard defines it. Keywords and type names are identifiers'
                     % name,
                     'retagged by block rules; a name before "(" is a function. Preprocessor',
                     'lines keep their directive as one token (#include with its header name);',
                     '#if/#endif and #pragma region/endregion are collapsible ranges, as are',
                     'braces and runs of comments.'])
    L.styles('Default', 'Identifier', 'Comment', 'Documentation comment', 'Keyword', 'Type',
             'Preprocessor', 'String', 'Character', 'Number', 'Symbol', 'Function',
             *EDITOR_STYLES)
    L.token('Doc comment', DOC_COMMENT, 'Documentation comment', 'Comment')
    L.token('Comment', BLOCK_COMMENT, 'Comment', 'Comment')
    # A line comment ends at a line break that no backslash continues.
    L.token('Doc line comment', r'//[/!] (?!/) [^\\\r\n]* (\\ (\r\n|\r|\n|.)? [^\\\r\n]*)*',
            'Documentation comment', 'Comment')
    L.token('Line comment', r'// [^\\\r\n]* (\\ (\r\n|\r|\n|.)? [^\\\r\n]*)*', 'Comment',
            'Comment')
    if cpp:
        # R"delim( ... )delim": a back reference to an empty group fails, hence two forms.
        L.token('Raw string', r'(?-i) (u8|[uUL])? R" ( \( (?s).*? (\)" | \Z)'
                              r' | ([^(\s\\)"]{1,16}) \( (?s).*? (\)\4" | \Z) )',
                'String', 'String')
    L.token('String', r'(?-i) (u8|[uUL])? " [^"\\\r\n]* (\\ (\r\n|\r|\n|.)? [^"\\\r\n]*)* "?',
            'String', 'String')
    L.token('Character', r"(?-i) (u8|[uUL])? ' [^'\\\r\n]* (\\ (\r\n|\r|\n|.)? [^'\\\r\n]*)* '?",
            'Character', 'Char const')
    # A directive is the first token of its line; #include keeps its header name.
    L.token('Include', r'(?<=^[\x20\t]*) \# [\x20\t]* (include_next|include|import|embed) \b'
                       r' ([\x20\t]* <[^>\r\n]*>?)?', 'Preprocessor', 'Preprocessor')
    L.token('Directive', r'(?<=^[\x20\t]*) \# ([\x20\t]* [a-z_]\w*)?', 'Preprocessor',
            'Preprocessor')
    L.token('Number', NUMBER, 'Number', 'Integer const')
    L.token('Identifier', r'(?r) [\l_$] [\w$]*', 'Identifier', 'Identifier')
    L.token('Bracket', r'[{}()\[\];,]', 'Symbol', 'Symbol')
    L.token('Operator', r'[\-+*%=<>!&|\^~?:.\#\\@]+ | /', 'Symbol', 'Symbol')

    # Anything else still gets a token (a stray character of broken code).
    L.token('Other', r'\S', None, 'Unknown')
    L.block('Keyword', 'btTagDetect', [Cond(keywords, types='Identifier')], StyleName='Keyword',
            TokenType='Keyword')
    L.block('Type', 'btTagDetect', [Cond(types, types='Identifier')], StyleName='Type',
            TokenType='Type')
    L.block('Function', 'btTagDetect', [Cond('(', types='Symbol'), Cond(types='Identifier')],
            IdentIndex=1, StyleName='Function', TokenType='Function')
    brace_blocks(L)
    L.block('Conditional', 'btRangeStart',
            [Cond([r'\#\s*if'], 'mask', types='Preprocessor')],
            StyleName='Preprocessor', BlockEnd='Conditional end', DisplayInTree=False,
            CollapseFmt='%s0 ...', IgnoreAsParent=True)
    L.block('Conditional end', 'btRangeEnd',
            [Cond([r'\#\s*endif\b'], 'mask', types='Preprocessor')])
    L.block('Region', 'btRangeStart',
            [Cond('region', types='Identifier'),
             Cond([r'\#\s*pragma\b'], 'mask', types='Preprocessor')],
            BlockOffset=1, BlockEnd='Region end', CollapseFmt='%s1 %sz0', DrawStaple=True,
            IgnoreAsParent=True)
    L.block('Region end', 'btRangeEnd',
            [Cond('endregion', types='Identifier'),
             Cond([r'\#\s*pragma\b'], 'mask', types='Preprocessor')])
    comment_blocks(L)
    return L


def build():
    c = make('C', 'CAnalyzer', 'c h', C_KEYWORDS, C_TYPES, False)
    cpp = make('C++', 'CppAnalyzer', 'cpp cc cxx c++ hpp hh hxx h++ ipp tcc inl', CPP_KEYWORDS,
               CPP_TYPES, True)
    c.sample = ['#include <stdio.h>', '', '/* Prints 1 000 000. */',
                'int main(void) {', "    long n = 1'000'000;", '    printf("%ld\\n", n);',
                '    return 0;', '}']
    cpp.sample = ['#include <string>', '', 'namespace demo {',
                  'std::string Greeting() { return R"(say "hi")"; }', '}  // namespace demo']
    return {'c.lxl': library('CLexers', [c, cpp])}
