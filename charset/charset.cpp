// Charset: names resolved through the name tables of code_page_names.
#include "charset/charset.h"

#include "charset/code_page_names.h"
#include "charset/code_pages.h"

bool Charset::SetByName(const char* name) {
    StringBuffer key(name != nullptr ? name : "");
    key.trim();
    key.toLowerCase();
    if (key.equals("default") || key.equals("x-user-defined")) {
        clear();
        return false;
    }
    if (key.equals("ansi"))
        return SetByCodePage(CodePages::SystemAnsiCodePage());
    if (key.equals("oem"))
        return SetByCodePage(CodePages::SystemOemCodePage());

    unsigned codePage = CodePageFromName(key.getString());
    if (codePage == 0) {
        clear();
        return false;
    }
    m_codePage = codePage;
    // A known name whose code page has no preferred name stands for itself.
    if (!NameFromCodePage(codePage, m_name))
        m_name.setSb(key);
    m_name.toLowerCase();
    return true;
}

bool Charset::SetByCodePage(unsigned codePage) {
    if (!NameFromCodePage(codePage, m_name)) {
        clear();
        return false;
    }
    m_name.toLowerCase();
    m_codePage = codePage;
    return true;
}

void Charset::clear() {
    m_name.clear();
    m_codePage = 0;
}
