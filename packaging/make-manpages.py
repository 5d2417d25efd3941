#!/usr/bin/env python3
"""Writes the manual pages kestrava.1.gz and kestrava-tool.1.gz.

Everything they say comes from where it is kept anyway, so the pages cannot
drift from it: the README's usage sections (synopsis, command descriptions,
conventions) and kestrava-tool's own --version and --help texts (the list of
commands and each command's options). Only the installed layout (FILES) is
given on the command line. The README must keep the structure read here;
anything unexpected stops the build rather than making a page that leaves
part of it out.

    make-manpages.py --tool BIN/kestrava-tool --readme README.md \
        --version 4.5.0 --program-dir /usr/lib/kestrava --out DIR
"""
import argparse
import gzip
import pathlib
import re
import subprocess
import sys


def fail(message):
    sys.exit(f"make-manpages: {message}")


# --- README (Markdown) ------------------------------------------------------

def starts_block(line):
    return line.startswith(("```", "|", "- "))


def readme_section(text, heading, level=2):
    """The blocks of a section ('## heading' at level 2) up to the next
    heading of its level or above: ('code', lines), ('table', rows),
    ('bullet', text) or ('para', text)."""
    marks = "#" * level
    match = re.search(rf"^{marks} {re.escape(heading)}\n(.*?)(?=^#{{1,{level}}} |\Z)", text,
                      re.M | re.S)
    if not match:
        fail(f"the README has no section '{marks} {heading}'")
    blocks, lines, i = [], match.group(1).split("\n"), 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("```"):
            end = lines.index("```", i + 1)
            blocks.append(("code", lines[i + 1:end]))
            i = end + 1
        elif line.startswith("|"):
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                cells = [c.strip() for c in lines[i].strip("|").split("|")]
                if not all(re.fullmatch(r"-+", c) for c in cells):
                    rows.append(cells)
                i += 1
            blocks.append(("table", rows))
        elif line.startswith("- "):
            blocks.append(("bullet", line[2:]))
            i += 1
        elif line.strip():
            para = []
            while i < len(lines) and lines[i].strip() and not starts_block(lines[i]):
                para.append(lines[i].strip())
                i += 1
            blocks.append(("para", " ".join(para)))
        else:
            i += 1
    return blocks


def plain(text):
    """Text for roff: backslashes escaped, a few typographic characters
    spelled as groff names them (a line's leading dot is the caller's)."""
    text = text.replace("\\", "\\e")
    for char, name in (("—", r"\(em"), ("–", r"\(en"), ("…", "..."), ("×", r"\(mu"),
                       ("≥", r"\(>="), ("≤", r"\(<=")):
        text = text.replace(char, name)
    return text


def literal(text):
    """Command-line text, set in bold with real minus signs to copy. A long
    list (a CSV header) gets a space after its commas, or no line could hold
    it (groff's zero-width break points still leave it unable to adjust)."""
    text = plain(text).replace("-", r"\-")
    if len(text) > 40:
        text = text.replace(",", ", ")
    return r"\fB" + text + r"\fR"


def inline(text):
    """Markdown inline text (code spans, bold) as roff."""
    parts = re.split(r"(`[^`]*`|\*\*[^*]*\*\*)", text)
    out = []
    for part in parts:
        if part.startswith("`"):
            out.append(literal(part[1:-1]))
        elif part.startswith("**"):
            out.append(r"\fB" + plain(part[2:-2]) + r"\fR")
        else:
            out.append(plain(part))
    return "".join(out)


def sentence(text):
    return text[:1].upper() + text[1:]


def paragraph(text):
    line = inline(text)
    return [".PP", (r"\&" if line[:1] in ".'" else "") + line]


def table(rows):
    # The last column takes the width the others leave; cells are set
    # ragged right, since long names in narrow cells cannot be justified.
    out = [".ad l", ".TS", "tab(|) allbox;", " ".join(["l"] * (len(rows[0]) - 1) + ["lx"]) + "."]
    for row in rows:
        out.append("|".join(r"T{" + "\n" + inline(c) + "\n" + r"T}" for c in row))
    return out + [".TE", ".ad"]


def example(lines):
    return [".PP", ".nf", ".RS"] + [r"\&" + plain(line).replace("-", r"\-") for line in lines] + \
        [".RE", ".fi"]


def synopsis(lines, program):
    out = [".nf"]
    for line in lines:
        if not line.startswith(program):
            fail(f"usage line '{line}' does not start with {program}")
        words = line.split(" ")
        # The program and its command word in bold, the arguments as written.
        bold = 2 if len(words) > 1 and re.fullmatch(r"[a-z]+", words[1]) else 1
        out.append(literal(" ".join(words[:bold])) + " " +
                   plain(" ".join(words[bold:])).replace("-", r"\-"))
    return out + [".fi"]


# --- kestrava-tool's own help --------------------------------------------------

def run(tool, *arguments):
    result = subprocess.run([tool, *arguments], capture_output=True, text=True)
    if result.returncode != 0:
        fail(f"{tool} {' '.join(arguments)} exited with {result.returncode}: {result.stderr}")
    return result.stdout


def help_entries(text, heading):
    """(name part, description) of each line under 'heading:' in CLI11's help."""
    entries, inside = [], False
    for line in text.split("\n"):
        if not line.startswith(" "):
            inside = line == heading + ":"
        elif inside and line.strip():
            parts = re.split(r"\s{2,}", line.strip(), maxsplit=1)
            entries.append((parts[0], parts[1] if len(parts) > 1 else ""))
    return entries


def option_item(name, description, positional=False):
    words = name.split()
    if positional:
        # An argument's name is a placeholder; its type says nothing more.
        words = [r"\fI" + plain(words[0]) + r"\fR"] + words[2:]
        names = words[0]
    else:
        names = ", ".join(literal(n) for n in words[0].split(","))
    rest = []
    i = 1
    while i < len(words):
        if words[i] == "REQUIRED":
            rest.append("(required)")
        elif words[i] in ("Excludes:", "Needs:") and i + 1 < len(words):
            rest.append(("(not with " if words[i] == "Excludes:" else "(needs ") +
                        literal(words[i + 1]) + ")")
            i += 1
        else:
            rest.append(r"\fI" + plain(words[i]) + r"\fR")
        i += 1
    return [".TP", " ".join([names] + rest), plain(description)]


# --- the pages ----------------------------------------------------------------

def header(name, version, summary):
    return ["'\\\" t", f'.TH {name.upper()} 1 "" "{name} {version}" "User Commands"',
            ".SH NAME", f"{name} \\- {plain(summary)}"]


def files_section(program_dir):
    return [".SH FILES", ".TP", literal(program_dir),
            "The program directory: the driver plugins in " + literal("drivers/") +
            " and the calibration set, found from the installed program's own place."]


def workstation_page(readme, version, program_dir):
    blocks = readme_section(readme, "The workstation")
    code = [b for b in blocks if b[0] == "code"]
    if len(code) != 1:
        fail("'## The workstation' needs exactly one usage block")
    intro = re.match(r"Kestrava is the (.*?):", readme.split("\n\n")[1])
    if not intro:
        fail("the README's first paragraph no longer says what Kestrava is")
    page = header("kestrava", version, intro.group(1))
    page += [".SH SYNOPSIS"] + synopsis(code[0][1], "kestrava")
    page += [".SH DESCRIPTION"] + paragraph(readme.split("\n\n")[1])
    for kind, content in blocks:
        # How a build folder is laid out is for developers; FILES says where
        # the installed program keeps its directory.
        if kind == "para" and not content.startswith("After a build"):
            page += paragraph(content)
    page += [".SH HARDWARE DRIVER"]
    for kind, content in readme_section(readme, "A trial with the simulated driver", level=3):
        page += example(content) if kind == "code" else paragraph(content)
    page += files_section(program_dir)
    page += [".SH SEE ALSO", r"\fBkestrava-tool\fR(1)"]
    return page


def tool_page(readme, tool, program_dir):
    version_line = run(tool, "--version").strip()
    top_help = run(tool, "--help")
    commands = [name for name, _ in help_entries(top_help, "Subcommands")]
    if not commands:
        fail("kestrava-tool --help lists no commands")
    blocks = readme_section(readme, "kestrava-tool usage")
    code = [b for b in blocks if b[0] == "code"]
    if len(code) != 1:
        fail("'## kestrava-tool usage' needs exactly one usage block")

    described, after_list, conventions, introduction = {}, {}, [], []
    last = None
    for kind, content in blocks:
        if kind == "bullet":
            match = re.match(r"`([a-z]+)` — (.*)", content)
            if not match:
                fail(f"a command bullet must start with `command` — : {content[:40]}")
            last = match.group(1)
            described[last] = match.group(2)
        elif kind == "para" and content.startswith("After a build"):
            continue
        elif kind == "para" and content.startswith("Conventions:"):
            conventions.append(sentence(content[len("Conventions:"):].strip()))
            last = "conventions"
        elif kind in ("para", "table"):
            if last is None:
                introduction.append(content)
            elif last == "conventions":
                conventions.append(content)
            else:
                after_list.setdefault(last, []).append((kind, content))
    missing = [c for c in commands if c not in described]
    if missing:
        fail(f"the README does not describe the command(s) {', '.join(missing)}")

    summary = top_help.split("\n")[0]
    page = header("kestrava-tool", version_line.split()[-1], summary[0].lower() + summary[1:])
    page += [".SH SYNOPSIS"] + synopsis(code[0][1], "kestrava-tool")
    page += [".SH DESCRIPTION"]
    for text in introduction:
        page += paragraph(text)
    page += [".SH COMMANDS"]
    for command in commands:
        command_help = run(tool, command, "--help")
        page += [f".SS {command}"] + paragraph(sentence(described[command]))
        for name, description in help_entries(command_help, "Positionals"):
            page += option_item(name, description, positional=True)
        for name, description in help_entries(command_help, "Options"):
            if not name.startswith("-h,"):
                page += option_item(name, description)
        for kind, content in after_list.get(command, []):
            page += paragraph(content) if kind == "para" else table(content)
    if conventions:
        page += [".SH CONVENTIONS AND EXIT STATUS"]
        for text in conventions:
            page += paragraph(text)
    page += files_section(program_dir)
    page += [".SH SEE ALSO", r"\fBkestrava\fR(1)"]
    return page


def write(path, lines):
    # Maximum compression without a name or time stamp, as Debian's manual
    # pages are, so that the same text always gives the same bytes.
    path.write_bytes(gzip.compress(("\n".join(lines) + "\n").encode(), 9, mtime=0))


def main():
    parser = argparse.ArgumentParser()
    for option in ("--tool", "--readme", "--version", "--program-dir", "--out"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    readme = pathlib.Path(args.readme).read_text(encoding="utf-8")
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    write(out / "kestrava.1.gz", workstation_page(readme, args.version, args.program_dir))
    write(out / "kestrava-tool.1.gz", tool_page(readme, args.tool, args.program_dir))


if __name__ == "__main__":
    main()
