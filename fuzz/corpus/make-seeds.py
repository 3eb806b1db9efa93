#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are committed; run this again only to change them. Each seed is a small input
that reaches one corner of its target (every statement form, a valid keymap file and each
way one can be broken, a reply of every shape, real report descriptors, version blocks),
so that fuzzing starts from the interesting paths instead of having to find them.
"""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def lines(*text, end="\r\n"):
    return end.join(text) + end


# ---- compiler: script files ------------------------------------------------------------

def compiler():
    for sub, name in [("download", "every_kind.vs"), ("encoder", "every_statement.vs"),
                      ("encoder", "if_else.vs"), ("encoder", "loop_if.vs")]:
        shutil.copy(os.path.join(ROOT, "tests", "script", "data", sub, name),
                    os.path.join(HERE, "compiler", name))
    write("compiler", "keys_layout1.vs", lines(
        'PRINT "<FN><PN><K/><K*><K-><K+><K.><K0><K9><F12><NUM><APP><NKEY>"',
        'PRINT "<F1><F10><ESC><TAB><INS><DEL><END><ENT><BSP><HOME><PGUP><UP>",R2',
        'PRINT "aZ09!@#$%^&*()_+-[]{};:,./?~`|\\\\",200',
        "PSET 22,7,255", "END"))
    write("compiler", "keys_layout2.vs", lines('PRINT "<F11><ESC>x"', "PSET 18,7,1", "end"))
    write("compiler", "nested.vs", lines(
        *["IF R%d=%d THEN" % (i % 16, i) for i in range(20)],
        "CLS",
        *["ELSE", "END IF"] * 20, "END"))
    write("compiler", "labels_gotos.vs", lines(
        *["L%d:" % i for i in range(100)], *["GOTO L%d" % i for i in range(100)], "END"))
    write("compiler", "comments_tabs.vs",
          "' comment only\n\n\tr1 = r1 + 1 ' tail\nA1:\n12:\n\tgoto a1\nCLS END\n  \n")
    write("compiler", "lf_only.vs", lines("WAIT 1", "WAIT 0X10", "R1=R2 XOR 0XFFFF", "END",
                                          end="\n"))
    write("compiler", "assign_forms.vs", lines(
        "R1=R2+5", "R1=5+R1", "R1=R1+R2", "R1=R2+R3", "R1=R1-5", "R1=R1-R2", "R1=R2-5",
        "R1=R2-R3", "R1=5-R1", "R1=R2-R1", "R1=5-R2", "R1=-5", "R1=-R2", "R1=R1*5",
        "R1=R2*-5", "R1=R1*R2", "R1=R2*R3", "R1=R1/5", "R1=R1/R2", "R1=R2/5", "R1=R2/R3",
        "R1=5/R1", "R1=R2/R1", "R1=5/R2", "R1=R1 MOD 5", "R1=R1 MOD R2", "R1=R2 MOD 5",
        "R1=R2 MOD R3", "R1=5 MOD R1", "R1=R2 MOD R1", "R1=5 MOD R2", "R1=NOT 5",
        "R1=NOT R2", "R1=R1 AND 5", "R1=R1 AND R2", "R1=R2 AND 5", "R1=R2 AND R3",
        "R1=R1 OR 5", "R1=R1 OR R2", "R1=R2 OR 5", "R1=R2 OR R3", "R1=R1 XOR 5",
        "R1=R1 XOR R2", "R1=R2 XOR 5", "R1=R2 XOR R3", "R1=INKEY$", "R1=RND", "B=R3",
        "B=200", "R3=B", "R15=-32768", "END"))
    write("compiler", "if_forms.vs", lines(
        *["IF R1%sR2 THEN" % op for op in ["=", "<>", "<", ">", "<=", ">="]],
        *["IF R1%s-5 THEN" % op for op in ["=", "<>", "<=", ">="]],
        *["IF R1%s5 THEN" % op for op in ["<", ">"]],
        *["END IF"] * 12, "END"))
    write("compiler", "print_pset_forms.vs", lines(
        "PRINT R1", "PRINT R1,R2", "PRINT R1,10", "PRINT R1+5,R2", 'PRINT "AB"',
        'PRINT "AB",3', 'PRINT "AB",R4', "PRINT ALL", "PRINT ALL,R3", "PRINT ALL,200",
        "PSET", "PSET 1,2", "PSET R1,2", "PSET 1,R2", "PSET R1,R2", "PSET 1,2,3",
        "PSET R1,2,3", "PSET 1,R2,3", "PSET R1,R2,3", "PSET 1,2,R3", "PSET R1,2,R3",
        "PSET 1,R2,R3", "PSET R1,R2,R3", "END"))
    # Refusals, one per message.
    write("compiler", "bad_no_end.vs", lines("CLS", "End"))
    write("compiler", "bad_wrong_command.vs", lines("CLS", "FOO R1", "END"))
    write("compiler", "bad_missing_label.vs", lines("GOTO NOWHERE", "END"))
    write("compiler", "bad_missing_end_if.vs", lines("IF R1=1 THEN", "CLS", "END"))
    write("compiler", "bad_two_else.vs", lines("IF R1=1 THEN", "ELSE", "ELSE", "END IF", "END"))
    write("compiler", "bad_long_line.vs", lines("R1=" + "1" * 198, "END"))
    write("compiler", "bad_101_labels.vs", lines(*["L%d:" % i for i in range(101)], "END"))
    write("compiler", "bad_deep_if.vs", lines(*["IF R1=1 THEN"] * 21, *["END IF"] * 21, "END"))
    write("compiler", "bad_print.vs", lines('PRINT "A B"', "END"))
    # Fifty key codes per line, four stream bytes each: 51 lines and END fit the 10240-byte
    # instruction stream, 52 lines do not.
    wide = 'PRINT "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWX",R1'
    write("compiler", "stream_at_limit.vs", lines(*[wide] * 51, "END"))
    write("compiler", "bad_stream_full.vs", lines(*[wide] * 52, "END"))
    # Fills the 10240-byte program text, so that inputs this long get explored at all.
    write("compiler", "bad_program_text_full.vs", lines(*["R1=R1+1"] * 1200, "END", end="\n"))
    write("compiler", "empty.vs", b"")
    write("compiler", "just_end.vs", b"END")


# ---- keymap: keyboard geometry and fault, then the file --------------------------------

def keymap_input(size, count, fault, file):
    return struct.pack(">HBB", size, count, fault) + file


def keymap_file(vendor, product, size, count, blocks=None, reserved=b"\0" * 64):
    header = b"\0\0VORN\0\0" + struct.pack("<IIIB", vendor, product, size, count) + reserved
    if blocks is None:
        blocks = bytes((k * 37 + i * 11) & 0xFF for k in range(count) for i in range(size))
    return header + blocks


def keymap():
    v, p = 0x0F39, 0x1085
    good = keymap_file(v, p, 16, 3)
    write("keymap", "good_16x3", keymap_input(16, 3, 0, good))
    write("keymap", "good_no_blocks", keymap_input(16, 0, 0, keymap_file(v, p, 16, 0)))
    write("keymap", "good_252x2", keymap_input(252, 2, 0, keymap_file(v, p, 252, 2)))
    write("keymap", "good_trailing_bytes", keymap_input(16, 3, 0, good + b"extra"))
    write("keymap", "good_reserved_not_zero",
          keymap_input(16, 3, 0, keymap_file(v, p, 16, 3, reserved=b"\xAA" * 64)))
    write("keymap", "erase_refused", keymap_input(16, 3, 2, good))
    write("keymap", "write_refused", keymap_input(16, 3, 3, good))
    write("keymap", "property_refused", keymap_input(16, 3, 1, good))
    write("keymap", "short_magic", keymap_input(16, 3, 0, good[:7]))
    write("keymap", "magic_case", keymap_input(16, 3, 0, b"\0\0vorn\0\0" + good[8:]))
    write("keymap", "reserved_short", keymap_input(16, 3, 0, good[:84]))
    write("keymap", "other_product", keymap_input(16, 3, 0, keymap_file(v, 0x0211, 16, 3)))
    write("keymap", "other_size", keymap_input(16, 3, 0, keymap_file(v, p, 17, 3)))
    write("keymap", "other_count", keymap_input(16, 3, 0, keymap_file(v, p, 16, 2)))
    write("keymap", "ends_in_block_2", keymap_input(16, 3, 0, good[:85 + 16 + 5]))
    write("keymap", "oversized_blocks", keymap_input(300, 1, 0, keymap_file(v, p, 300, 1)))
    write("keymap", "empty", keymap_input(16, 3, 0, b""))


# ---- link: report length, operations, the keyboard's answers ---------------------------

GET_PROPERTY, READ, ERASE, WRITE, ERASE_SLOT, BEGIN_SLOT, WRITE_SCRIPT, SEND, CLOSE, \
    MARK_CLOSED, REOPEN = range(11)


def link_input(r, ops, answers, silent=False):
    assert 2 <= r <= 20 and 1 <= len(ops) <= (3 if silent else 16)
    flags = ((len(ops) - 1) << 1) | (0x81 if silent else 0)
    out = bytes([r - 2, flags])
    for op in ops:
        kind, parameter, count, plan = (list(op) + [0, 0, 0])[:4]
        out += bytes([kind, parameter, count, plan])
    return out + answers


def reply(length, command_bits=0, status=None, data=None, spoil=False):
    """Control byte of a well-formed reply: command 0x2B/0x2C/0xB0 (bits 0, 1, 2)."""
    control = (command_bits << 4) | (0x08 if spoil else 0)
    extra = b""
    if status is not None:
        control |= 0x40
        extra += bytes([status])
    if data is not None:
        control |= 0x80
    return bytes([control]) + extra + bytes([length]) + (data or b"")


def link():
    # GetProperty answered 01 00 05: block size 256, count 5.
    write("link", "property_r9", link_input(9, [(GET_PROPERTY,)],
                                            reply(6, 1, data=b"\x01\x00\x05")))
    for r in (2, 3, 5, 20):
        write("link", "read_block_r%d" % r,
              link_input(r, [(READ, 1)], reply(3 + 128, 0)))
    write("link", "longest_reply_r20", link_input(20, [(READ, 7)], reply(255, 0)))
    write("link", "longest_reply_r2", link_input(2, [(READ, 7)], reply(255, 0)))
    write("link", "spoiled_checksum", link_input(9, [(ERASE,)], reply(3, 3, spoil=True)))
    write("link", "keyboard_status", link_input(9, [(ERASE,), (ERASE_SLOT, 3)],
                                                reply(3, 3, status=0x12) + reply(3, 3)))
    write("link", "every_command", link_input(9, [
        (GET_PROPERTY,), (READ, 2), (ERASE,), (WRITE, 1, 16), (ERASE_SLOT, 3),
        (BEGIN_SLOT, 3), (WRITE_SCRIPT, 0, 4), (SEND, 0, 10), (CLOSE,), (GET_PROPERTY,),
        (REOPEN, 5), (WRITE, 2, 252), (WRITE_SCRIPT, 1, 0, 0x40), (MARK_CLOSED,),
        (REOPEN, 0xE0 + 25), (ERASE,)],
        reply(6, 1, data=b"\x00\x10\x03") + reply(3 + 16, 0) + reply(3, 3) * 5 + reply(3, 2)))
    write("link", "noise_then_reply", link_input(6, [(ERASE,)],
                                                 b"\x06\x06\x03" + b"\x01" * 7 + reply(3, 3)))
    write("link", "read_fails", link_input(9, [(ERASE,), (REOPEN, 7), (ERASE,)],
                                           b"\x04" + b"\x05"))
    write("link", "continuation_fails", link_input(5, [(READ, 1)], reply(30, 0) + b""))
    write("link", "short_reports", link_input(9, [(ERASE,)], b"\x07\x03\xED\x03\x29"))
    write("link", "send_fails", link_input(3, [(WRITE, 1, 40, 0x01 | (2 << 2)), (REOPEN, 1),
                                               (WRITE, 1, 40, 0x02 | (1 << 2))], reply(3, 3)))
    write("link", "silent_keyboard", link_input(9, [(GET_PROPERTY,), (ERASE,)], b"", silent=True))


# ---- report descriptors ----------------------------------------------------------------

BOOT_KEYBOARD = bytes([
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01,
    0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07,
    0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0])
BOOT_MOUSE = bytes([
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01,
    0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01,
    0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F,
    0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0])
# The keyboard's own vendor interface: usage 0x80 with an 8-byte feature report (ID 1).
VENDOR_FEATURE = bytes([
    0x06, 0x00, 0xFF, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x81, 0x15, 0x00, 0x26,
    0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0xB1, 0x02, 0xC0])
CONSUMER = bytes([
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A,
    0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0])


def report_descriptor():
    write("report_descriptor", "boot_keyboard", BOOT_KEYBOARD)
    write("report_descriptor", "boot_mouse", BOOT_MOUSE)
    write("report_descriptor", "vendor_feature", VENDOR_FEATURE)
    write("report_descriptor", "keyboard_with_vendor_and_consumer",
          BOOT_KEYBOARD + CONSUMER + VENDOR_FEATURE)
    write("report_descriptor", "push_pop_long_item",
          bytes([0xA4, 0x75, 0x08, 0xB4, 0xFE, 0x02, 0x10, 0xAA, 0xBB]) + VENDOR_FEATURE)
    write("report_descriptor", "extended_usage",
          bytes([0x0B, 0x80, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0x75, 0x08, 0x97, 0x00, 0x01, 0x00,
                 0x00, 0xB1, 0x02, 0xC0]))
    write("report_descriptor", "truncated", VENDOR_FEATURE[:-3])


# ---- version blocks --------------------------------------------------------------------

def utf16z(text):
    return text.encode("utf-16-le") + b"\0\0"


def align(data):
    return data + b"\0" * (-len(data) % 4)


def node(key, value, text, children=b""):
    head = utf16z(key)
    value_length = len(value) // 2 if text else len(value)
    body = align(b"\0" * 6 + head) + align(value) + children
    length = len(align(b"\0" * 6 + head)) + len(value) + len(children)
    if children:
        length = len(body)
    return align(struct.pack("<HHH", length, value_length, 1 if text else 0) + body[6:])


def version_block(strings, translations, fixed=True):
    fixed_info = struct.pack("<13I", 0xFEEF04BD, 0x00010000, 0x00010000, 0x00000006,
                             0x00010000, 0x00000006, 0x3F, 0, 0x00040004, 1, 0, 0, 0)
    table = b"".join(node(name, utf16z(value), True) for name, value in strings)
    string_file = node("StringFileInfo", b"", False, node("040904E4", b"", False, table))
    var_file = node("VarFileInfo", b"", False,
                    node("Translation", b"".join(struct.pack("<I", t) for t in translations),
                         False))
    return node("VS_VERSION_INFO", fixed_info if fixed else b"", False, string_file + var_file)


def elf64_with_section(name, content):
    names = b"\0.shstrtab\0" + name + b"\0"
    data_at = 0x40
    names_at = data_at + len(content)
    sections_at = (names_at + len(names) + 7) & ~7
    def section(name_offset, offset, size, kind):
        return struct.pack("<IIQQQQIIQQ", name_offset, kind, 0, 0, offset, size, 0, 0, 1, 0)
    header = b"\x7fELF" + bytes([2, 1, 1]) + b"\0" * 9 + struct.pack(
        "<HHIQQQIHHHHHH", 2, 0x3E, 1, 0, 0, sections_at, 0, 0x40, 0, 0, 0x40, 3, 1)
    body = header + content + names
    body += b"\0" * (sections_at - len(body))
    body += section(0, 0, 0, 0) + section(1, names_at, len(names), 3)
    body += section(11, data_at, len(content), 1)
    return body


def version_block_seeds():
    strings = [("CompanyName", "Vorn"), ("FileDescription", "VornUtil"),
               ("FileVersion", "1.0.0.6"), ("ProductName", "VornUtil"),
               ("ProductVersion", "1.0.0.6"), ("LegalCopyright", "(C) Vorn")]
    block = version_block(strings, [0x04E40409])
    write("version_block", "program", block)
    write("version_block", "two_languages", version_block(strings, [0x04B00804, 0x04E40409]))
    write("version_block", "no_fixed_part", version_block(strings[:2], [0x04E40409], fixed=False))
    write("version_block", "no_translation", version_block(strings, []))
    write("version_block", "truncated", block[: len(block) // 2])
    write("version_block", "elf_section", elf64_with_section(b".vorn_version", block))


def main():
    for target in ("compiler", "keymap", "link", "report_descriptor", "version_block"):
        shutil.rmtree(os.path.join(HERE, target), ignore_errors=True)
        os.makedirs(os.path.join(HERE, target))
    compiler()
    keymap()
    link()
    report_descriptor()
    version_block_seeds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
