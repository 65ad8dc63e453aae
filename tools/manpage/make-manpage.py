#!/usr/bin/env python3
"""make-manpage.py PROGRAM VERSION OUT: the manual page of the program, section 6, made from its
own --help text, so the two never disagree. The usage line becomes the synopsis, the lines
before the option list the description, each "  --flag ARGS   text" entry (with its indented
continuation lines) an option, and the "Exit status:" list the EXIT STATUS section."""
import re
import subprocess
import sys


def roff(text):
    """Text for a man page line: backslashes and leading dots or quotes escaped, hyphens literal."""
    text = text.replace('\\', '\\e').replace('-', '\\-')
    if text[:1] in ('.', "'"):
        text = '\\&' + text
    return text


def entries(lines):
    """(term, text) pairs of an indented two-column list; continuation lines join the text."""
    out = []
    for line in lines:
        match = re.match(r'^  (\S.*?)(?:\s{2,}(\S.*))?$', line)
        if match and not line.startswith(' ' * 8):
            out.append([match.group(1), match.group(2) or ''])
        elif line.startswith(' ' * 8) and out:
            out[-1][1] = (out[-1][1] + ' ' + line.strip()).strip()
    return out


def main():
    program, version, out = sys.argv[1:4]
    help_text = subprocess.run([program, '--help'], capture_output=True, text=True, check=True).stdout
    lines = help_text.splitlines()
    usage = lines[0]
    name = 'talvoren'
    synopsis = usage.split(' ', 2)[2] if usage.startswith('Usage:') else '[options]'
    options_start = next(i for i, line in enumerate(lines) if line.startswith('  -'))
    description = [line for line in lines[1:options_start] if line.strip()]
    status_start = next(i for i, line in enumerate(lines) if line.startswith('Exit status:'))
    option_lines = [line for line in lines[options_start:status_start] if line.startswith(' ')]
    closing = [line for line in lines[options_start:status_start] if line.strip() and not line.startswith(' ')]
    status_lines = lines[status_start + 1:]

    page = [
        f'.TH {name.upper()} 6 "" "{name} {version}" "Games"',
        '.SH NAME',
        f'{name} \\- a real-time audiovisual demo, four minutes of OpenGL scenes in step with their music',
        '.SH SYNOPSIS',
        f'.B {name}',
        roff(synopsis),
        '.SH DESCRIPTION',
    ]
    page += [roff(line) for line in description]
    page.append('.SH OPTIONS')
    for term, text in entries(option_lines):
        flag, _, argument = term.partition(' ')
        page.append('.TP')
        page.append(f'.B {roff(flag)}' + (f' " {roff(argument)}"' if argument else ''))
        page.append(roff(text))
    if closing:
        page.append('.PP')
        page += [roff(line) for line in closing]
    page.append('.SH EXIT STATUS')
    for term, text in entries(status_lines):
        page.append('.TP')
        page.append(f'.B {roff(term)}')
        page.append(roff(text))
    page += [
        '.SH FILES',
        '.TP',
        '.I ./data',
        'The show\\(aqs pictures, models, camera paths, story and music, when the folder holds demo.mp3.',
        '.TP',
        '.I /usr/share/games/talvoren/data',
        'The data installed with the program (found relative to the program, for any prefix).',
        '.SH ENVIRONMENT',
        '.TP',
        '.B TALVOREN_EGL_PLATFORM',
        'For headless runs: \\fBdevice\\fP or \\fBsurfaceless\\fP takes that EGL platform only.',
    ]
    with open(out, 'w', encoding='ascii') as f:
        f.write('\n'.join(page) + '\n')
    return 0


if __name__ == '__main__':
    sys.exit(main())
