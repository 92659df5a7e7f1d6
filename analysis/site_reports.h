// Site report files: a readable record of everything the analysis learned about a site, and
// three small HTML lists for follow-up work (sites without a country, sites without a contact
// page, the sites' e-mail addresses as script-encoded mailto links). Written at the end of every
// site outside quick mode, into the directory "Output" below the current directory, which the
// program never creates: without it nothing is written. The files are only ever appended to.
//
// Any number of workers may report at once: the four files are written under one process-wide
// lock, so the lines of different sites never interleave.
#pragma once

class SiteAnalyzer;
class StringBuffer;

// Appends the site's record to "Output/SiteIntel.txt", its link line to "Output/NoCountry.html"
// when it has no country and to "Output/NoContact.html" when it has no contact page, and one line
// per e-mail address to "Output/EmailLinks.html". `domain` is the site's name as analysed (with
// the "www." prefix the analysis may have added). Upper-cases the analyzer's `country` and
// `state`. A file that cannot be opened is skipped; without "Output/SiteIntel.txt" nothing is
// written at all.
void writeSiteReports(SiteAnalyzer& analyzer, const char* domain);

// Replaces `out` with a script element that writes the link <a href="`href`">`linkText`</a>
// through document.write and String.fromCharCode, every byte of the link given as a decimal,
// octal or hexadecimal number, with random choices of spelling and spacing so that no two
// addresses look alike to an address harvester.
void makeEmailLinkScript(const char* linkText, const char* href, StringBuffer& out);

// lo when lo equals hi; otherwise lo + r * hi / 32768 (rounded down) for a random r from 0 to
// 32767 (the C library's generator), kept within [lo, hi].
unsigned randomInRange(unsigned lo, unsigned hi);
