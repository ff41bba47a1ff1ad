# Prints the tags and cover of media files as the containers store them (see TagReader.h).
import base64, hashlib, struct, sys, traceback

import mutagen
import mutagen.id3
from mutagen.flac import Picture

def esc(v):
    return str(v).replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t')

def split(r, number, total, text):
    if text is None: return
    a, _, b = str(text).partition('/')
    if a: r[number] = a
    if b: r[total] = b

def md5(data): return hashlib.md5(bytes(data)).hexdigest()

def riff_info(path):
    r = {}
    data = open(path, 'rb').read()
    names = {b'INAM': 'title', b'IART': 'artist', b'IPRD': 'album', b'ITRK': 'track', b'IPRT': 'track',
             b'ICRD': 'date', b'IGNR': 'genre', b'ICMT': 'comment'}
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack('<I', data[at + 4:at + 8])[0]
        if cid == b'LIST' and data[at + 8:at + 12] == b'INFO':
            sub = at + 12
            while sub + 8 <= at + 8 + size:
                sid, ssize = data[sub:sub + 4], struct.unpack('<I', data[sub + 4:sub + 8])[0]
                if sid in names: r.setdefault(names[sid], data[sub + 8:sub + 8 + ssize].rstrip(b'\0').decode('utf-8'))
                sub += 8 + ssize + (ssize & 1)
        at += 8 + size + (size & 1)
    return r

def read(path):
    r = {}
    f = mutagen.File(path)
    kind = type(f).__name__ if f is not None else ''
    t = f.tags if f is not None else None
    if kind == 'MP3':  # the ID3v2 tag alone: the old tag at the end is read below
        try:
            t = mutagen.id3.ID3(path, load_v1=False)
        except mutagen.id3.ID3NoHeaderError:
            t = None
    values = []
    if kind == 'WAVE':
        r.update(riff_info(path))
    elif kind in ('MP3', 'AIFF') and t is not None:
        r['id3'] = '%d.%d' % t.version[:2]
        def get(k): return str(t[k].text[0]) if k in t else None
        for key, frame in (('title', 'TIT2'), ('artist', 'TPE1'), ('albumartist', 'TPE2'), ('album', 'TALB'),
                           ('date', 'TDRC'), ('genre', 'TCON'), ('composer', 'TCOM')):
            if get(frame) is not None: r[key] = get(frame)
        split(r, 'track', 'tracktotal', get('TRCK'))
        split(r, 'disc', 'disctotal', get('TPOS'))
        comm = t.getall('COMM')
        if comm: r['comment'] = comm[0].text[0]
        elif 'TXXX:comment' in t: r['comment'] = 'TXXX:' + t['TXXX:comment'].text[0]
        pics = t.getall('APIC')
        if pics: r['cover'], r['type'] = md5(pics[0].data), str(int(pics[0].type))
        values = [str(x) for frame in t.values() for x in getattr(frame, 'text', [])]
    elif kind == 'MP4' and t is not None:
        for key, atom in (('title', '\xa9nam'), ('artist', '\xa9ART'), ('albumartist', 'aART'), ('album', '\xa9alb'),
                          ('date', '\xa9day'), ('genre', '\xa9gen'), ('composer', '\xa9wrt'), ('comment', '\xa9cmt')):
            if atom in t: r[key] = str(t[atom][0])
        for key, total, atom in (('track', 'tracktotal', 'trkn'), ('disc', 'disctotal', 'disk')):
            if atom in t:
                n, m = t[atom][0]
                if n: r[key] = str(n)
                if m: r[total] = str(m)
        if 'covr' in t: r['cover'], r['type'] = md5(t['covr'][0]), '3'
        for k, v in t.items():  # freeform atoms; several of one key as one list
            if k.startswith('----:'):
                r[k] = '|'.join(bytes(x).decode('utf-8') + ('' if x.dataformat == 1 else ' (type %d)' % x.dataformat)
                                for x in v)
        values = [str(x) for v in t.values() for x in v]
    elif kind == 'WavPack' and t is not None:
        for key, item in (('title', 'Title'), ('artist', 'Artist'), ('albumartist', 'Album Artist'),
                          ('album', 'Album'), ('date', 'Year'), ('genre', 'Genre'), ('composer', 'Composer'),
                          ('comment', 'Comment')):
            if item in t: r[key] = str(t[item])
        split(r, 'track', 'tracktotal', str(t['Track']) if 'Track' in t else None)
        split(r, 'disc', 'disctotal', str(t['Disc']) if 'Disc' in t else None)
        values = [str(v) for v in t.values()]
    elif kind == 'ASF' and t is not None:
        def get(k): return str(t[k][0]) if k in t else None
        for key, attr in (('title', 'Title'), ('artist', 'Author'), ('albumartist', 'WM/AlbumArtist'),
                          ('album', 'WM/AlbumTitle'), ('date', 'WM/Year'), ('genre', 'WM/Genre'),
                          ('composer', 'WM/Composer'), ('comment', 'Description')):
            if get(attr) is not None: r[key] = get(attr)
        split(r, 'track', 'tracktotal', get('WM/TrackNumber'))
        split(r, 'disc', 'disctotal', get('WM/PartOfSet'))
        values = [str(x) for v in t.values() for x in v]
    elif t is not None:  # Vorbis comments: FLAC, Ogg Vorbis, Opus, Speex
        def get(k): return t[k][0] if k in t else None
        for key, name in (('title', 'TITLE'), ('artist', 'ARTIST'), ('albumartist', 'ALBUMARTIST'),
                          ('album', 'ALBUM'), ('date', 'DATE'), ('genre', 'GENRE'), ('composer', 'COMPOSER'),
                          ('comment', 'DESCRIPTION'), ('tracktotal', 'TRACKTOTAL'), ('disctotal', 'DISCTOTAL')):
            if get(name) is not None: r[key] = get(name)
        split(r, 'track', 'tracktotal', get('TRACKNUMBER'))
        split(r, 'disc', 'disctotal', get('DISCNUMBER'))
        pics = list(getattr(f, 'pictures', []))
        pics += [Picture(base64.b64decode(v)) for v in t.get('METADATA_BLOCK_PICTURE', [])]
        if pics: r['cover'], r['type'] = md5(pics[0].data), str(int(pics[0].type))
        values = [x for v in t.values() for x in v]
    # Loudness tags in any form: TXXX:NAME, ----:com.apple.iTunes:NAME, Vorbis comments, APE, ASF.
    if t is not None and hasattr(t, 'keys'):
        for k in list(t.keys()):
            name = str(k).split(':')[-1].lower()
            if not name.startswith(('replaygain_', 'r128_')): continue
            v = t[k]
            v = getattr(v, 'text', v)
            if isinstance(v, list): v = v[0]
            if isinstance(v, bytes): v = v.decode('utf-8')
            r[name] = str(getattr(v, 'value', v))
    if kind in ('MP3', 'WAVE'):
        with open(path, 'rb') as raw:
            raw.seek(0, 2)
            if raw.tell() >= 128:
                raw.seek(-128, 2)
                block = raw.read(128)
                if block[:3] == b'TAG': r['id3v1'] = block[3:33].rstrip(b'\0 ').decode('latin-1')
    if any('Stale' in str(v) for v in values): r['stale'] = 'yes'
    return r

out, files = sys.argv[1], sys.argv[2:]
lines = []
picture = False
for path in files:
    if path == '--pictures':
        picture = True
        continue
    try:
        found = {'cover': md5(open(path, 'rb').read())} if picture else read(path)
    except Exception:
        found = {'error': traceback.format_exc().splitlines()[-1]}
    lines += ['%s\t%s\t%s' % (path, k, esc(v)) for k, v in sorted(found.items())]
with open(out + '.part', 'w', encoding='utf-8') as w:
    w.write('\n'.join(lines) + '\nEND\n')
import os
os.replace(out + '.part', out)
