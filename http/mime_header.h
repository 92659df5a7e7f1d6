// MimeHeader: the fields of one header block, in order, as the HTTP engine receives them (the
// response header) or sends them (the extra request headers). It owns its fields. Field names
// compare without regard to case; several fields may share a name. Parsing reads text from the
// network and bounds everything it does by the size of that text and a line limit.
#pragma once

#include "base/ext_ptr_array.h"
#include "http/mime_field.h"

class StringBuffer;

class MimeHeader {
public:
    MimeHeader() = default;
    ~MimeHeader();
    MimeHeader(const MimeHeader&) = delete;
    MimeHeader& operator=(const MimeHeader&) = delete;

    // Replaces the fields with those of `text`:
    // - the block ends at the first empty line; CR LF, lone CR and lone LF all end a line;
    // - at most HttpLimits::kMaxHeaderLines lines are read; a line starting with "From " is skipped;
    // - a line starting with a blank or tab continues the previous one: its first character is
    //   dropped (when an encoded word "=?" follows its leading blanks, only the last blank is
    //   kept) and the rest is appended directly;
    // - the name is the text before the first ':' (a line without one gives no field), trimmed,
    //   with every blank, '<', '>', double quote and single quote replaced by '-';
    // - the value is the text after the ':', one leading blank or tab skipped, trimmed; RFC 2047
    //   encoded words in it are decoded to UTF-8 when it contains "?Q?" or "?B?" (any case); a
    //   decoded line break followed by a blank or tab is dropped with it, any other CR or LF
    //   becomes a blank.
    // Text with 8-bit bytes is first converted to UTF-8 from the charset of its Content-Type
    // field, else from the first of Windows-1252, ISO-8859-1 and ISO-8859-2 that converts it
    // cleanly; the code page read is kept (see getCodePage).
    void parseHeaderText(const char* text);

    // The code page the header text was read in: that of 8-bit text converted by
    // parseHeaderText (65001 for text declared UTF-8), 0 when none was determined.
    int getCodePage() const { return m_codePage; }
    void setCodePage(int codePage) { m_codePage = codePage; }

    int getNumFields() const { return m_fields.getSize(); }
    // Null when i is out of range.
    const MimeField* getFieldAt(int i) const;

    // Clears `value`, then sets it to the value of the first field named `name`; false when
    // there is none.
    bool getField(const char* name, StringBuffer& value) const;
    bool hasField(const char* name) const;
    // A parameter inside a field's value, such as "charset" of "Content-Type". The value is
    // split at ';' (quotes and backslash escapes respected); the first part holding '=' whose
    // name equals `param` ignoring case gives the value, trimmed and without its quotes. The
    // leading part without '=' (the media type) never matches. Clears `value` first; false when
    // the field or the parameter is absent.
    bool getFieldParam(const char* name, const char* param, StringBuffer& value) const;

    // Appends a field, keeping any others of the same name.
    void addField(const char* name, const char* value);
    // Sets the value of the first field named `name`, removing any further ones of that name;
    // adds the field when there is none.
    void replaceField(const char* name, const char* value);
    // Removes every field named `name`; answers how many there were.
    int removeField(const char* name);
    void clear();

    // Replaces `out` with one line per field ("name: value"), CR LF between lines and no line
    // break after the last. Fields whose name begins with `excludePrefix` (ignoring case) are
    // left out; a null or empty prefix excludes nothing.
    void serialize(StringBuffer& out, const char* excludePrefix = nullptr) const;

private:
    MimeField* fieldAt(int i) const;
    // Adds the fields of a normalised block (CR LF line ends, no empty line).
    void addFieldsFromBlock(const StringBuffer& block);
    void addFieldFromLine(const StringBuffer& line);
    // Converts an 8-bit block to UTF-8 in place, choosing its code page as parseHeaderText says;
    // answers the code page, or 0 when none converts cleanly (the block is then unchanged).
    static int convertBlockToUtf8(StringBuffer& block);

    int m_codePage = 0;
    ExtPtrArray m_fields;
};
