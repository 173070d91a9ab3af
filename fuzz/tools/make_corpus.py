#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/. Run it again after changing an input format;
the seeds are small files checked into the repository."""
import os
import random
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
REPO = os.path.dirname(ROOT)

# The alphabet of InputReader::character in fuzz_support.h, in the same order.
ALPHABET = ['a', 'B', '_', '1', ' ', '\t', '\r', '\n', '"', "'", '(', ')', '[', ']', '{', '}',
            '.', ';', 'x', '\u0434', '\u0414', '\u2028', '\u00a0', '\u4e2d', '\0']


def char(c):
    if c in ALPHABET:
        return bytes([ALPHABET.index(c)])
    return bytes([0xF0]) + struct.pack('<H', ord(c))


def chars(text):
    return b''.join(char(c) for c in text)


def sized_text(text, max_units):
    # InputReader::text: a length below max_units + 1, then the characters.
    return struct.pack('<H', len(text) % (max_units + 1)) + chars(text)


def write(target, name, data):
    folder = os.path.join(ROOT, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def read(path):
    with open(os.path.join(REPO, path), 'rb') as f:
        return f.read()


sample = read('tests/highlight/data/sample.qpl')
library = read('data/library.txt')
func = read('data/func.txt')
cyrillic = 'Описание портфеля'

# Text files: every encoding, every break style, and the refused cases.
text_files = {
    'empty': b'',
    'ansi_crlf': cyrillic.encode('cp1251') + b'\r\nPROGRAM\r\nEND_PROGRAM\r\n',
    'ansi_lf': b'a\nb\n',
    'ansi_cr': b'a\rb',
    'ansi_mixed': b'a\r\nb\nc\rd\n\re',
    'ansi_0x98': b'\x98\x80\xff',
    'utf8': b'\xef\xbb\xbf' + (cyrillic + '\r\n\u2028x').encode('utf-8'),
    'utf8_second_mark': b'\xef\xbb\xbf\xef\xbb\xbfa',
    'utf8_invalid': b'\xef\xbb\xbfa\xc3',
    'utf8_surrogate': b'\xef\xbb\xbf\xed\xa0\x80',
    'utf16le': b'\xff\xfe' + 'a\u2028b\r\nc'.encode('utf-16-le'),
    'utf16be': b'\xfe\xff' + 'a\nb'.encode('utf-16-be'),
    'utf16le_lone_surrogate': b'\xff\xfe\x00\xd8a\x00',
    'utf16_odd': b'\xff\xfea',
    'utf8_no_mark': (cyrillic + '\r\n\U0001F600 x').encode('utf-8'),
    'utf8_no_mark_broken': 'a\u0434'.encode('utf-8') + b'\xcf\xf0',
    'sample': sample,
}
for name, data in text_files.items():
    write('fuzz_text_file', name, data)

# Scanner: start state, display-form flag, then the line.
scanner_lines = [l for l in sample.decode('utf-8').replace('\r', '').split('\n') if l]
scanner_lines += ['x = \'total', 's = "a\'b" \' c', '"open', 'IF x THEN', '\t  \u00a0',
                  'a\0b', '\u4e2d"\u4e2d"\'\u0434', 'end_portfolio_ex', '\r\nx', "'"]
for i, line in enumerate(scanner_lines):
    write('fuzz_qpile_scanner', 'line%02d' % i, bytes([i % 3, i % 2]) + chars(line))
write('fuzz_qpile_scanner', 'comment_state_at_break', bytes([1, 0]) + chars('\r\n'))

# Library files: the shipped one, and small trees that stop or nest.
write('fuzz_library_file', 'library', library)
write('fuzz_library_file', 'nested', b'root\r\n group\r\n  f(x)\r\n\tg\r\n other')
write('fuzz_library_file', 'too_deep', b'root\n a\n   b\n')
write('fuzz_library_file', 'first_indented', b'   root\n a\n')
write('fuzz_library_file', 'utf16', b'\xff\xfe' + 'r\n f\u2028'.encode('utf-16-le'))

# Word files: caret choice, then the file.
write('fuzz_word_file', 'func', b'\x07' + func)
write('fuzz_word_file', 'breaks', b'\x03' + b'GET_PARAM\r\nget_param_ex\n\nMESS.AGE\r\rx\x00tail')
write('fuzz_word_file', 'utf8', b'\x01' + b'\xef\xbb\xbf' + 'ДАТА\r\nдата_1\n'.encode('utf-8'))

# Settings files (the Linux native format).
settings = {
    'all_six': b'[General]\nWindowHeight=500\nWindowWidth=800\nWindowTop=10\nWindowLeft=-20\n'
               b'WindowState=2\nWindowPanelWidth=0\n',
    'wrong_types': b'[General]\nWindowHeight=abc\nWindowWidth=@Variant(\\0\\0\\0\\x7f)\n'
                   b'WindowTop=2147483648\nWindowLeft= 7 \nWindowState=1\n',
    'extremes': b'[General]\nWindowHeight=-2147483648\nWindowWidth=2147483647\n'
                b'WindowPanelWidth=16777216\nWindowState=-1\n',
    'quoted_and_list': b'[General]\nWindowHeight="300"\nWindowWidth=1, 2\nWindowTop=\n',
    'other_section': b'[Other]\nWindowHeight=5\n[General]\nWindowLeft=0x10\n',
}
for name, data in settings.items():
    write('fuzz_window_settings', name, data)

# Edit model: tab width, window size, start text, clipboard, then steps.
def steps(*parts):
    return b''.join(parts)


def command(index):
    return bytes([index])  # below 100: the index into kCommands


def typed(text):
    return b''.join(bytes([100]) + char(c) for c in text)


head = bytes([3, 0, 5, 0, 20, 0])
write('fuzz_edit_model', 'type_and_break',
      head + sized_text('PROGRAM\r\nEND', 120) + sized_text('x\r\ny', 40) +
      steps(typed('if a = "b\''), command(48), typed('\tend'), command(42), command(50)))
write('fuzz_edit_model', 'column_paste',
      head + sized_text('abc\r\n\tdef\r\nghi', 120) + sized_text('12\r\n34', 40) +
      steps(command(34), command(17), command(17), command(15), command(29), command(53),
            command(53), command(51)))
write('fuzz_edit_model', 'indent_blocks',
      head + sized_text('a\r\n b\r\n  c', 120) + sized_text('', 40) +
      steps(command(28), command(54), command(54), command(55), command(57), command(50),
            command(51), command(52)))
rng = random.Random(18)
for i in range(6):
    write('fuzz_edit_model', 'random%d' % i, bytes(rng.randrange(256) for _ in range(300)))


# Recovery files: the header of each encoding and break style, both bodies, and broken ones.
def recovery(name='c%3A%2Fa.qpl', encoding='windows-1251', breaks='crlf', body='utf-8',
             lines=None, text='PROGRAM\nEND_PROGRAM'):
    data = text.encode('utf-16-le' if body == 'utf-16le' else 'utf-8', 'surrogatepass')
    count = lines if lines is not None else (text.count('\n') + 1 if text else 0)
    header = ('Brindlepad recovery 1\nname=%s\nencoding=%s\nbreaks=%s\nbody=%s\n'
              'time=1700000000000\nlines=%d\n\n' % (name, encoding, breaks, body, count))
    return header.encode('ascii') + data


recoveries = {
    'plain': recovery(),
    'utf8_lf': recovery(encoding='utf-8', breaks='lf', text=cyrillic + '\n\n\u2028'),
    'utf16_body': recovery(encoding='utf-16le', breaks='u2028', body='utf-16le',
                           text='a\ud800\nb'),
    'untitled_empty': recovery(name='', breaks='cr', text='', lines=0),
    'one_empty_line': recovery(text='', lines=1),
    'count_mismatch': recovery(lines=5),
    'bad_field': recovery(encoding='koi8-r'),
    'no_header_end': b'Brindlepad recovery 1\nname=a\n',
}
for name, data in recoveries.items():
    write('fuzz_recovery_file', name, data)

# Update manifests: the real shape, and the answers a server gives instead.
manifests = {
    'plain': b'<?xml version="1.0"?>\n<Brindlepad><Program_Info><Program_Version>1.3.2'
             b'</Program_Version></Program_Info></Brindlepad>\n',
    'extra': b'<r a="1"><Program_Info x="y"><Other/>t<Program_Version>2015 build 7'
             b'</Program_Version><Program_Version>9</Program_Version></Program_Info></r>',
    'references': b'<r><Program_Info><Program_Version>&#49;.&#x32;<![CDATA[.3]]><!-- c -->'
                  b'</Program_Version></Program_Info></r>',
    'no_version': b'<r><Program_Info/></r>',
    'too_large': b'<r><Program_Info><Program_Version>1.2147483648</Program_Version>'
                 b'</Program_Info></r>',
    'doctype': b'<!DOCTYPE r [<!ENTITY e "x">]><r><Program_Info><Program_Version>&e;'
               b'</Program_Version></Program_Info></r>',
    'html': b'<html><body>moved</body></html>',
}
for name, data in manifests.items():
    write('fuzz_update_manifest', name, data)

# Language references: the shipped one cut down to a few of each part (the fuzzer reads at
# most 4096 bytes of an input), and a few that are refused.
import json
shipped = json.loads(read('data/reference.json'))


def small_reference(functions, blocks, tables, pitfalls):
    cut = dict(shipped)
    cut['functions'] = [shipped['functions'][i] for i in functions]
    cut['blocks'] = [shipped['blocks'][i] for i in blocks]
    cut['tables'] = [shipped['tables'][i] for i in tables]
    cut['pitfalls'] = [shipped['pitfalls'][i] for i in pitfalls]
    for key in ('keywords', 'operators', 'param_names', 'unconfirmed_names'):
        cut.pop(key, None)
    return json.dumps(cut, ensure_ascii=False, separators=(',', ':')).encode('utf-8')


def trimmed(reference):
    # Long notes cut short, so the seed fits the fuzzer's input size.
    def cut(value):
        if isinstance(value, str):
            return value[:16]
        if isinstance(value, list):
            return [cut(v) for v in value[:2]]
        if isinstance(value, dict):
            return {k: cut(v) for k, v in value.items()}
        return value
    return json.dumps(cut(json.loads(reference)), ensure_ascii=False,
                      separators=(',', ':')).encode('utf-8')


names = [f['name'] for f in shipped['functions']]
write('fuzz_qpile_reference', 'two_functions',
      trimmed(small_reference([names.index('SET_VALUE'), names.index('MESSAGE')],
                              range(4), [0], [0])))
write('fuzz_qpile_reference', 'get_item',
      trimmed(small_reference([names.index('GET_ITEM')], [0], range(2), [])))
write('fuzz_qpile_reference', 'not_json', b'{"version": 1, "functions": [')
write('fuzz_qpile_reference', 'not_object', b'[1, 2]')
write('fuzz_qpile_reference', 'missing_parts', b'{"version": 1, "functions": []}')

# Incremental check: pieces of lines, then edits and partial runs (see the target).
write('fuzz_incremental_check', 'blocks',
      bytes([6, 0]) + bytes([3, 11, 0]) + bytes([3, 7, 0]) + bytes([2, 0, 25]) +
      bytes([2, 1, 0]) + bytes([3, 8, 0]) + bytes([3, 12, 0]) + bytes([1, 37, 0]) +
      bytes([7, 0, 4, 0, 0, 6, 3, 0, 7, 0, 0, 0, 30, 0, 6, 5, 0, 1, 0, 1, 14, 4, 1, 0, 0, 7]))
rng = random.Random(27)
for i in range(6):
    write('fuzz_incremental_check', 'random%d' % i, bytes(rng.randrange(256) for _ in range(400)))
