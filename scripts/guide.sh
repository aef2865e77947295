#!/usr/bin/env bash
# Renders the operator's guide: docs/guide.md (Japanese) to OUTDIR/guide.html and
# docs/guide.en.md (English) to OUTDIR/guide.en.html, with their pictures in OUTDIR/images and
# the example spreadsheet of titles (docs/titles-example.csv) next to them.
# scripts/package.sh installs OUTDIR as the guide of the Windows installer.
#
#   scripts/guide.sh OUTDIR
#   scripts/guide.sh --check      render into a scratch folder and check the two guides: every
#                                 picture they show exists, every picture of docs/images is shown
#                                 in both, in the same order, and every screen text they quote
#                                 (「...」) is one the program has; and check that every relative
#                                 link and picture of README.md, docs/development.md,
#                                 docs/tvx5870ctl.md and docs/remote.md leads to a file that
#                                 exists, and every anchor to a heading or <a id> of its page
# Needs Debian's python3-markdown (scripts/setup.sh installs it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    out="$(mktemp -d "${TMPDIR:-/tmp}/guide.XXXXXX")"
    trap 'rm -rf "$out"' EXIT
elif [ $# -eq 1 ] && [ "${1:0:1}" != "-" ]; then
    out="$1"
else
    sed -n '2,15p' "$0" >&2
    exit 2
fi

# Debian's interpreter has the markdown module; another python3 on PATH may not.
python=python3
for candidate in /usr/bin/python3 python3; do
    if "$candidate" -c 'import markdown' 2>/dev/null; then
        python="$candidate"
        break
    fi
done

mkdir -p "$out/images"
cp "$root"/docs/images/*.png "$out/images/"
cp "$root/docs/titles-example.csv" "$out/"
"$python" - "$root" "$out" "$check" <<'PY'
import html, pathlib, re, sys

import markdown

root, out, check = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3] == "1"


def anchors(text):
    """The anchors of a Markdown page: its <a id>s and its headings as GitHub names them."""
    names = set(re.findall(r'<a id="([^"]+)"', text))
    for heading in re.findall(r"^#{1,6}[ \t]+(.+?)[ \t]*#*$", text, re.M):
        names.add(re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-"))
    return names


def link_problems(root, pages):
    """Relative links and pictures that lead nowhere, on the pages given."""
    found = []
    for page in pages:
        path = root / page
        text = path.read_text(encoding="utf-8")
        # Code is no link: fenced blocks, indented blocks and code spans go first.
        prose = re.sub(r"^```.*?^```", "", text, flags=re.M | re.S)
        prose = re.sub(r"^(    |\t).*$", "", prose, flags=re.M)
        prose = re.sub(r"`[^`\n]*`", "", prose)
        targets = re.findall(r"\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)", prose)
        targets += re.findall(r"<(?:img|a)\s[^>]*?(?:src|href)=\"([^\"]+)\"", prose)
        for target in targets:
            if re.match(r"[a-z][a-z0-9+.-]*:", target):
                continue  # http:, https:, mailto:
            file_part, _, anchor = target.partition("#")
            linked = (path.parent / file_part).resolve() if file_part else path
            if not linked.exists():
                found.append(f"{page}: link to {target}: {file_part} does not exist")
                continue
            if anchor and linked.suffix == ".md" and anchor not in anchors(
                    linked.read_text(encoding="utf-8")):
                found.append(f"{page}: link to {target}: no anchor #{anchor} there")
    return found
guides = [("guide.md", "guide.html", "ja", "TVX-5870 操作説明書"),
          ("guide.en.md", "guide.en.html", "en", "TVX-5870 Operator's Guide")]
style = """
body { font-family: "Meiryo", "Yu Gothic", "VL PGothic", sans-serif; max-width: 58em;
       margin: 2em auto; padding: 0 1em; line-height: 1.6; color: #222; }
h1, h2, h3 { line-height: 1.3; } h2 { border-bottom: 1px solid #ccc; margin-top: 2em; }
img { max-width: 100%; border: 1px solid #bbb; margin: 0.5em 0; }
table { border-collapse: collapse; } th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; }
code { background: #f3f3f3; padding: 0 0.2em; } pre { background: #f3f3f3; padding: 0.5em; }
"""
problems = []
pictures = {}
for source, target, lang, title in guides:
    text = (root / "docs" / source).read_text(encoding="utf-8")
    pictures[source] = re.findall(r"!\[[^\]]*\]\(images/([^)\s]+)\)", text)
    for name in pictures[source]:
        if not (root / "docs" / "images" / name).is_file():
            problems.append(f"{source}: images/{name} does not exist")
    # Links between the two guides point at their rendered pages.
    text = re.sub(r"\]\((guide(?:\.en)?)\.md(#[^)]*)?\)", r"](\1.html\2)", text)
    body = markdown.markdown(text, extensions=["tables", "toc", "sane_lists"])
    page = (f'<!DOCTYPE html>\n<html lang="{lang}">\n<head>\n<meta charset="utf-8">\n'
            f"<title>{html.escape(title)}</title>\n<style>{style}</style>\n</head>\n"
            f"<body>\n{body}\n</body>\n</html>\n")
    (out / target).write_text(page, encoding="utf-8")

if check:
    every = sorted(p.name for p in (root / "docs" / "images").glob("*.png"))
    for source, names in pictures.items():
        for name in every:
            if name not in names:
                problems.append(f"{source}: images/{name} is not shown")
    if pictures["guide.md"] != pictures["guide.en.md"]:
        problems.append("the two guides show their pictures in a different order")
    # Screen texts are quoted 「...」 in both guides and must be the program's own.
    program = ""
    for path in sorted((root / "src").rglob("*")):
        if path.suffix in (".rc", ".cpp", ".h"):
            program += path.read_text(encoding="utf-8", errors="replace")
    for source, _, _, _ in guides:
        text = (root / "docs" / source).read_text(encoding="utf-8")
        for quoted in sorted(set(re.findall(r"「([^」]+)」", text))):
            if quoted not in program:
                problems.append(f"{source}: 「{quoted}」 is no text of the program")
    problems += link_problems(root, ["README.md", "docs/development.md", "docs/tvx5870ctl.md",
                                     "docs/remote.md"])
for problem in problems:
    print("guide: " + problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
if [ "$check" -eq 1 ]; then
    echo "guide: both guides render, show every picture and quote only the program's texts;"
    echo "guide: every link of the README, the development guide and the reference leads somewhere"
else
    echo "guide: $out/guide.html, $out/guide.en.html"
fi
