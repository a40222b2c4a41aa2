#!/usr/bin/env python3
"""Writes a help project of N topics (default 3000) into FOLDER and compiles it with chmcmd into
FOLDER/convert-bench.chm. Used by convert_bench. Every page carries the same navigation bar and
footer (which the distiller cuts), links to other topics (some to anchors), a picture from a
shared set and a small table, so that every stage of a conversion has its usual work."""
import os
import random
import struct
import subprocess
import sys
import zlib

folder = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 3000
rng = random.Random(3000)
words = ('help file page topic contents index chapter section picture table link anchor window setting '
         'document printer margin header footer number level heading convert extract folder language '
         'code style sheet frame bookmark caption').split()


def png(width, height, seed):
    raw = b''.join(b'\x00' + bytes((x * seed + y) % 256 for x in range(width * 3)) for y in range(height))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


os.makedirs(os.path.join(folder, 'images'), exist_ok=True)
pictures = []
for k, (w, h) in enumerate([(64, 48), (320, 200), (900, 300), (120, 120), (800, 600), (40, 30)]):
    name = f'images/pic{k}.png'
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(png(w, h, k + 3))
    pictures.append((name, w, h))

nav = ('<table class="nav" width="100%"><tr><td><a href="../index.htm">Home</a></td><td>Benchmark Manual</td>'
       '<td><a href="../index.htm">Contents</a></td></tr></table><hr>')
foot = '<hr><p class="footer">Copyright 2026 Benchmark Writers. All rights reserved.</p>'
names = []
levels = []
for i in range(count):
    sub = f'topics/part{i // 300:02d}'
    os.makedirs(os.path.join(folder, sub), exist_ok=True)
    names.append(f'{sub}/topic{i:05d}.htm')
    levels.append(0 if i % 100 == 0 else (1 if i % 10 == 0 else 2))
for i, name in enumerate(names):
    paras = []
    for p in range(rng.randint(3, 7)):
        text = ' '.join(rng.choice(words) for _ in range(rng.randint(25, 70)))
        if p == 1:
            t = rng.randrange(count)
            target = os.path.relpath(names[t], os.path.dirname(name))
            anchor = '#details' if t % 3 == 0 else ''
            text += f' See <a href="{target}{anchor}">topic {t}</a>.'
        paras.append(f'<p>{text}.</p>')
    pic, w, h = pictures[i % len(pictures)]
    picture = f'<p><img src="../../{pic}" width="{w}" height="{h}" alt="figure {i}"></p>'
    table = ('<table border="1"><tr><th>Name</th><th>Value</th></tr>' +
             ''.join(f'<tr><td>item {r}</td><td>{rng.randint(0, 999)}</td></tr>' for r in range(3)) + '</table>')
    body = '\n'.join(paras[:2]) + '\n' + picture + '\n<h2><a name="details"></a>Details</h2>\n' + \
        '\n'.join(paras[2:]) + '\n' + table
    with open(os.path.join(folder, name), 'w') as f:
        f.write(f'<html><head><title>Topic {i}</title><link rel="stylesheet" href="../../style.css"></head>'
                f'<body>{nav.replace("../", "../../")}<h1>Topic {i}</h1>\n{body}\n{foot}</body></html>\n')
with open(os.path.join(folder, 'style.css'), 'w') as f:
    f.write('body { font-family: Verdana, sans-serif; font-size: 10pt }\nh1 { color: #003366 }\n')
with open(os.path.join(folder, 'index.htm'), 'w') as f:
    f.write('<html><head><title>Benchmark Manual</title></head><body><h1>Benchmark Manual</h1>'
            '<p>Start page.</p></body></html>\n')
with open(os.path.join(folder, 'convert-bench.hhc'), 'w') as f:
    f.write('<HTML><BODY><UL>\n')
    depth = 0
    for i, name in enumerate(names):
        while depth < levels[i]:
            f.write('<UL>\n')
            depth += 1
        while depth > levels[i]:
            f.write('</UL>\n')
            depth -= 1
        f.write(f'<LI> <OBJECT type="text/sitemap"><param name="Name" value="Topic {i}">'
                f'<param name="Local" value="{name}"></OBJECT>\n')
    f.write('</UL>\n' * depth + '</UL></BODY></HTML>\n')
files = ['index.htm', 'style.css'] + [p[0] for p in pictures] + names
with open(os.path.join(folder, 'convert-bench.hhp'), 'w') as f:
    f.write('[OPTIONS]\nCompiled file=convert-bench.chm\nContents file=convert-bench.hhc\n'
            'Default topic=index.htm\nLanguage=0x409 English (United States)\nTitle=Benchmark Manual\n\n'
            '[FILES]\n' + '\n'.join(files) + '\n')
subprocess.run(['chmcmd', '--no-html-scan', 'convert-bench.hhp'], cwd=folder, check=True,
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(os.path.join(folder, 'convert-bench.chm'))
