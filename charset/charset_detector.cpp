#include "charset/charset_detector.h"

#include "charset/code_page_names.h"

#include <uchardet.h>

unsigned DetectCodePage(const unsigned char* p, std::size_t n) {
    uchardet_t detector = uchardet_new();
    if (detector == nullptr)
        return 0;
    unsigned codePage = 0;
    if (uchardet_handle_data(detector, reinterpret_cast<const char*>(p), n) == 0) {
        uchardet_data_end(detector);
        codePage = CodePageFromLabel(uchardet_get_charset(detector));
    }
    uchardet_delete(detector);
    return codePage;
}
