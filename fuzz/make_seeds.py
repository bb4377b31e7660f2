#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target: small real files of each kind, in the encodings and
line ends the programs meet. Run it again after changing it; the seeds are kept in the repository."""
import hashlib
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, "seeds")


def variants(text, name):
    """The same file as 8-bit with LF and CRLF, UTF-8 with its mark, and UTF-16LE with its mark."""
    crlf = text.replace("\n", "\r\n")
    yield f"{name}-lf", text.encode("cp1252", "replace")
    yield f"{name}-crlf", crlf.encode("cp1252", "replace")
    yield f"{name}-utf8bom", b"\xef\xbb\xbf" + text.encode("utf-8")
    yield f"{name}-utf16", b"\xff\xfe" + crlf.encode("utf-16-le")


SRT = """1
00:00:01,000 --> 00:00:04,500
Hello
World

2
00:00:05,000 --> 00:00:06,000 X1:100
3 days later

  7
00:00:07,000 --> 00:00:08,000

8
00:00:09,000 --> 00:00:08,500
Caf\u00e9 <i>end</i>

9
ab:cd:ef,ghi --> 00:00:11,000
unreadable start

00:00:12,000 --> 00:00:13,000
no index line
"""

MICRODVD = """{1}{1}23.976
{100}{250}Hello|World
{300}{400}{y:i}Styled
{500}{600}
{700}
{800}{900}Caf\u00e9
"""

SAMI = """<SAMI>
<HEAD>
  <TITLE>Sample</TITLE>
<STYLE TYPE="text/css"><!-- P { margin-left: 8pt; } --></STYLE>
</HEAD>
<BODY>
<SYNC Start=1000><P Class=ENCC>
Hello
<b>there</b>
<SYNC Start=3000><P Class=ENCC>&nbsp;
<SYNC Start=4000><P Class=ENCC>
Bye
<sync start=5000>
<SYNC Start=6000><P Class=ENCC>On the sync line
<SYNC Start=7000><P Class=ENCC>
&nbsp;
<SYNC Start=8000>
</BODY>
</SAMI>
"""

SUBVIEWER = """[INFORMATION]
[TITLE]Sample
[AUTHOR]
[END INFORMATION]
[SUBTITLE]
00:00:01.00,00:00:04.50
Hello
World

00:00:05.00,00:00:06.00
Second
12
"""

SUBVIEWER2 = """[INFORMATION]
[TITLE]Sample
[END INFORMATION]
[SUBTITLE]
[COLF]&HFFFFFF,[STYLE]bd,[SIZE]18,[FONT]Arial
00:00:01.00,00:00:04.50
Hello[br]World

00:00:05.00,00:00:06.00
One[BR]Two[br]Three
"""

READERS = {
    "fuzz_reader_srt": SRT,
    "fuzz_reader_microdvd": MICRODVD,
    "fuzz_reader_sami": SAMI,
    "fuzz_reader_subviewer": SUBVIEWER,
    "fuzz_reader_subviewer2": SUBVIEWER2,
}


def text_file_seeds():
    yield "ascii-crlf", b"a\r\nb\r\r\nc\rd\n\nlast"
    yield "shift-jis", "\u65e5\u672c\u8a9e\n\u30c6\u30b9\u30c8\r\n".encode("cp932")
    yield "euc-jp", "\u65e5\u672c\u8a9e\n\u30c6\u30b9\u30c8\n".encode("euc_jp") + b"\xa1\x8f\xef\n\xe0"
    yield "gbk", "\u4e2d\u6587\n\u5b57\u5e55\r\n".encode("gbk") + b"a\x81\nb"
    yield "big5", "\u4e2d\u6587\n".encode("big5")
    yield "korean", "\ud55c\uad6d\uc5b4\n".encode("cp949")
    yield "iso-2022-jp", "\u65e5\u672c\nabc\n".encode("iso2022_jp")
    yield "hz", "\u4e2d\u6587\nabc~~\n".encode("hz")
    yield "utf-7", "Hi \u00e9\u4e2d\n+-\n".encode("utf-7")
    yield "utf-8", "caf\u00e9\n\u4e2d\n".encode("utf-8")
    yield "utf-8-bom", b"\xef\xbb\xbfcaf\xc3\xa9\n"
    yield "utf-16", b"\xff\xfe" + "a\r\n\u4e2d\nb".encode("utf-16-le") + b"x"
    yield "cyrillic", "\u041f\u0440\u0438\u0432\u0435\u0442\n".encode("cp1251")
    yield "koi8-r", "\u041f\u0440\u0438\u0432\u0435\u0442\n".encode("koi8_r")
    yield "greek", "\u0393\u03b5\u03b9\u03b1\n".encode("iso8859_7")
    yield "thai", "\u0e2a\u0e27\u0e31\u0e2a\u0e14\u0e35\n".encode("cp874")


PLAYER_MARKUP = """1
00:00:01,000 --> 00:00:02,000
<i>Hello</i> <b><u>there</u></b> <font color="#ff0">yes</font> &amp; &#233; <br/>a < b
{\\i1}ass{\\i0}\\Nnext {y:i}dvd {c:$0000FF}blue <c.yellow><v Bob>vtt</v></c> <00:00:01.500>

"""

PLAYER = """1
00:00:01,000 --> 00:00:04,500
Hello

  2
00:00:05,000 --> 00:00:06,000
World
Second line

3
00:00: 1, 45 --> 00:00:02,4 5
spaces in times

4
00:01
broken time line

5
00:00:09,000 --> 00:00:10,000
last without a blank line"""


RECORD_SIZE = 9252


def record(original, translated, flag=1):
    r = bytearray(RECORD_SIZE)
    struct.pack_into("<i", r, 4, flag)
    o = original.encode("utf-16-le")
    t = translated.encode("utf-16-le")
    r[8:8 + len(o)] = o
    r[2060:2060 + len(t)] = t
    return bytes(r)


def dictionary_seeds():
    yield "empty", b""
    yield "two", record("hello", "hallo") + record("\u4e2d\u6587", "Chinese")
    yield "unlisted-and-tail", record("a", "b") + record("gone", "weg", 0) + record("half", "halb")[:100]
    full = record("x" * 1024, "y" * 1024)  # no terminator in either field
    yield "unterminated", full


def translate_answer_seeds():
    """Answers as the service gives them, each after two bytes that choose the batch's line count
    and format (see the target)."""
    answers = {
        "example": '[[["Bonjour|\\n","Hello|\\n",null,null,1],["le monde","world",null,null,1]],null,"en"]',
        "entities": '[[["Tom &amp; Jerry &#x27;&lt;i&gt;x&lt;/ i&gt;&#128512;","Tom",null,null,1]],null,"en"]',
        "escapes": '[[["\\"quoted\\" \\\\ caf\\u00e9 \\r\\n","x",null,null,1],["a\\",\\"b","y"]],null,"en"]',
        "three-lines": '[[["Un\\r\\nDeux\\r\\nTrois","One\\r\\nTwo\\r\\nThree",null,null,1]],null,"en"]',
        "no-answer": "<html><body>500 Internal Server Error</body></html>",
        "empty": "",
    }
    for name, text in answers.items():
        yield name, bytes([2, 0]) + text.encode("utf-8")


def engine_answer_seeds():
    """Answers as each engine gives them, after a byte that chooses the engine (0 Apertium,
    1 LibreTranslate, 2 OpenAI-compatible chat, 3 DeepL) and one that chooses the line count."""
    answers = [
        ("apertium", 0, '{"responseData": {"translatedText": "Hola \u27e61\u27e7\nAdi\u00f3s"}, "responseStatus": 200}'),
        ("libre", 1, '{"translatedText": ["Bonjour \u27e61\u27e7", "Au revoir"]}'),
        ("chat", 2, '{"choices": [{"message": {"content": "```json\n[{\"n\": 2, \"text\": \"B\"}, '
                    '{\"n\": 1, \"text\": \"A\"}]\n```"}, "finish_reason": "stop"}]}'),
        ("deepl", 3, '{"translations": [{"text": "Hallo"}, {"text": "Tsch\u00fcss \u27e62 \u27e7"}]}'),
        ("chat-cut", 2, '{"choices": [{"message": {"content": "[{\"n\": 1"}, "finish_reason": "length"}]}'),
    ]
    for name, engine, text in answers:
        yield name, bytes([engine, 1]) + text.encode("utf-8")


def convert_seeds():
    """Texts in some of the converter's encodings, each after three bytes: the source and target
    rows of the table and where the text is cut in two."""
    yield "ascii", bytes([0, 5, 3]) + b"Hello, world\r\n"
    yield "gb2312", bytes([7, 30, 4]) + "\u4e2d\u6587\u5b57\u5e55\n".encode("gb2312")
    yield "cp1251", bytes([12, 30, 2]) + "\u041f\u0440\u0438\u0432\u0435\u0442\n".encode("cp1251")
    yield "hz", bytes([9, 30, 5]) + "\u4e2d\u6587 abc\n".encode("hz")
    yield "utf-16", bytes([31, 7, 1]) + "\ufeffa\u4e2d".encode("utf-16-le")
    yield "mac", bytes([20, 30, 1]) + bytes(range(0x80, 0x100))
    # Vietnamese with its accents after the letters, read into one character each.
    yield "cp1258", bytes([42, 31, 6]) + b"Xin ch\xe0o th\xea\xec gi\xf5\xeci\n"
    # Stray bytes among Big5: the lead goes, the letter after it stays.
    yield "big5-stray", bytes([2, 31, 3]) + "\u4e2d\u6587".encode("big5") + b"\x81@\x92s\x80\n"
    yield "shift-jis", bytes([7, 33, 5]) + "\u3048\u3048\u301c\u3063\u3068 \uff8a\uff9d\n".encode("shift_jis")
    yield "gb18030", bytes([36, 34, 2]) + "\u4e2d\u6587 \ufe10 \U0001f600\n".encode("gb18030")
    yield "utf8-bom", bytes([32, 42, 4]) + b"\xef\xbb\xbf" + "th\u1ebf gi\u1edbi \u20ac".encode("utf-8")


def schedule_seeds():
    """mini's study schedules: a sound one, one with damaged lines, and files that are not one."""
    header = b"mini schedule 1\n# direction\tdue\tinterval\tease\tstreak\tlapses\tfirst studied\toriginal\ttranslation\n"
    lines = [
        "f\t2024-05-11\t1\t2500\t1\t0\t2024-05-10\tHello there.\tBonjour.\n",
        "r\t2024-06-01\t15\t2650\t3\t1\t2024-04-02\tTab\\there, \\\\ and \\n\t\u4e2d\u6587 \\ud800\n",
    ]
    sound = header + "".join(lines).encode("utf-8")
    yield "sound", sound
    yield "crlf-bom", b"\xef\xbb\xbf" + sound.replace(b"\n", b"\r\n")
    yield "damaged", sound + b"f\t2024-02-30\t1\t99\tx\n" + b"r\t2024-05-11\t1\t2500\t1\t0\t2024-05-10\ta\\q\tb\n" + b"f\t2024-05-11\t1\t2500\t1\t0\t2024-05-10\t\xc3(\tb"
    yield "newer", b"mini schedule 2\n" + "".join(lines).encode("utf-8")
    yield "foreign", b"<?xml version=\"1.0\"?>\n<schedule/>\n"
    yield "empty", b""


def my_words_seeds():
    """The user's word list: UTF-8 words a line, with the marks, line ends and damage files get."""
    words = "velmora\nTrelline\nl\u2019homme\n\u5b57\u5e55\ne\u0301t\u00e9\n"
    yield "plain", words.encode("utf-8")
    yield "bom-crlf", b"\xef\xbb\xbf" + words.replace("\n", "\r\n").encode("utf-8")
    yield "no-last-line-end", b"velmora\nTrelline"
    yield "damaged", b"velmora\n\xff\xfe broken\n  spaced  \ntwo words\nvelmora\n\xc3\n" + b"x" * 120 + b"\n"
    yield "empty", b""


def recovery_string(text):
    data = text.encode("utf-16-le", "surrogatepass")
    return struct.pack("<I", len(data) // 2) + data


def recovery_content(format_mode, lists, rows, files=("", ""), unsaved=(0, 0), code_pages=(0, 0)):
    """The content of velmora's recovery file: times, settings, file names, the six lists, the rows."""
    out = struct.pack("<qiIIBB", 1733580000123, format_mode, code_pages[0], code_pages[1], *unsaved)
    out += recovery_string(files[0]) + recovery_string(files[1])
    for items in lists:
        out += struct.pack("<I", len(items)) + b"".join(recovery_string(t) for t in items)
    out += struct.pack("<I", len(rows))
    for number, show, hide, original, translated in rows:
        out += struct.pack("<Bd", 1, number) if number is not None else b"\0"
        out += b"".join(recovery_string(t) for t in (show, hide, original, translated))
    return out


def recovery_file(content):
    return b"velmora recovery\n" + struct.pack("<II", 1, len(content)) + hashlib.sha256(content).digest() + content


def recovery_seeds():
    """Whole files and bare contents: the target reads each input both ways."""
    srt = recovery_content(
        1,
        [[], ["00:00:01,000 --> 00:00:02,000"], ["00:00:01,500 --> 00:00:02,000", " --> "], ["Hello|\nWorld", ""],
         ["00:00:01,000 --> 00:00:02,000"], ["Bonjour", "typed", "beyond"]],
        [(1, "00:00:01,500", "00:00:02,000", "Hello|\nWorld", "Bonjour"), (2, "", "", "", "typed"),
         (None, "", "", "", "beyond")],
        files=("/films/film.en.srt", "/films/film.fr.srt"), unsaved=(4, 6), code_pages=(1252, 65001))
    sami = recovery_content(
        3, [["<SAMI>", "<BODY>"], ["<SYNC Start=1000>"], ["<SYNC Start=1000>"], ["\u041f\u0440\u0438\u0432\u0435\u0442\ud800"],
            [], ["Hi"]],
        [(1, "1000", "", "\u041f\u0440\u0438\u0432\u0435\u0442\ud800", "Hi")], files=("/films/a.smi", ""),
        unsaved=(1, 0), code_pages=(1251, 0))
    empty = recovery_content(1, [[], [], [], [], [], []], [])
    yield "srt-both-sides", recovery_file(srt)
    yield "sami-header", recovery_file(sami)
    yield "empty-document", recovery_file(empty)
    damaged = bytearray(recovery_file(srt))
    damaged[-5] ^= 0x40
    yield "damaged", bytes(damaged)
    yield "content-srt", srt
    yield "content-sami", sami
TMX = """<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE tmx SYSTEM "tmx14.dtd">
<tmx version="1.4">
<header creationtool="velmora" creationtoolversion="1" segtype="sentence" o-tmf="velmora" adminlang="en"
        srclang="en-US" datatype="plaintext"><prop type="x-note">header</prop></header>
<body>
<tu creationdate="20261207T120000Z"><prop type="x-velmora-origin">e01.srt</prop>
<prop type="x-velmora-by-hand">no</prop><prop type="x-velmora-engine">DeepL</prop>
<tuv xml:lang="en"><seg><bpt i="1">&lt;i&gt;</bpt>The last train<ept i="1">&lt;/i&gt;</ept>
leaves at nine.</seg></tuv>
<tuv xml:lang="fr-FR"><seg>Le dernier train part \u00e0 neuf heures.</seg></tuv>
<tuv lang="zh-Hant"><seg>\u672b\u73ed\u8eca<ph>{\\an8}</ph><it pos="begin">&lt;b&gt;</it><hi>\u4e5d\u9ede</hi></seg></tuv>
</tu>
<tu srclang="*all*"><tuv xml:lang="he"><seg>\u05e9\u05dc\u05d5\u05dd</seg></tuv><tuv xml:lang="ru"><seg>\u041c\u0438\u0440</seg></tuv></tu>
<tu><tuv xml:lang="de"><seg>Nur Deutsch</seg></tuv></tu>
</body>
</tmx>
"""


def tmx_seeds():
    """A TMX as velmora and other tools write it, in UTF-8 and UTF-16, and broken ones."""
    yield "sample-utf8", TMX.encode("utf-8")
    yield "sample-utf16", b"\xff\xfe" + TMX.replace('encoding="UTF-8"', 'encoding="UTF-16"').encode("utf-16-le")
    yield "cut-short", TMX.encode("utf-8")[:700]
    yield "not-tmx", b"<?xml version=\"1.0\"?>\n<xliff version=\"1.2\"><file/></xliff>\n"
    yield "entities", b"<tmx><body><tu><tuv xml:lang='en'><seg>&amp;&#233;&#x1F600;&lt;br&gt;</seg></tuv>" \
        b"<tuv xml:lang='fr'><seg>a&#13;b\r\nc|\nd</seg></tuv></tu></body></tmx>"


def glossary_seeds():
    """Term lists as spreadsheets save them: CSV, semicolons, TSV in UTF-16, quotes and broken ones."""
    csv = 'Term,Translation,Note\n"New York, NY",New York,"city\nnot state"\n"say ""hi""",dis salut\r\nlonely,\n'
    yield "csv", csv.encode("utf-8")
    yield "semicolons-bom", b"\xef\xbb\xbfordinateur;computer;;\n\naujourd\xe2\x80\x99hui;today\n"
    yield "tsv-utf16", b"\xff\xfe" + "\u041c\u043e\u0441\u043a\u0432\u0430\tMoscow\tcapital\n\u5317\u4eac\tBeijing\n" \
        "<i>caf\u00e9</i>\tcoffee\n".encode("utf-16-le")
    yield "unclosed-quote", b'term,translation\nfoo,bar\n"open,x\nmore\n'
    yield "latin1", b"caf\xe9,coffee\n"


def write(target, name, data):
    folder = os.path.join(SEEDS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    if os.path.isdir(SEEDS):
        shutil.rmtree(SEEDS)
    for target, text in READERS.items():
        for name, data in variants(text, "sample"):
            write(target, name, data)
        # Old Mac line ends, and UTF-8 whose first bytes are text rather than a mark.
        write(target, "sample-cr", text.replace("\n", "\r").encode("cp1252", "replace"))
        write(target, "sample-utf8", text.encode("utf-8"))
        # A line of 1023 characters stops a load as an invalid file.
        write(target, "long-line", text.encode("cp1252", "replace") + b"x" * 1023 + b"\n")
    for name, data in text_file_seeds():
        write("fuzz_text_file", name, data)
    for name, data in variants(PLAYER, "sample"):
        write("fuzz_player_lines", name, data)
    # Old Mac line ends, UTF-8 without a mark, and UTF-16BE.
    write("fuzz_player_lines", "sample-cr", PLAYER.replace("\n", "\r").encode("cp1252", "replace"))
    write("fuzz_player_lines", "sample-utf8", (PLAYER + "Caf\u00e9\n").encode("utf-8"))
    write("fuzz_player_lines", "sample-utf16be", b"\xfe\xff" + PLAYER.encode("utf-16-be"))
    write("fuzz_player_lines", "long-line", b"1\n" + b"x" * 1100 + b"\n")
    # The other formats, which the player reads through velmora's readers, and markup of each kind.
    for name, text in (("microdvd", MICRODVD), ("sami", SAMI), ("subviewer", SUBVIEWER2)):
        write("fuzz_player_lines", name, text.encode("cp1252", "replace"))
    write("fuzz_player_lines", "markup", PLAYER_MARKUP.encode("utf-8"))
    for name, data in dictionary_seeds():
        write("fuzz_dictionary", name, data)
    for name, data in translate_answer_seeds():
        write("fuzz_translate_answer", name, data)
    for name, data in engine_answer_seeds():
        write("fuzz_engine_answers", name, data)
    for name, data in convert_seeds():
        write("fuzz_convert", name, data)
    for name, data in recovery_seeds():
        write("fuzz_recovery", name, data)
    for name, data in schedule_seeds():
        write("fuzz_mini_schedule", name, data)
    for name, data in my_words_seeds():
        write("fuzz_my_words", name, data)
    for name, data in tmx_seeds():
        write("fuzz_tmx", name, data)
    for name, data in glossary_seeds():
        write("fuzz_glossary", name, data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
