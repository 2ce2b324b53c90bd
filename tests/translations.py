#!/usr/bin/env python3
"""Every Japanese text of the windows goes through Qt's translation system,
and the English catalogue translates each of them.

    translations.py SOURCE_DIR LUPDATE

1. A Japanese string literal in src/ (comments aside, the command-line
   companion aside) stands inside tr(), QCoreApplication::translate() or
   QT_TRANSLATE_NOOP(), or is listed in tests/untranslated.txt: the texts
   that travel on the network or go into the log and the clipboard, which
   peers and readers of the log file expect in Japanese.
2. lupdate finds no text that the catalogue lacks, and no entry of the
   catalogue is unfinished, vanished or obsolete.
3. The English edition of the manual (resources/help/en) has every page of
   the Japanese one, and no Japanese outside an element marked lang="ja"
   (what it quotes as the program writes it, whatever the screen language).
"""
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

JAPANESE = re.compile('[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]')
LITERAL = re.compile(r'(?:u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"')
# What may open the call a translated literal is the text of, the context
# argument included.
OPENING = re.compile(r'(?:\btr|\bQT_TR_NOOP|\btranslate\(\s*"[^"]*"\s*,|\bQT_TRANSLATE_NOOP\(\s*"[^"]*"\s*,)\s*\(?\s*$')


def without_comments(text):
    """The text with its comments blanked, literals and line numbers kept."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i))
            i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == '\\' else 1
            out.append(text[i:j + 1])
            i = j + 1
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def untranslated_literals(source_dir):
    found = []
    for root, _, files in os.walk(os.path.join(source_dir, 'src')):
        if '/src/cli' in root.replace(os.sep, '/'):
            continue
        for name in sorted(files):
            if not name.endswith(('.cpp', '.h')):
                continue
            path = os.path.join(root, name)
            text = without_comments(open(path, encoding='utf-8').read())
            accepted_end = -1
            for m in LITERAL.finditer(text):
                before = text[:m.start()]
                # A literal that continues an accepted one ("a" "b") is part of it.
                continues = accepted_end >= 0 and not text[accepted_end:m.start()].strip()
                if continues or OPENING.search(before[-200:]):
                    accepted_end = m.end()
                    continue
                accepted_end = -1
                if JAPANESE.search(m.group(1)):
                    line = text.count('\n', 0, m.start()) + 1
                    found.append((os.path.relpath(path, source_dir), line, m.group(0)))
    return found


def allowed(source_dir):
    listed = set()
    with open(os.path.join(source_dir, 'tests', 'untranslated.txt'), encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            if line and not line.startswith('#'):
                path, literal = line.split(' ', 1)
                listed.add((path, literal))
    return listed


class JapaneseOutsideQuotes(html.parser.HTMLParser):
    """Collects Japanese text found outside lang="ja" elements."""
    VOID = {'br', 'hr', 'img', 'meta', 'link', 'input', 'col', 'area', 'base', 'wbr'}

    def __init__(self):
        super().__init__()
        self.stack, self.found = [], []

    def quoted(self):
        return any(lang == 'ja' for _, lang in self.stack)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for name in ('title', 'alt'):
            if JAPANESE.search(attrs.get(name) or '') and not self.quoted():
                self.found.append((self.getpos()[0], attrs[name]))
        if tag not in self.VOID:
            lang = attrs.get('lang')
            self.stack.append((tag, lang.split('-')[0] if lang else None))

    def handle_endtag(self, tag):
        for i in range(len(self.stack) - 1, -1, -1):
            if self.stack[i][0] == tag:
                del self.stack[i:]
                break

    def handle_data(self, data):
        if JAPANESE.search(data) and not self.quoted():
            self.found.append((self.getpos()[0], data.strip()))


def manual_faults(source_dir):
    faults = []
    help_dir = os.path.join(source_dir, 'resources', 'help')
    english_dir = os.path.join(help_dir, 'en')
    for name in sorted(f for f in os.listdir(help_dir) if f.endswith('.html')):
        path = os.path.join(english_dir, name)
        if not os.path.exists(path):
            faults.append(f'resources/help/en/{name} is missing: the English manual lacks a page')
            continue
        parser = JapaneseOutsideQuotes()
        parser.feed(open(path, encoding='utf-8').read())
        faults += [f'resources/help/en/{name}:{line}: "{text[:60]}" is Japanese in the English manual'
                   for line, text in parser.found]
    return faults


def messages(ts_path):
    root = ET.parse(ts_path).getroot()
    for context in root.iter('context'):
        name = context.find('name').text
        for message in context.iter('message'):
            yield name, message.find('source').text, message.find('translation')


def main():
    source_dir, lupdate = sys.argv[1], sys.argv[2]
    failures = 0

    listed = allowed(source_dir)
    for path, line, literal in untranslated_literals(source_dir):
        if (path, literal) not in listed:
            print(f'{path}:{line}: {literal} is shown untranslated: put it in tr() or list it in tests/untranslated.txt')
            failures += 1

    ts = os.path.join(source_dir, 'resources', 'translations', 'zephinet_en.ts')
    translated = unfinished = 0
    for context, source, translation in messages(ts):
        kind = translation.get('type')
        text = ''.join(translation.itertext()).strip()
        if kind in ('unfinished', 'vanished', 'obsolete') or not text:
            print(f'{context}: "{source}" is {kind or "empty"} in the English catalogue')
            unfinished += 1
        else:
            translated += 1
    failures += unfinished

    with tempfile.TemporaryDirectory() as scratch:
        copy = os.path.join(scratch, 'zephinet_en.ts')
        shutil.copy(ts, copy)
        sources = []
        for root, _, files in os.walk(os.path.join(source_dir, 'src')):
            if '/src/cli' not in root.replace(os.sep, '/'):
                sources += [os.path.join(root, f) for f in files if f.endswith(('.cpp', '.h'))]
        subprocess.run([lupdate, '-silent', '-I', os.path.join(source_dir, 'src'), '-locations', 'none',
                        '-no-obsolete', *sorted(sources), '-ts', copy], check=True)
        known = {(c, s) for c, s, _ in messages(ts)}
        for context, source, _ in messages(copy):
            if (context, source) not in known:
                print(f'{context}: "{source}" is not in the English catalogue (update it with lupdate)')
                failures += 1
        for context, source in known - {(c, s) for c, s, _ in messages(copy)}:
            print(f'{context}: "{source}" is in the English catalogue but no longer in the code')
            failures += 1

    for fault in manual_faults(source_dir):
        print(fault)
        failures += 1

    print(f'{translated} translated, {unfinished} unfinished')
    print(f'{0 if failures else 1} passed, {1 if failures else 0} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
