#!/usr/bin/env python3
"""Measures how a converted help file lost its shared navigation and kept its own text.

usage: measure_navigation.py [-v] [--code-page=N] HELP.chm DOCUMENT.docx [PAGES-FOLDER]

PAGES-FOLDER holds the help file's pages (7z from p7zip-full extracts them when it is not given;
chmlib's extract_chmLib misses pages of large help files). Convert with --no-hint: the hints behind cross-references are text the pages do not have.

Counted, on the contents pages (the pages the .hhc names) and on the document's body paragraphs:
- nav: blocks at the top or bottom (the first and last 8 non-empty blocks) of at least half of the
  contents pages, grouped by their shape (lower case, links masked as one mark each, digits as '#').
  For each such shape the paragraphs of the document that have it are counted (by shape, or by the
  exact text of one of its instances when the shape is only links and signs: such a line of links
  votes by its text, and counts only where it is still a link); 'nav' is the number of
  paragraphs of shapes found more than once, 'kinds' the number of such shapes.
- titles: headings whose next non-empty paragraph repeats their title (bar a leading section number,
  a permalink sign, case and white space).
- edges: topics whose first or last paragraph holds a link and has a shape that stands first or last in
  at least three topics (what a reader sees as a left-over bar), informative.
- recall: the pages' own text (every block but those of the navigation shapes, the links of a page's own
  table of contents and its title), by characters without white space: a block counts as kept when the
  document's text holds it (a text the pages hold n times, as often, up to n), or a heading its title.
"""
import hashlib
import html
import os
import re
import subprocess
import sys
import tempfile
import zipfile
from collections import Counter, defaultdict
from xml.etree import ElementTree as ET

MARK = '\u25e6'
EDGE = 8
BREAK_TAGS = set('''p div br h1 h2 h3 h4 h5 h6 li ul ol dl dt dd table tr td th caption pre blockquote hr
center address form thead tbody tfoot body section nav header footer article aside figure figcaption
main menu dir'''.split())
HIDDEN_TAGS = {'script', 'style', 'head', 'title', 'noscript', 'object', 'iframe', 'select'}
TAG = re.compile(r'<(/?)([a-zA-Z][a-zA-Z0-9]*)([^>]*)>|<!--.*?-->|<![^>]*>', re.S)
WS = re.compile(r'[\s\u00a0\u200b\u2007\u202f\ufeff]+')
DROP = re.compile(r'[\s\u00a0\u200b\u2007\u202f\ufeff\u00ad\u00b6\u00a7]+')


def norm_shape(text):
    return re.sub(r'\d', '#', WS.sub(' ', text).strip().lower())


def squeeze(text):
    return DROP.sub('', text).lower()


def page_blocks(markup):
    """(text, masked) of each block of a page, in order."""
    blocks = []
    text, masked, hrefs = [], [], []
    hidden = 0
    in_link = False

    def flush():
        t = html.unescape(''.join(text))
        m = html.unescape(''.join(masked))
        if WS.sub('', t):
            blocks.append((WS.sub(' ', t).strip(), norm_shape(m), list(hrefs)))
        text.clear()
        masked.clear()
        hrefs.clear()

    at = 0
    for m in TAG.finditer(markup):
        chunk = markup[at:m.start()]
        at = m.end()
        if hidden == 0:
            text.append(chunk)
            if not in_link:
                masked.append(chunk)
        if m.group(2) is None:
            continue
        end, name, attrs = m.group(1) == '/', m.group(2).lower(), m.group(3)
        if name in HIDDEN_TAGS:
            hidden = max(0, hidden - 1) if end else hidden + 1
            continue
        if name == 'a':
            if end:
                in_link = False
            elif re.search(r'\bhref\s*=', attrs, re.I):
                in_link = True
                h = re.search(r'\bhref\s*=\s*(?:"([^"]*)"|\'([^\']*)\'|([^\s>]*))', attrs, re.I)
                hrefs.append(html.unescape(next((g for g in h.groups() if g is not None), '')) if h else '')
                masked.append(' ' + MARK + ' ')
        if name in BREAK_TAGS:
            in_link = in_link and name not in ('td', 'th', 'li', 'p', 'div')
            flush()
    if hidden == 0:
        text.append(markup[at:])
    flush()
    return blocks


CODE_PAGE = ['cp1252']


def read_page(path):
    raw = open(path, 'rb').read()
    head = raw[:2048].decode('latin-1').lower()
    m = re.search(r'charset\s*=\s*["\']?([a-z0-9_-]+)', head)
    for enc in ([m.group(1)] if m else []) + ['utf-8'] + CODE_PAGE:
        try:
            return raw.decode(enc)
        except (LookupError, UnicodeDecodeError):
            pass
    return raw.decode('latin-1')


def contents_pages(folder):
    hhcs = [os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs if f.lower().endswith('.hhc')]
    files = {}
    for d, _, fs in os.walk(folder):
        for f in fs:
            files[os.path.relpath(os.path.join(d, f), folder).replace('\\', '/').lower()] = os.path.join(d, f)
    pages = []
    for hhc in hhcs:
        text = read_page(hhc)
        for m in re.finditer(r'<param\s+name\s*=\s*"local"\s+value\s*=\s*"([^"]*)"', text, re.I):
            local = html.unescape(m.group(1)).split('#')[0].replace('\\', '/').lstrip('/').lower()
            if local in files and files[local] not in pages:
                pages.append(files[local])
    return pages


W = '{http://schemas.openxmlformats.org/wordprocessingml/2006/main}'


def docx_paragraphs(path):
    """(style, text, masked, pictures) of each paragraph of the body, in order."""
    with zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read('word/document.xml'))
        rels = z.read('word/_rels/document.xml.rels').decode('utf-8')
        targets = dict(re.findall(r'Id="([^"]+)"[^>]*Target="([^"]+)"', rels))
        targets.update({a: b for b, a in re.findall(r'Target="([^"]+)"[^>]*Id="([^"]+)"', rels)})
        digests = {}
        for name in z.namelist():
            if name.startswith('word/media/'):
                digests['media/' + name.split('/')[-1]] = hashlib.sha1(z.read(name)).hexdigest()[:12]
    out = []
    for p in root.iter(W + 'p'):
        style = ''
        ppr = p.find(W + 'pPr')
        if ppr is not None and ppr.find(W + 'pStyle') is not None:
            style = ppr.find(W + 'pStyle').get(W + 'val')
        text, masked, pictures = [], [], []

        def walk(node, in_link):
            for child in node:
                tag = child.tag
                if tag == W + 'p':
                    continue  # a text box's paragraphs are their own
                if tag == W + 'hyperlink':
                    masked.append(' ' + MARK + ' ')
                    walk(child, True)
                elif tag == W + 't':
                    text.append(child.text or '')
                    if not in_link:
                        masked.append(child.text or '')
                elif tag in (W + 'tab', W + 'br'):
                    text.append(' ')
                    if not in_link:
                        masked.append(' ')
                elif tag == W + 'instrText':
                    continue
                elif tag.endswith('}blip'):
                    rid = child.get('{http://schemas.openxmlformats.org/officeDocument/2006/relationships}embed')
                    pictures.append(digests.get(targets.get(rid, ''), targets.get(rid, '')))
                else:
                    walk(child, in_link)

        walk(p, False)
        t = WS.sub(' ', ''.join(text)).strip()
        out.append((style, t, norm_shape(''.join(masked)), pictures))
    return out


WORDS = r'(?:(?:chapter|appendix|part|section|kapitel|anhang|teil|chapitre|annexe)\s+)?'
NUMBER = re.compile(r'^' + WORDS + r'(?:[a-z]|\d+|[ivxlcdm]+)(?:\.\d+)*\.?\s+(?=\S)')


def only_links(shape):
    return re.sub(r'[\W#_' + MARK + ']', '', shape) == ''


def title_key(text):
    # Permalink and member signs before or after a title ("◆ rb_create()", "Getting started¶").
    key = WS.sub(' ', text).strip().lower().rstrip('\u00b6\u00a7# ')
    if key.startswith('\u25c6'):  # a member title, "◆ rb_create()"; without the sign it is a signature
        key = re.sub(r'\(\s*\)(\s*\[\d+/\d+\])?$', '', key.lstrip('\u25c6 ')).rstrip()
    stripped = NUMBER.sub('', key, count=1)
    return stripped if re.match(r'^' + WORDS + r'(?:[a-z]\.|\d|[ivxlcdm]+\.)', key) else key


def is_heading(style):
    return re.match(r'(?i)heading\s*\d', style or '') is not None


def measure(chm, docx, folder, verbose):
    pages = contents_pages(folder)
    contents = {os.path.normcase(os.path.realpath(p)).lower() for p in pages}
    markups = [read_page(p) for p in pages]
    per_page = [page_blocks(m) for m in markups]
    page_titles = []
    for markup in markups:
        t = re.search(r'<title[^>]*>(.*?)</title>', markup, re.I | re.S)
        page_titles.append(norm_shape(html.unescape(re.sub('<[^>]*>', '', t.group(1)))) if t else '')
    votes = Counter()
    instances = defaultdict(set)
    for blocks in per_page:
        edge = blocks[:EDGE] + blocks[-EDGE:]
        # A line of nothing but links ("Prev", "Home") votes by its text: its shape is that of any link.
        keys = {shape if not only_links(shape) else 'text: ' + norm_shape(text) for text, shape, _ in edge}
        for key in keys:
            votes[key] += 1
        for text, shape, _ in edge:
            instances[shape].add(norm_shape(text))
    need = max(2, (len(pages) + 1) // 2)
    nav = {s for s, n in votes.items() if n >= need}
    for key in [k for k in nav if k.startswith('text: ')]:
        instances[key] = {key[6:]}

    paragraphs = docx_paragraphs(docx)
    body = [p for p in paragraphs if not (p[0] or '').upper().startswith('TOC')]
    found = Counter()
    for style, text, masked, _ in body:
        if not text or is_heading(style):
            continue
        plain = norm_shape(text)
        for shape in nav:
            # A lone link's text counts where it is still a link: "Data Fields" above a table is a caption.
            if masked == shape or (plain in instances[shape] and (not shape.startswith('text: ') or MARK in masked)):
                found[shape] += 1
                break
    left = {s: n for s, n in found.items() if n > 1}

    # Headings followed by their own title.
    repeats = []
    for i, (style, text, _, _) in enumerate(body):
        if not is_heading(style):
            continue
        for style2, text2, _, pics in body[i + 1:i + 4]:
            if not text2:
                if pics:
                    break
                continue
            if not is_heading(style2) and title_key(text2) == title_key(text):
                repeats.append(text)
            break

    # Topics' first and last paragraphs.
    topics, current = [], []
    for style, text, masked, pics in body:
        if is_heading(style):
            if current:
                topics.append(current)
            current = []
        elif text:
            current.append(masked)
    if current:
        topics.append(current)
    edge_shapes = Counter()
    for t in topics:
        for s in {t[0], t[-1]}:
            if MARK in s:
                edge_shapes[s] += 1
    edges = {s: n for s, n in edge_shapes.items() if n >= 3}

    # Pictures placed more than once.
    pictures = Counter(d for p in body for d in p[3])
    repeated_pictures = {d: n for d, n in pictures.items() if n > 2}

    # Recall of the pages' own text.
    whole = squeeze(''.join(p[1] for p in body))
    total = kept = 0
    lost = []
    own = defaultdict(list)
    heading_keys = {title_key(p[1]) for p in body if is_heading(p[0])}

    def leads_to_contents(page, href):
        href = href.strip()
        if href == '' or href.startswith('#'):
            return True  # the page's own places: no text of its own
        if re.match(r'^[a-z][a-z0-9+.-]*:', href, re.I):
            return False
        target = os.path.join(os.path.dirname(page), href.split('#')[0].replace('\\', '/'))
        return os.path.normcase(os.path.realpath(target)).lower() in contents

    for page, blocks, page_title in zip(pages, per_page, page_titles):
        for text, shape, hrefs in blocks:
            key = shape if not only_links(shape) else 'text: ' + norm_shape(text)
            if key in nav or (key == shape and norm_shape(text) in instances.get(shape, ())):
                continue
            # A page's own table of contents, and its title (as its <title> ends), stand in the
            # document's contents and headings.
            if only_links(shape) and hrefs and all(leads_to_contents(page, h) for h in hrefs):
                continue
            plain = norm_shape(text)
            if plain and page_title.endswith(plain.rstrip('\u00b6 ')):
                continue
            s = squeeze(text)
            if not s:
                continue
            total += len(s)
            if title_key(text) in heading_keys:
                kept += len(s)
            else:
                own[s].append((os.path.basename(page), text))
    # A text the pages hold n times is kept as often as the document holds it, at most n times.
    for s, places in own.items():
        n = min(len(places), whole.count(s))
        kept += n * len(s)
        lost.extend((len(s), page, text) for page, text in places[n:])
    recall = 100.0 * kept / total if total else 100.0
    name = os.path.basename(chm)
    print('%-32s pages %5d  nav %4d (kinds %2d)  titles %4d  edges %4d  pictures>2 %3d  recall %6.2f %%' %
          (name, len(pages), sum(left.values()), len(left), len(repeats), sum(edges.values()),
           len(repeated_pictures), recall))
    if verbose:
        for s, n in sorted(left.items(), key=lambda x: -x[1]):
            print('   nav %4d x %r (on %d pages)' % (n, s[:100], votes[s]))
        for t in repeats[:10]:
            print('   title repeated: %r' % t[:100])
        for s, n in sorted(edges.items(), key=lambda x: -x[1])[:12]:
            print('   edge %4d x %r' % (n, s[:100]))
        for d, n in sorted(repeated_pictures.items(), key=lambda x: -x[1])[:8]:
            print('   picture %4d x %s' % (n, d))
        for n, page, text in sorted(lost, reverse=True)[:15]:
            print('   lost %5d %s: %r' % (n, page, text[:140]))
    return recall


def main(argv):
    verbose = '-v' in argv
    args = [a for a in argv if a != '-v']
    for a in [a for a in args if a.startswith('--code-page=')]:
        CODE_PAGE[:] = ['cp' + a.split('=', 1)[1]]
        args.remove(a)
    if len(args) < 2:
        sys.exit(__doc__)
    chm, docx = args[0], args[1]
    if len(args) > 2:
        measure(chm, docx, args[2], verbose)
        return
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(['7z', 'x', '-y', '-o' + folder, chm], check=True, stdout=subprocess.DEVNULL)
        measure(chm, docx, folder, verbose)


if __name__ == '__main__':
    main(sys.argv[1:])
