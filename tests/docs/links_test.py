#!/usr/bin/python3
"""Every link of the README and the docs' pages leads somewhere: a file of
the repository, and a heading of the page it names (GitHub's anchors).
Pages move and headings get reworded; a reader who follows a link to nothing
is lost at the door.

    links_test.py SOURCE_DIR
"""
import pathlib
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")


def anchor(heading):
    """GitHub's anchor of a heading: lower case, punctuation dropped, spaces
    turned into hyphens."""
    text = heading.strip().lower().replace("`", "")
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(page):
    text = re.sub(r"^```.*?^```", "", page.read_text(encoding="utf-8"), flags=re.S | re.M)
    return {anchor(m.group(1)) for m in re.finditer(r"^#+ (.*)$", text, re.M)}


def broken_links(page, source):
    text = re.sub(r"^```.*?^```", "", page.read_text(encoding="utf-8"), flags=re.S | re.M)
    for target in LINK.findall(text):
        if re.match(r"[a-z]+:", target):
            continue
        path, _, fragment = target.partition("#")
        file = (page.parent / path if path else page).resolve()
        if not file.exists() or source.resolve() not in file.parents:
            yield f"{page.relative_to(source)}: {target}: no such file"
        elif fragment and file.suffix == ".md" and fragment not in anchors(file):
            yield f"{page.relative_to(source)}: {target}: no such heading"


def main():
    source = pathlib.Path(sys.argv[1])
    pages = [source / "README.md", *sorted((source / "docs").glob("*.md"))]
    broken = [b for page in pages for b in broken_links(page, source)]
    index = (source / "docs" / "README.md").read_text(encoding="utf-8")
    unlisted = [p.name for p in pages[1:] if p.name != "README.md" and f"({p.name})" not in index]
    for line in broken:
        print(line, file=sys.stderr)
    for name in unlisted:
        print(f"docs/README.md does not list docs/{name}", file=sys.stderr)
    print(f"{len(pages)} pages checked")
    return 1 if broken or unlisted else 0


if __name__ == "__main__":
    sys.exit(main())
