#!/usr/bin/env python3
"""Consistency check of the translation catalogues in this directory.

Checks, for every catalogue (*.po next to this script):
  * no msgstr is empty and no entry is fuzzy;
  * every placeholder %1..%9 of a msgid appears in its msgstr, and the
    msgstr introduces no placeholder of its own;
  * an accelerator "(&X)" of a msgid survives as "&X" in the msgstr;
  * a trailing "..." survives, and a trailing full-width colon becomes ":"
    in English and stays "：" in Chinese;
  * all catalogues carry exactly the same msgid set, without duplicates.

With source directories as arguments, it also lists every quoted literal
containing Han characters in *.cpp / *.h files there that has no entry.

Exit status 0 when everything holds, 1 otherwise.
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
HAN = re.compile(r'[\u4e00-\u9fff]')
PLACEHOLDER = re.compile(r'%([1-9])')
ACCEL = re.compile(r'\(&([A-Za-z])\)')


def unquote(s):
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c == '\\' and i + 1 < len(s):
            n = s[i + 1]
            out.append({'n': '\n', 't': '\t', '"': '"', '\\': '\\'}.get(n, '\\' + n))
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def parse_po(path):
    """Returns a list of (msgid, msgstr, flags) without the header entry."""
    entries, cur, field, flags = [], None, None, set()

    def flush():
        if cur is not None and cur.get('msgid', '') != '':
            entries.append((cur.get('msgid', ''), cur.get('msgstr', ''), set(flags)))

    with open(path, encoding='utf-8') as f:
        for raw in f:
            line = raw.rstrip('\n')
            if line.startswith('#,'):
                flags.update(x.strip() for x in line[2:].split(','))
                continue
            if line.startswith('#') or not line.strip():
                continue
            m = re.match(r'^(msgid|msgstr)\s+"(.*)"\s*$', line)
            if m:
                if m.group(1) == 'msgid':
                    flush()
                    cur, flags = {}, set()
                field = m.group(1)
                cur[field] = unquote(m.group(2))
                continue
            m = re.match(r'^"(.*)"\s*$', line)
            if m and cur is not None and field:
                cur[field] += unquote(m.group(1))
                continue
            raise ValueError('%s: cannot parse line: %r' % (path, line))
    flush()
    return entries


def check_entry(lang, msgid, msgstr, flags):
    errs = []
    if not msgstr:
        errs.append('empty msgstr')
    if 'fuzzy' in flags:
        errs.append('fuzzy entry')
    want = sorted(set(PLACEHOLDER.findall(msgid)))
    have = sorted(set(PLACEHOLDER.findall(msgstr)))
    if want != have:
        errs.append('placeholders %s in msgid but %s in msgstr' % (want, have))
    for letter in ACCEL.findall(msgid):
        if ('&' + letter).lower() not in msgstr.lower():
            errs.append('accelerator &%s lost' % letter)
    if msgid.endswith('...') and not msgstr.endswith('...'):
        errs.append('trailing "..." lost')
    if msgid.endswith('：'):
        tail = ':' if lang == 'en' else '：'
        if not msgstr.endswith(tail):
            errs.append('trailing colon should become %r' % tail)
    if lang == 'en' and HAN.search(msgstr):
        errs.append('Han characters left in English text')
    return errs


def source_literals(dirs):
    lit = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
    found = {}
    for d in dirs:
        for root, _, files in os.walk(d):
            for name in files:
                if not name.endswith(('.cpp', '.h', '.hpp', '.cc')):
                    continue
                p = os.path.join(root, name)
                with open(p, encoding='utf-8', errors='replace') as f:
                    for no, line in enumerate(f, 1):
                        for m in lit.finditer(line):
                            s = unquote(m.group(1))
                            if HAN.search(s):
                                found.setdefault(s, '%s:%d' % (p, no))
    return found


def main(argv):
    ok = True
    cats = {}
    for name in sorted(os.listdir(HERE)):
        if name.endswith('.po'):
            lang = name[:-3]
            entries = parse_po(os.path.join(HERE, name))
            ids = [e[0] for e in entries]
            dups = sorted({i for i in ids if ids.count(i) > 1})
            for d in dups:
                print('%s: duplicate msgid %r' % (name, d))
                ok = False
            for msgid, msgstr, flags in entries:
                for err in check_entry(lang, msgid, msgstr, flags):
                    print('%s: %r: %s' % (name, msgid, err))
                    ok = False
            cats[lang] = set(ids)
    if not cats:
        print('no catalogue found')
        return 1
    langs = sorted(cats)
    for lang in langs[1:]:
        for i in sorted(cats[langs[0]] - cats[lang]):
            print('%s.po lacks %r (present in %s.po)' % (lang, i, langs[0]))
            ok = False
        for i in sorted(cats[lang] - cats[langs[0]]):
            print('%s.po lacks %r (present in %s.po)' % (langs[0], i, lang))
            ok = False
    if len(argv) > 1:
        known = set.union(*cats.values())
        for s, where in sorted(source_literals(argv[1:]).items()):
            if s.strip() and s.strip() not in known:
                print('%s: literal %r has no catalogue entry' % (where, s))
                ok = False
    print('%s: %s' % ('OK' if ok else 'FAILED',
                      ', '.join('%s.po %d entries' % (l, len(cats[l])) for l in langs)))
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
