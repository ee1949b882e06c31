"""HTML (the WHATWG living standard) with CSS in <style> and JavaScript in <script>."""
from lxl import Lexer, Cond, library, EDITOR_STYLES
import css, javascript, xml


def build():
    L = Lexer('HtmlAnalyzer', 'HTML', 'html htm xht shtml', types=['Tag', 'Attribute', 'Void tag'],
              notes=['HTML as the WHATWG standard defines it, without case in names. Void',
                     'elements (br, img, ...) open no range; an end tag closes the elements',
                     'left open inside it (p, li, ...). <style> and <script> contents are',
                     'analysed by the internal lexers HtmlCss and HtmlJavaScript.'])
    L.styles('Default', 'Comment', 'Preprocessor', 'Tag', 'Attribute', 'String', 'Escape',
             'Symbol', 'Embedded code', *EDITOR_STYLES)
    xml.markup(L, html=True)
    # The embedded code's background marks where another language is analysed.
    L.sub('Style', r'(?<=<style\b [^>]*) >', r'</style', 'HtmlCssAnalyzer',
          StyleName='Embedded code')
    L.sub('Script', r'(?<=<script\b [^>]*) >', r'</script', 'HtmlJavaScriptAnalyzer',
          StyleName='Embedded code')
    js = javascript.make('HtmlJavaScript', 'HtmlJavaScriptAnalyzer', '', javascript.KEYWORDS,
                         False, embedded=True)
    cs = css.make('HtmlCssAnalyzer', 'HtmlCss', '', embedded=True)
    L.sample = ['<!DOCTYPE html>', '<html lang="en">', '<head><style>p { color: navy }</style>',
                '</head>', '<body><p class=intro>Hello&nbsp;world<br>',
                '<script>document.title = `${1 + 1} items`;</script>', '</body>', '</html>']
    return {'html.lxl': library('HtmlLexers', [L, js, cs])}
