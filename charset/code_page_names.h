// Charset names and code page identifiers: the names the library recognises in HTTP headers, META
// tags and XML declarations, and the preferred name of each code page that has one.
#pragma once

class StringBuffer;

// The code page a charset name denotes, or 0 when the name is unknown. The name is trimmed and
// lower-cased (ASCII letters, and the bytes 0xC0 to 0xDF), and "_" counts as "-"; names shorter
// than three characters are never known.
unsigned CodePageFromName(const char* name);

// The code page a label on a web page or in an HTTP header denotes, as browsers read it: the
// web's own labels first (latin1, ascii and iso-8859-1 are windows-1252, gbk is 936, utf8 and
// windows-31j are known...), then every name of CodePageFromName, normalised the same way.
unsigned CodePageFromLabel(const char* label);

// Writes the preferred (lower-case) name of a code page to `out`, replacing its content; false,
// with `out` unchanged, when the code page has no name.
bool NameFromCodePage(unsigned codePage, StringBuffer& out);

// The preferred name itself, or null; the text is static.
const char* PreferredCodePageName(unsigned codePage);

// The name table, for callers that list or check it: the names as the table holds them.
unsigned NumCodePageNames();
const char* CodePageNameAt(unsigned index);
