#!/usr/bin/env python3
# Every link of the User Guide and the release notes leads somewhere: each href names a file of
# the data folder, and each #fragment an id (or a name) in the page it points at.
import functools
import html.parser
import pathlib
import sys
import urllib.parse


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links = []
        self.anchors = set()

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("id", "name") and value:
                self.anchors.add(value)
            if name in ("href", "src") and value is not None:
                self.links.append((self.getpos()[0], value))


@functools.cache
def parse(path):
    page = Page()
    page.feed(path.read_text(encoding="utf-8"))
    return page


def main(data):
    data = pathlib.Path(data).resolve()
    pages = sorted(data.glob("help/*.html")) + [data / "release-notes.html"]
    broken = []
    checked = 0
    for page_path in pages:
        for line, href in parse(page_path).links:
            checked += 1
            where = f"{page_path.relative_to(data)}:{line}: {href}"
            url = urllib.parse.urlsplit(href)
            if url.scheme or url.netloc:
                continue  # outside addresses are not ours to check
            target = (page_path.parent / urllib.parse.unquote(url.path)).resolve() if url.path else page_path
            if data not in target.parents or not target.is_file():
                broken.append(where + " (no such file)")
                continue
            if url.fragment and target.suffix == ".html":
                if url.fragment not in parse(target).anchors:
                    broken.append(where + " (no such anchor)")
    for line in broken:
        print(line)
    print(f"{checked} links checked in {len(pages)} pages, {len(broken)} broken")
    return 1 if broken or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
