#!/usr/bin/env python3
"""Print a C++ string literal holding the GBK bytes of a UTF-8 text.

The Qt-free core keeps its Chinese texts as GBK byte escapes; use this to
write a new one:  python3 scripts/gbk_literal.py "时序器"
"""
import sys


def gbk_literal(text: str) -> str:
    parts = []
    current = ""
    last_was_escape = False
    for ch in text:
        data = ch.encode("gbk")
        if len(data) == 1 and 0x20 <= data[0] < 0x7F and ch not in '"\\':
            # A hex digit right after an escape would extend the escape, so
            # start a new literal piece there.
            if last_was_escape and ch in "0123456789abcdefABCDEF":
                parts.append(current)
                current = ""
            current += ch
            last_was_escape = False
        else:
            current += "".join(f"\\x{b:02X}" for b in data)
            last_was_escape = True
    parts.append(current)
    return " ".join(f'"{p}"' for p in parts)


if __name__ == "__main__":
    for arg in sys.argv[1:]:
        print(gbk_literal(arg))
