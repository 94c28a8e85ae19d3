#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<target>/: small valid examples of
each input kind, so that the fuzzers start from the formats instead of from nothing. Run it
again after changing a format; findings are added to the same folders by scripts/fuzz."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def archive_string(text, unicode=False):
    if unicode:
        raw = text.encode("utf-16-le")
        return b"\xff\xfe\xff" + bytes([len(text)]) + raw
    raw = text.encode("cp1252")
    return bytes([len(raw)]) + raw


def macro_file(magic, name, mode, code, unicode=False):
    out = archive_string(magic, unicode)
    if magic.endswith("6.2_"):
        out += archive_string("", unicode)
    out += struct.pack("<q", 1733700000) + archive_string(name, unicode)
    out += struct.pack("<ii", mode, len(code)) + bytes(code)
    return out


KEY_A = [0x83, 0x04, 0x88, 0x20, 0x84, 0x04, 0x88, 0x20]
put("macro_file", "v62_keys", macro_file("_@_MF6.2_", "Copy", 8, KEY_A))
put("macro_file", "v61_loop", macro_file("_@_MF6.1_", "Loop", 9, [0x18, 0x05, 0x00, 0x21, 0x89, 0xE8, 0x03, 0x41, 0x10, 0x00, 0x00]))
put("macro_file", "v62_unicode", macro_file("_@_MF6.2_", "Zoom \u00e9", 10, [0x80, 0x05, 0xFB, 0x60, 0x01, 0xC0, 0x10, 0x00, 0x20, 0x00], True))
put("macro_file", "v62_empty", macro_file("_@_MF6.2_", "", 8, []))

put("backup_file", "small", archive_string("_@_BF6_", True) + struct.pack("<I", 64) + bytes([0x12] + list(range(63))))
put("backup_file", "empty", archive_string("_@_BF6_", True) + struct.pack("<I", 0))


def hex_record(kind, address, data):
    rec = [len(data), address >> 8, address & 0xFF, kind] + list(data)
    rec.append((0x100 - sum(rec) % 256) % 256)
    return ":" + "".join("%02X" % b for b in rec) + "\n"


put("intel_hex", "plain", hex_record(0, 0, range(16)) + hex_record(0, 16, range(16, 32)) + hex_record(1, 0, []))
put("intel_hex", "segments", hex_record(2, 0, [0x10, 0x00]) + hex_record(0, 0x20, [1, 2, 3]) +
    hex_record(4, 0, [0x00, 0x00]) + hex_record(5, 0, [0, 0, 0, 0]) + hex_record(1, 0, []))
put("intel_hex", "crlf_blanks", "  " + hex_record(0, 0x100, [0xAA] * 8).replace("\n", "\r\n") + "comment\r\n" + hex_record(1, 0, []))

INI = "[General]\r\nLanguage=1033\r\nName=Halvric\r\n\r\n[Links]\r\ngame.exe=2\r\n; comment\r\nempty=\r\n"
put("profile_file", "utf8_crlf", INI)
put("profile_file", "utf8_bom", "\ufeff" + INI.replace("\r\n", "\n"))
put("profile_file", "utf16", b"\xff\xfe" + INI.encode("utf-16-le"))

LANG = ("[1033]\ntype_str1=Left button\nmsg_str3=Delete macro \"%s\" ?\nbutton_str0=DPI %d\n"
        "drag_tip_str0=first\\nsecond\n[MISC]\nEnableColor=1\n")
put("language_texts", "english", LANG)
put("language_texts", "formats", "[1033]\ntype_str2=%s %d %x %u %% %04d %-5s\nmacro_str1=%999999999d\n")
put("language_texts", "utf16", b"\xff\xfe" + LANG.encode("utf-16-le"))

put("mouse_instructions", "named_keys", b"Copy".ljust(20, b"\0") + bytes(KEY_A + [0x00]))
put("mouse_instructions", "all_ops", b"\xc3\xa9t\xc3\xa9".ljust(20, b"\0") + bytes(
    [0x08, 0x02, 0x00, 0x10, 0x00, 0x00, 0x18, 0x03, 0x00, 0x21, 0x41, 0x61, 0x80, 0x01, 0xFF,
     0x85, 0xE9, 0x00, 0x88, 0x10, 0x89, 0x00, 0x10, 0xA0, 0x00, 0x01, 0x00, 0x01, 0xC0, 0xFF, 0xFF, 0x01, 0x00, 0x00]))


def report(body, length):
    r = list(body) + [0] * (length - len(body))
    # Tag at n-2 and an XOR that makes bytes 1..n-1 check.
    return r


def tagged(kind, fields, length=16, tag=0x5A):
    r = [0x01, kind] + list(fields)
    r += [0] * (length - 2 - len(r))
    r.append(tag)
    x = 0
    for b in r[1:]:
        x ^= b
    r.append(x)
    return bytes(r)


status = tagged(12, [0x02, 0x10, 0x10, 0x01, 0x01, 0, 0, 0, 0, 0, 0])
host = tagged(13, [0x01])
movement = bytes([0x0B, 0x0B, 0x01, 0x00, 0x05, 0x00, 0xFB, 0xFF, 0x00, 0x02] + [0] * 6)
put("input_reports", "stream", b"".join(bytes([len(r)]) + r for r in [status, host, movement, status[:9]]))

MOUSE_DESCRIPTOR = bytes([
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01,
    0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x03,
    0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x16, 0x01, 0x80, 0x26, 0xFF, 0x7F, 0x75, 0x10,
    0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0,
    0x06, 0x18, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x3F, 0x09, 0x01, 0xB1, 0x02, 0xC0,
    0x06, 0x23, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x05, 0x75, 0x08, 0x95, 0x0F, 0x09, 0x01, 0x81, 0x02, 0xC0])
put("report_descriptor", "mouse_and_vendor", MOUSE_DESCRIPTOR)
put("report_descriptor", "long_item", bytes([0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xC0]))

put("desktop_entry", "game", b"\x00[Desktop Entry]\nType=Application\nName=Big Game\nName[de]=Gro\xc3\x9fes Spiel\nExec=env WINEPREFIX=/x wine \"C:\\\\Games\\\\game.exe\" %U\n")
put("desktop_entry", "plain", b"\x01[Desktop Entry]\nName=Game\nExec=game --fullscreen\nHidden=false\n")

put("command_line", "options", b"halvric\0--hide\0/langid=1031\0--simulate=level0,level11\0--sim-state\0/tmp/s.json\0/GENPIN\0")
put("command_line", "wine", b"wine64-preloader\0C:\\Games\\Game.EXE\0-windowed\0")

put("sim_state", "minimal", '{"models":["level11"],"mice":[{}]}')
put("sim_state", "wrong", '{"models":"level0","mice":[1,2,3]}')

put("text_formats", "mixed", "Macro %s: %d keys, %04x %% %-8s %.2u")
put("text_formats", "plain", "Left button")


def identification(long_reports, s199, s198, answers):
    out = bytes([1 if long_reports else 0])
    out += bytes([len(s199)]) + bytes(s199) + bytes([len(s198)]) + bytes(s198)
    return out + b"".join(bytes(a) for a in answers)


# A short-report mouse of generation 30: its class in string 198, then the first information
# answer, the status answer and sixteen information entries.
SHORT_199 = [1, 0, ord("A"), ord("R"), ord("G"), 30, 18, 1] + [0] * 24
SHORT_198 = [4, 11, 2] + [0] * 13
SHORT_ANSWERS = [[0x42, 3, 0x11, 0x22, 0x33, 5, 6, 0]] * 2 + [[0x40, 0, 0, 0, 0, 18, 0x15, 64]] * 2
SHORT_ANSWERS += [[0x42, i, 0x10, i, 0, 0, 0, 0] for i in range(16) for _ in range(2)]
put("identification", "short", identification(False, SHORT_199, SHORT_198, SHORT_ANSWERS))
# A long-report mouse of level 11 with lighting; its identity record follows the wake-up.
LONG_199 = [1, 0, ord("A"), ord("G"), 11, 40, 18, 9, 11, 1, 64, 3] + [0] * 9 + [1] + [0] * 10
LONG_198 = list("Mouse".encode("utf-16-le"))
record = [0x41, 0, 0x11, 0x22, 0x33, 0, 1, 11, 40, 0, 18, 64, 5, 4] + [0] * 49
put("identification", "long_level11", identification(True, LONG_199, LONG_198, [record] * 12))
# A level-5 mouse without lighting, and a foreign device with the vendor id.
LONG5_199 = [1, 0, ord("A"), ord("G"), 5, 33, 3, 6, 11, 0, 64, 0] + [0] * 20
put("identification", "long_level5", identification(True, LONG5_199, [], [record] * 12))
put("identification", "foreign", identification(False, list(b"\x01\x00XYZ"), [], []))
