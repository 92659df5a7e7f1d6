// Reading XML files: the bytes of a file brought to UTF-8, the form every in-memory document
// holds, by its byte-order mark or by the encoding its XML declaration names; and the
// declaration's correction once such text has been parsed.
#pragma once

class DataBuffer;
class LogBase;
class TreeNode;

// Replaces the content of `out` with the file's bytes in UTF-8 (not NUL-terminated). False, with
// the reason in `log`, when the file cannot be read.
bool loadXmlFileText(const char* path, LogBase* log, DataBuffer& out);

// After parsing a file: a declared encoding "utf-16", "ucs-2" or "unicode" (ignoring case) is
// replaced by "utf-8", since the text was converted. Other encodings stay, so that saving
// converts back to them.
void correctUnicodeDeclaration(TreeNode* root);
