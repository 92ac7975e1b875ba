#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a program's manual page from its own help texts and a hand-written
part, so that the page lists what the program takes and never drifts from it.

The program's --help gives the description, the options and the subcommands;
each subcommand's --help (walked down to the leaves) gives its own options.
Paragraphs after the options become prose, an "Exit codes:" list the EXIT
STATUS section, an "Examples:" block the EXAMPLES. The hand-written part adds
NAME, ENVIRONMENT, FILES, SEE ALSO and the like, in [SECTION] blocks of roff.

Usage: make-manual.py [--refused-usage] PROGRAM NAME VERSION DATE OUTPUT PARTS...
--refused-usage: the program run without arguments prints every form of its
command line (and the commands --help does not list); only for a program that
does nothing else then.
"""
import re
import subprocess
import sys

ORDER = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "COMMANDS", "EXIT STATUS",
         "ENVIRONMENT", "FILES", "NOTES", "EXAMPLES", "COPYRIGHT", "SEE ALSO"]
WORD = re.compile(r"-{0,2}[A-Za-z0-9][A-Za-z0-9_.~/$+-]*")


def roff(text):
    """Plain text as roff: backslashes shown, every '-' a minus (options stay
    searchable and can be copied), no line read as a request."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return re.sub(r"^([.'])", r"\\&\1", text, flags=re.M)


def styled(text):
    """A usage line or placeholder: upper-case placeholders italic, options
    and literal words bold, punctuation plain."""
    out, at = [], 0
    for match in WORD.finditer(text):
        out.append(roff(text[at:match.start()]))
        token = match.group(0)
        face = "I" if re.fullmatch(r"[A-Z][A-Z0-9_]*(\.[a-z]+)?", token) else "B"
        out.append("\\f" + face + roff(token) + "\\fR")
        at = match.end()
    out.append(roff(text[at:]))
    return "".join(out)


def entries(body):
    """'  names   text' lines with their indented continuations."""
    found = []
    for line in body:
        if re.match(r"^ {2,6}\S", line):
            match = re.match(r"^\s*(\S.*?)(?:\s{2,}(\S.*))?$", line)
            names, text = match.group(1), match.group(2) or ""
            if " REQUIRED " in names:  # CLI11 leaves one space after the mark
                names, _, rest = names.partition(" REQUIRED ")
                names, text = names + " REQUIRED", (rest + "  " + text).strip()
            found.append([names, text])
        elif found:
            found[-1][1] = (found[-1][1] + " " + line.strip()).strip()
    return found


class Help:
    """One help text taken apart: description, usage lines, and the blocks
    after them as (heading, entries or None, lines)."""

    def __init__(self, text, drop_first_line):
        lines = text.rstrip("\n").split("\n")
        if drop_first_line:
            lines = lines[1:]
        at = next((i for i, line in enumerate(lines) if line.startswith("Usage:")), None)
        self.description, self.usage = [], []
        if at is None:
            at = 0
        else:
            self.description = [line for line in lines[:at] if line.strip()]
            self.usage.append(lines[at][len("Usage:"):].strip())
            at += 1
            while at < len(lines) and re.match(r"^ {7,}\S", lines[at]):
                self.usage.append(lines[at].strip())
                at += 1
            # A description may follow the usage line instead.
            if not self.description:
                while at < len(lines) and re.match(r"^\S", lines[at]):
                    self.description.append(lines[at])
                    at += 1
        self.blocks = []
        block = []
        for line in lines[at:] + [""]:
            if line.strip():
                block.append(line)
                continue
            if block:
                self._add(block)
            block = []

    def _add(self, block):
        heading = None
        if re.fullmatch(r"\S.*:", block[0]):
            heading, block = block[0][:-1], block[1:]
        listed = None
        if heading != "Examples" and block and re.match(r"^ {2,6}\S", block[0]):
            listed = entries(block)
        self.blocks.append((heading, listed, block))

    def listed(self, heading):
        for name, listed, _ in self.blocks:
            if name == heading and listed is not None:
                return listed
        return []


def spellings_and_placeholder(names):
    # CLI11 appends " Needs: --csv Excludes: --append" to the names.
    names = re.sub(r" (Needs|Excludes): .*$", "", names)
    required = names.endswith(" REQUIRED")
    names = names[:-len(" REQUIRED")] if required else names
    words = names.split()
    spelled = [w for w in words if w.startswith("-")]
    placeholder = " ".join(w for w in words if not w.startswith("-"))
    spellings = [s for w in spelled for s in w.split(",") if s]
    return spellings, placeholder, required


def option_item(names, text):
    spellings, placeholder, required = spellings_and_placeholder(names)
    head = ", ".join("\\fB" + roff(s) + "\\fR" for s in spellings)
    if placeholder:
        head += " " + styled(placeholder)
    notes = ["required"] if required else []
    for kind, said in (("Needs", "needs"), ("Excludes", "not with")):
        found = re.search(kind + r": (.*?)(?= (?:Needs|Excludes):|$)", names)
        if found:
            notes.append(said + " " + ", ".join(found.group(1).split()))
    return ".TP\n" + head + "\n" + roff(text + (" (" + "; ".join(notes) + ")" if notes else ""))


def positional_item(names, text):
    # CLI11 writes "NAME TYPE[ x N| ...][ REQUIRED]": "A B C TEXT x 3 REQUIRED".
    found = re.fullmatch(r"(.*?) [A-Z]+( x \d+| \.\.\.)?( REQUIRED)?", names)
    words = (found.group(1) if found else names).split()
    more = " ..." if found and found.group(2) == " ..." else ""
    return ".TP\n" + " ".join("\\fI" + roff(w) + "\\fR" for w in words) + more + "\n" + roff(
        text)


def definitions(listed):
    return "\n".join(".TP\n\\fB" + roff(name) + "\\fR\n" + roff(text) for name, text in listed)


class Page:
    def __init__(self):
        self.sections = {}
        self.seen = set()  # footer blocks already shown: subcommands inherit them

    def add(self, section, text):
        if text.strip():
            self.sections.setdefault(section, []).append(text)

    def blocks(self, help_text, command):
        """Everything after the entry lists: prose, value lists, exit codes,
        examples. command: the subcommand they belong to, None at the top."""
        here = "DESCRIPTION" if command is None else "COMMANDS"
        for heading, listed, lines in help_text.blocks:
            if heading in ("Options", "Positionals", "Subcommands"):
                continue
            key = (heading, tuple(lines))
            if key in self.seen:
                continue
            self.seen.add(key)
            if heading == "Exit codes":
                intro = "" if command is None else (
                    ".PP\nThe \\fB" + roff(command) + "\\fR commands exit with:\n")
                self.add("EXIT STATUS", intro + definitions(listed))
            elif heading == "Examples":
                rows = [line[2:] if line.startswith("  ") else line for line in lines]
                self.add("EXAMPLES",
                         ".PP\n.nf\n" + "\n".join("    " + roff(r) for r in rows) + "\n.fi")
            elif listed is not None:
                # Options without a heading (a hand-written help), or the
                # values a placeholder takes ("MODE is one of:").
                if heading is None and listed[0][0].startswith("-"):
                    self.add("OPTIONS", "\n".join(option_item(n, t) for n, t in listed))
                else:
                    self.add("OPTIONS", ".PP\n" + roff(heading or "") + ":\n" + definitions(listed))
            else:
                text = " ".join(line.strip() for line in lines)
                self.add(here, ".PP\n" + roff((heading + ": " if heading else "") + text))

    def text(self, name, section, version, date):
        kind = {"1": "User Commands", "5": "File Formats"}[section]
        out = ['.TH %s %s "%s" "kelGuiTool %s" "%s"' % (name.upper(), section, date, version,
                                                          kind), ".nh"]
        for heading in ORDER + [s for s in self.sections if s not in ORDER]:
            if heading in self.sections:
                out.append(".SH " + ('"%s"' % heading if " " in heading else heading))
                out.extend(self.sections[heading])
        return "\n".join(out) + "\n"


def run(program, args):
    return subprocess.run([program, *args], capture_output=True, text=True, check=False,
                          stdin=subprocess.DEVNULL)


def refused_usage(program, name):
    """The usage lines a refused empty command line prints, and the commands
    they name that --help may not list (kel-rftest plan check|run ...)."""
    text = run(program, []).stderr
    if "Usage: " not in text:
        return [], []
    lines = text[text.index("Usage: "):].splitlines()
    usage = [lines[0][len("Usage:"):].strip()]
    usage += [line.strip() for line in lines[1:] if re.match(r"^ {7,}\S", line)]
    words = []
    for line in usage:
        for word in line.split()[1:] if line.split()[0] == name else []:
            if re.fullmatch(r"[a-z][a-z-]*", word):
                words.append(word)
                break
    return usage, words


def commands(program, name, page, top, extra):
    """Every subcommand, depth first: its usage, description and own options
    in a subsection of COMMANDS; a word that only groups others is left to
    them unless it says more."""
    queue = [[names.split()[0]] for names, _ in top.listed("Subcommands")]
    queue += [[word] for word in extra if [word] not in queue]
    while queue:
        path = queue.pop(0)
        answer = run(program, path + ["--help"])
        if answer.returncode != 0:
            continue
        sub = Help(answer.stdout, drop_first_line=False)
        children = [path + [names.split()[0]] for names, _ in sub.listed("Subcommands")]
        queue = children + queue
        items = [option_item(n, t) for n, t in sub.listed("Options")
                 if "--help" not in spellings_and_placeholder(n)[0]]
        items += [positional_item(n, t) for n, t in sub.listed("Positionals")]
        says_more = any((h, tuple(l)) not in page.seen for h, _, l in sub.blocks
                        if h not in ("Options", "Positionals", "Subcommands"))
        if children and not items and not says_more:
            continue
        title = " ".join(path)
        block = ['.SS "%s"' % roff(title), roff(" ".join(sub.description))]
        if sub.usage and not children:
            # The usage line from the program's name on, whatever precedes it.
            usage = sub.usage[0]
            block.append(".PP\n" + styled(usage[usage.find(name):] if name in usage else usage))
        page.add("COMMANDS", "\n".join(block + items))
        page.blocks(sub, title)


def parts_of(paths):
    """[SECTION] blocks of roff from each file, in the order written."""
    sections = {}
    for path in paths:
        heading = None
        with open(path, encoding="utf-8") as handle:
            for line in handle:
                header = re.fullmatch(r"\[([A-Z ]+)\]", line.rstrip("\n"))
                if header:
                    heading = header.group(1)
                    sections.setdefault(heading, [])
                elif heading:
                    sections[heading].append(line.rstrip("\n"))
    return {heading: "\n".join(lines).strip("\n") for heading, lines in sections.items()}


def main(argv):
    refused = argv[1] == "--refused-usage"
    args = argv[2:] if refused else argv[1:]
    program, name, version, date, output = args[:5]
    parts = parts_of(args[5:])
    page = Page()
    page.add("NAME", parts.pop("NAME"))
    top = Help(run(program, ["--help"]).stdout, drop_first_line=True)
    usage, extra = refused_usage(program, name) if refused else ([], [])
    # One paragraph per form of the command line: its lines joined, filled by groff.
    forms = []
    for line in usage or top.usage:
        if forms and line.split()[0] != name:
            forms[-1] += " " + line
        else:
            forms.append(line)
    page.add("SYNOPSIS", "\n.br\n".join(styled(form) for form in forms))
    page.add("DESCRIPTION", roff(" ".join(line.strip() for line in top.description)))
    page.add("DESCRIPTION", parts.pop("DESCRIPTION", ""))
    page.add("OPTIONS", "\n".join(option_item(n, t) for n, t in top.listed("Options")))
    page.blocks(top, None)
    if top.listed("Subcommands") or extra:
        page.add("COMMANDS", "The options above come before the command; each command's own "
                 "options follow its name.")
        commands(program, name, page, top, extra)
    for heading, text in parts.items():
        page.add(heading, text)
    with open(output, "w", encoding="utf-8") as handle:
        handle.write(page.text(name, "1", version, date))


if __name__ == "__main__":
    main(sys.argv)
