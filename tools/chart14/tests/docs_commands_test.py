#!/usr/bin/python3
"""The README's and the docs' pages say what users type: this runs it.

    docs_commands_test.py SOURCE_DIR CHART14 [GDAL_DRIVER_DIR]

Every line of a ```sh block that starts with chart14, ogrinfo or ogr2ogr is
run in a scratch folder beside the repository's examples/, with chart14
meaning the built tool and GDAL_DRIVER_PATH naming the built driver, and
must exit 0. A line is left out when it names an input the repository does
not hold (old.txt, charts/*.txt: the reader's own files; a file of
examples/ that is gone fails) or one an earlier
line of the same block did not make, or when it needs a program or a driver
this build lacks; the summary says how many ran, so a page whose commands
all went unrun shows.
"""
import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

PROGRAMS = ("chart14", "ogrinfo", "ogr2ogr")
# Names of outputs that a line makes (after -o, after a format's name, or
# after a redirection), so that a later line of the block may read them.
OUTPUT_FLAGS = ("-o", ">")


def pages(source):
    yield source / "README.md"
    yield from sorted((source / "docs").glob("*.md"))


def shell_blocks(text):
    for match in re.finditer(r"^```sh\n(.*?)^```", text, re.S | re.M):
        yield match.group(1).splitlines()


def command_of(line):
    """The line without its comment, split as the shell would; None when it
    is no command of ours."""
    try:
        words = shlex.split(line, comments=True)
    except ValueError:
        return None
    if not words or words[0] not in PROGRAMS:
        return None
    return words


def outputs_of(words):
    made = set()
    for i, word in enumerate(words[:-1]):
        if word in OUTPUT_FLAGS:
            made.add(words[i + 1])
    if words[0] == "ogr2ogr":
        positional = [w for i, w in enumerate(words[1:], 1)
                      if not w.startswith("-") and not words[i - 1].startswith("-")]
        if positional:
            made.add(positional[0])
    return made


def inputs_of(words):
    """The words that name files to read: paths with a folder or a chart's
    suffix, that are not outputs."""
    made = outputs_of(words)
    return [w for w in words[1:]
            if w not in made and not w.startswith("-") and "=" not in w
            and re.search(r"\.(txt|gpkg|dat|csv|geojson|tif)$|\*", w)]


def run_page(path, work, env):
    ran, skipped, failures = 0, 0, []
    for block in shell_blocks(path.read_text(encoding="utf-8")):
        made = set()
        for line in block:
            words = command_of(line)
            if words is None:
                continue
            missing = [w for w in inputs_of(words)
                       if w not in made and not (work / w).exists()]
            gone = [w for w in missing if w.startswith("examples/")]
            if gone:
                failures.append(f"{path.name}: `{line.strip()}` names {', '.join(gone)}, which the repository lacks")
                continue
            needs_gdal = words[0] != "chart14"
            if missing or (needs_gdal and "GDAL_DRIVER_PATH" not in env) or not shutil.which(words[0], path=env["PATH"]):
                skipped += 1
                continue
            result = subprocess.run(line, shell=True, cwd=work, env=env, capture_output=True,
                                    executable="/bin/bash", timeout=300)
            ran += 1
            made |= outputs_of(words)
            if result.returncode != 0:
                failures.append(f"{path.name}: `{line.strip()}` exited {result.returncode}:\n"
                                f"{result.stderr.decode(errors='replace')[-2000:]}")
    return ran, skipped, failures


def main():
    source, chart14 = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2]).resolve()
    env = dict(os.environ)
    with tempfile.TemporaryDirectory() as scratch:
        work = pathlib.Path(scratch)
        (work / "examples").symlink_to(source / "examples")
        tools = work / ".bin"
        tools.mkdir()
        (tools / "chart14").symlink_to(chart14)
        env["PATH"] = f"{tools}:{env.get('PATH', '/usr/bin:/bin')}"
        env.pop("GDAL_DRIVER_PATH", None)
        if len(sys.argv) > 3 and (pathlib.Path(sys.argv[3]) / "ogr_Chart14.so").exists():
            env["GDAL_DRIVER_PATH"] = sys.argv[3]
        total_ran, total_skipped, failures = 0, 0, []
        for page in pages(source):
            ran, skipped, failed = run_page(page, work, env)
            total_ran += ran
            total_skipped += skipped
            failures += failed
            print(f"{page.relative_to(source)}: {ran} commands ran, {skipped} left out")
    for failure in failures:
        print(failure, file=sys.stderr)
    if total_ran == 0:
        print("no command ran: the pages' blocks were not found", file=sys.stderr)
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
