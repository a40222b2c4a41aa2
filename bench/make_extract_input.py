#!/usr/bin/env python3
"""Writes a help project with N pages (default 5000) into FOLDER and compiles it with chmcmd into
FOLDER/extract-bench.chm. Used by extract_bench; pages vary so that LZX has real work to do."""
import os
import random
import subprocess
import sys

folder = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 5000
rng = random.Random(5000)
words = ('help file page topic contents index chapter section picture table link anchor window setting '
         'document printer margin header footer number level heading convert extract folder language '
         'code style sheet frame bookmark caption').split()
os.makedirs(os.path.join(folder, 'topics'), exist_ok=True)
names = []
for i in range(count):
    sub = f'topics/group{i // 500:02d}'
    os.makedirs(os.path.join(folder, sub), exist_ok=True)
    name = f'{sub}/topic{i:05d}.htm'
    names.append(name)
    body = '\n'.join('<p>' + ' '.join(rng.choice(words) for _ in range(rng.randint(20, 80))) + '.</p>'
                     for _ in range(rng.randint(2, 8)))
    with open(os.path.join(folder, name), 'w') as f:
        f.write(f'<html><head><title>Topic {i}</title></head><body><h1>Topic {i}</h1>\n{body}\n'
                f'<p><a href="topic{(i + 1) % count:05d}.htm">next</a></p></body></html>\n')
with open(os.path.join(folder, 'extract-bench.hhc'), 'w') as f:
    f.write('<HTML><BODY><UL>\n')
    for i, name in enumerate(names):
        f.write(f'<LI> <OBJECT type="text/sitemap"><param name="Name" value="Topic {i}">'
                f'<param name="Local" value="{name}"></OBJECT>\n')
    f.write('</UL></BODY></HTML>\n')
with open(os.path.join(folder, 'extract-bench.hhp'), 'w') as f:
    f.write('[OPTIONS]\nCompiled file=extract-bench.chm\nContents file=extract-bench.hhc\n'
            f'Default topic={names[0]}\nLanguage=0x409 English (United States)\nTitle=Extraction benchmark\n\n'
            '[FILES]\n' + '\n'.join(names) + '\n')
subprocess.run(['chmcmd', '--no-html-scan', 'extract-bench.hhp'], cwd=folder, check=True,
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(os.path.join(folder, 'extract-bench.chm'))
