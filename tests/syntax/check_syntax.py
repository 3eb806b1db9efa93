"""Checks res/syntax/vornscript.xml, the syntax definition for editors built on the KDE
syntax-highlighting framework:

1. it is well-formed XML with the framework's structure (contexts, itemDatas, every context
   and attribute a rule names defined);
2. its statement words and word operators are the compiler's: the ones vornc lists when it
   refuses an unknown statement or operator, each accepted by vornc as a statement;
3. a sample script highlights as expected, run through the rules the definition uses
   (DetectChar, DetectSpaces, AnyChar, WordDetect, keyword, RegExpr) the way the framework applies them:
   at each position the first rule of the current context that matches wins.

usage: check_syntax.py DEFINITION VORNC WORKDIR
"""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

# The framework's default word delimiters.
DELIMITERS = set(" \t.():!+,-<=>%&*/;?[]^{|}~\\")

SAMPLE = """LOOP:  ' start
  r1 = r1 + 0x10
IF R1<>-5 THEN
  PRINT "It's<SPACE>a"b<ENT>",3
  GOTO loop ' again
END IF
R2=INKEY$
R3=R2 AND 7
END
"""

# The sample's non-blank runs, each with the attribute it must get.
EXPECTED = [
    ("LOOP:", "Label"), ("' start", "Comment"),
    ("r1", "Register"), ("=", "Operator"), ("r1", "Register"), ("+", "Operator"),
    ("0x10", "Number"),
    ("IF", "Statement"), ("R1", "Register"), ("<>-", "Operator"), ("5", "Number"),
    ("THEN", "Statement"),
    ("PRINT", "Statement"), ("\"It's", "Text"), ("<SPACE>", "Key Name"), ("a\"b", "Text"),
    ("<ENT>", "Key Name"), ("\"", "Text"), (",", "Operator"), ("3", "Number"),
    ("GOTO", "Statement"), ("loop", "Label"), ("' again", "Comment"),
    ("END", "Statement"), ("IF", "Statement"),
    ("R2", "Register"), ("=", "Operator"), ("INKEY$", "Builtin"),
    ("R3", "Register"), ("=", "Operator"), ("R2", "Register"), ("AND", "Operator"),
    ("7", "Number"),
    ("END", "Statement"),
]

CHECKS = ("structure", "words", "highlighting", "sample compiles")
failures = []  # (check, text)
current = ["structure"]


def fail(text):
    failures.append((current[0], text))


def load(path):
    root = ET.parse(path).getroot()  # raises on malformed XML
    if root.tag != "language":
        fail("the root element is not <language>")
    for name in ("name", "section", "extensions", "version", "kateversion"):
        if not root.get(name):
            fail(f"<language> has no {name}")
    if "*.vs" not in root.get("extensions", "").split(";"):
        fail("the definition is not for *.vs files")
    high = root.find("highlighting")
    lists = {l.get("name"): [i.text.strip() for i in l.findall("item")]
             for l in high.findall("list")}
    contexts = {c.get("name"): c for c in high.find("contexts").findall("context")}
    attributes = {d.get("name") for d in high.find("itemDatas").findall("itemData")}
    for context in contexts.values():
        for node in [context] + list(context):
            attribute = node.get("attribute")
            if attribute is not None and attribute not in attributes:
                fail(f"attribute \"{attribute}\" has no itemData")
            for key in ("context", "lineEndContext"):
                target = node.get(key)
                if target is None or target in ("#stay",) or target == "#pop":
                    continue
                target = target.split("!")[-1]
                if target not in contexts:
                    fail(f"context \"{target}\" is not defined")
            if node.tag == "keyword" and node.get("String") not in lists:
                fail(f"keyword list \"{node.get('String')}\" is not defined")
    return lists, contexts, high.find("contexts").findall("context")[0].get("name")


def compiler_words(vornc, workdir):
    """The statement words and word operators vornc names in its explanations."""
    def explain(text):
        path = os.path.join(workdir, "probe.vs")
        with open(path, "w") as f:
            f.write(text + "\nEND\n")
        run = subprocess.run([vornc, "--explain", path], cwd=workdir, capture_output=True,
                             text=True)
        return run.returncode, run.stderr
    _, why = explain("FOO BAR")
    listed = re.search(r"is not a statement: (.*)", why)
    _, why = explain("R1=R2 FOO R3")
    operators = re.search(r"is not an operator: (.*)", why)
    if not listed or not operators:
        fail("vornc did not name its statements and operators:\n" + why)
        return set(), set()
    statements = set(listed.group(1).split())
    for word in statements:
        status, why = explain(word)
        if "is not a statement" in why:
            fail(f"vornc lists {word} as a statement but does not take it as one")
    return statements, {w for w in operators.group(1).split() if w.isalpha()} | {"NOT"}


class Highlighter:
    def __init__(self, contexts, lists):
        self.contexts = contexts
        self.lists = {k: {w.upper() for w in v} for k, v in lists.items()}

    def match(self, rule, line, pos):
        """The length a rule matches at pos, or 0."""
        kind, s = rule.tag, rule.get("String")
        insensitive = rule.get("insensitive") == "true"
        word_start = pos == 0 or line[pos - 1] in DELIMITERS
        if kind == "DetectChar":
            return 1 if line[pos] == rule.get("char") else 0
        if kind == "DetectSpaces":
            end = pos
            while end < len(line) and line[end] in " \t":
                end += 1
            return end - pos
        if kind == "AnyChar":
            return 1 if line[pos] in s else 0
        if kind in ("WordDetect", "keyword"):
            if not word_start:
                return 0
            end = pos
            while end < len(line) and line[end] not in DELIMITERS:
                end += 1
            word = line[pos:end]
            if kind == "WordDetect":
                hit = word.upper() == s.upper() if insensitive else word == s
            else:
                hit = word.upper() in self.lists[s]
            return end - pos if hit else 0
        if kind == "RegExpr":
            if s.startswith("^") and pos != 0:
                return 0
            found = re.compile(s, re.I if insensitive else 0).match(line, pos)
            return found.end() - pos if found and found.end() > pos else 0
        raise ValueError(f"rule {kind} is not one this check knows")

    @staticmethod
    def switch(stack, target):
        if target is None or target == "#stay":
            return
        for part in target.split("!"):
            if part == "#pop":
                stack.pop()
            elif part:
                stack.append(part)

    def line(self, text, stack):
        attributes = []
        pos = 0
        while pos < len(text):
            context = self.contexts[stack[-1]]
            for rule in context:
                length = self.match(rule, text, pos)
                if length:
                    attributes += [rule.get("attribute", context.get("attribute"))] * length
                    pos += length
                    self.switch(stack, rule.get("context"))
                    break
            else:
                attributes.append(context.get("attribute"))
                pos += 1
        while stack[-1] != stack[0] and self.contexts[stack[-1]].get("lineEndContext") != "#stay":
            self.switch(stack, self.contexts[stack[-1]].get("lineEndContext"))
        return attributes


def runs(text, attributes):
    """Non-blank runs of one attribute, blanks splitting runs of normal text."""
    out = []
    for ch, attribute in zip(text, attributes):
        blank_split = ch in " \t" and attribute in ("Normal Text", "Operator", "Label")
        if blank_split:
            out.append(None)
            continue
        if out and out[-1] is not None and out[-1][1] == attribute:
            out[-1] = (out[-1][0] + ch, attribute)
        else:
            out.append((ch, attribute))
    return [r for r in out if r is not None]


def main():
    definition, vornc, workdir = (os.path.abspath(a) for a in sys.argv[1:4])
    os.makedirs(workdir, exist_ok=True)
    lists, contexts, first = load(definition)
    current[0] = "words"
    statements, operators = compiler_words(vornc, workdir)
    if set(lists.get("statements", [])) != statements:
        fail(f"statements {sorted(lists.get('statements', []))} differ from vornc's "
             f"{sorted(statements)}")
    if set(lists.get("operators", [])) != operators:
        fail(f"operators {sorted(lists.get('operators', []))} differ from vornc's "
             f"{sorted(operators)}")

    current[0] = "highlighting"
    highlighter = Highlighter(contexts, lists)
    stack = [first]
    got = []
    for text in SAMPLE.splitlines():
        got += runs(text, highlighter.line(text, stack))
    if got != EXPECTED:
        for i, (g, e) in enumerate(zip(got + [None] * len(EXPECTED), EXPECTED + [None] * len(got))):
            if g != e:
                fail(f"sample run {i}: got {g}, expected {e}")
                break
    # The sample compiles: what it shows is the language, not a guess.
    current[0] = "sample compiles"
    path = os.path.join(workdir, "sample.vs")
    with open(path, "w") as f:
        f.write(SAMPLE)
    if subprocess.run([vornc, path], cwd=workdir, capture_output=True).returncode != 0:
        fail("the sample does not compile")

    for check, text in failures:
        print(f"{check}: {text}")
    failed = {check for check, _ in failures}
    print(f"{len(CHECKS) - len(failed)} passed, {len(failed)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
