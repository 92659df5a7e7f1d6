"""Writes the fixture sites of the throughput benchmark: crawl_sites.py <dir> <count> <delay-ms>.

Each site has a home page of 10-60 KB of words with navigation and outside links, an about page and
a contact page; a third of the contact pages hold a US street address and telephone number, one
site in five is served in a legacy charset (windows-1252 or windows-1251) with letters of it. The
same seed gives the same sites, so runs compare."""
import os
import random
import sys

WORDS = ("garden service quality family company products customers design project support "
         "friendly local team history craft wood metal build repair order delivery price offer "
         "season travel house kitchen window colour paint stone water energy solar planning").split()
LATIN = ["caf\xe9", "na\xefve", "pr\xe9sident", "m\xfcller", "se\xf1or", "\xe9t\xe9"]
CYRILLIC = ["\u043f\u0440\u0438\u0432\u0435\u0442", "\u043c\u0430\u0433\u0430\u0437\u0438\u043d",
            "\u0434\u043e\u0441\u0442\u0430\u0432\u043a\u0430", "\u043a\u043e\u043d\u0442\u0430\u043a\u0442"]
ADDRESSES = ["1200 Main St, Dallas, TX 75201", "88 Pine Street, Seattle, WA 98101",
             "5 Elm Road, Denver, CO 80202", "410 Lake Ave, Chicago, IL 60601"]
PAGES = ["/", "/index.html", "/about.html", "/contact.html"]


def paragraph(rng, extra):
    words = [rng.choice(WORDS) for _ in range(rng.randint(40, 90))]
    if extra:
        words[rng.randrange(len(words))] = rng.choice(extra)
    return "<p>" + " ".join(words).capitalize() + ".</p>\n"


def page(title, charset, body):
    meta = '<meta charset="%s">' % charset if charset else ""
    return "<!DOCTYPE html>\n<html><head>%s<title>%s</title></head><body>\n%s</body></html>\n" % (
        meta, title, body)


def site(rng, i):
    name = "site%05d.com" % i
    charset = rng.choice(["windows-1252", "windows-1251"]) if i % 5 == 0 else ""
    extra = (LATIN if charset == "windows-1252" else CYRILLIC) if charset else []
    nav = ('<nav><a href="/">Home</a> <a href="/about.html">About us</a> '
           '<a href="/contact.html">Contact</a></nav>\n')
    size = rng.randint(10, 60) * 1024
    body = [nav]
    while sum(len(part) for part in body) < size:
        body.append(paragraph(rng, extra))
        if rng.random() < 0.2:
            body.append('<p><a href="http://partner%d.example/">Partner %d</a></p>\n' % (i, i))
    address = "<p>Visit us: %s. Call (214) 555-%04d.</p>\n" % (rng.choice(ADDRESSES), i % 10000) \
        if i % 3 == 0 else ""
    pages = {
        "index.html": page("Site %d %s" % (i, rng.choice(WORDS)), charset, "".join(body)),
        "about.html": page("About site %d" % i, charset, nav + paragraph(rng, extra) * 3),
        "contact.html": page("Contact", charset, nav + paragraph(rng, extra) + address),
    }
    return name, charset, pages


def main():
    out, count, delay = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(23)
    for i in range(count):
        name, charset, pages = site(rng, i)
        folder = os.path.join(out, name)
        os.makedirs(folder)
        for file_name, text in pages.items():
            with open(os.path.join(folder, file_name), "wb") as f:
                f.write(text.encode(charset or "utf-8"))
        with open(os.path.join(folder, "_site.conf"), "w") as f:
            f.writelines("delay %s %d\n" % (path, delay) for path in PAGES)
            if charset:
                f.write("charset %s\n" % charset)


main()
