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
