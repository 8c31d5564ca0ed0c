#!/usr/bin/env python3
"""Size limits that keep the code readable: no source file over 400 lines and
no C++ function (test bodies included) over 60 lines.

usage: check_sizes.py [REPO]    lists every breach; exit status 1 if any.

Functions are found by their braces, after comments, strings and character
literals are blanked out: a brace that opens after a closing parenthesis (or
after const/override/noexcept/an initialiser list) outside any other function
body starts a function; lambdas and local classes count towards the function
that holds them. Lines are counted from the header line to the closing brace.
"""
import re
import subprocess
import sys

MAX_FILE_LINES = 400
MAX_FUNCTION_LINES = 60
SOURCES = re.compile(r"\.(cpp|h|py|sh)$")
NOT_CODE = re.compile(r"^fuzz/corpus/")
CONTROL = re.compile(r"\b(if|for|while|switch|catch|do|else|try)\b")


def strip(text):
    """Blanks out comments and literals, keeping every newline."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(")" + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(" " * (j - i))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def header_before(code, brace):
    """The text between the previous statement end and an opening brace."""
    start = max(code.rfind(";", 0, brace), code.rfind("}", 0, brace), code.rfind("{", 0, brace))
    return code[start + 1:brace]


def opens_function(header):
    h = " ".join(header.split())
    if not h or CONTROL.match(h) or re.match(r"^(namespace|class|struct|union|enum|extern)\b", h):
        return False
    if re.search(r"\b(class|struct|union|enum)\b[^()]*$", h) or h.endswith("="):
        return False
    return bool(re.search(r"\)\s*(const|override|final|noexcept|mutable|->[^{]*|:[^{]*)*\s*$", h))


def long_functions(path):
    code = strip(open(path, encoding="utf-8", errors="replace").read())
    found, stack = [], []  # stack of (is_function, line of header)
    for i, c in enumerate(code):
        if c == "{":
            inside = any(f for f, _ in stack)
            header = header_before(code, i)
            is_function = not inside and opens_function(header)
            first = code.count("\n", 0, i - len(header.lstrip())) + 1
            stack.append((is_function, first))
        elif c == "}" and stack:
            is_function, first = stack.pop()
            last = code.count("\n", 0, i) + 1
            if is_function and last - first + 1 > MAX_FUNCTION_LINES:
                found.append((first, last - first + 1))
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    files = subprocess.run(["git", "ls-files"], cwd=root, capture_output=True, text=True, check=True).stdout.split()
    breaches = []
    for f in files:
        if not SOURCES.search(f) or NOT_CODE.search(f):
            continue
        path = f"{root}/{f}"
        lines = sum(1 for _ in open(path, encoding="utf-8", errors="replace"))
        if lines > MAX_FILE_LINES:
            breaches.append(f"{f}: {lines} lines (at most {MAX_FILE_LINES})")
        if f.endswith((".cpp", ".h")):
            for first, count in long_functions(path):
                breaches.append(f"{f}:{first}: a function of {count} lines (at most {MAX_FUNCTION_LINES})")
    for b in breaches:
        print(b)
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
