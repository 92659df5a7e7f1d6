#include "base/digest.h"

#include "base/string_buffer.h"

#include <cstring>
#include <openssl/evp.h>
#include <zlib.h>

namespace {

// Fetched once: an explicit fetch spares every digest the provider look-up that EVP_md5()
// implies. Falls back to the implicit form when no provider hands out MD5.
const EVP_MD* md5Method() {
    static const EVP_MD* const fetched = EVP_MD_fetch(nullptr, "MD5", nullptr);
    return fetched != nullptr ? fetched : EVP_md5();
}

} // namespace

namespace Digest {

bool md5(const void* data, uint32_t size, unsigned char out[kMd5Size]) {
    unsigned int length = 0;
    unsigned char digest[EVP_MAX_MD_SIZE];
    static const unsigned char kNothing = 0;
    if (EVP_Digest(size == 0 ? &kNothing : data, size, digest, &length, md5Method(), nullptr) != 1 ||
        length != kMd5Size)
        return false;
    std::memcpy(out, digest, kMd5Size);
    return true;
}

uint32_t crc32(const void* data, uint32_t size) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    if (size > 0)
        crc = ::crc32(crc, static_cast<const Bytef*>(data), size);
    return static_cast<uint32_t>(crc);
}

uint32_t crc32Text(const char* text) {
    return text == nullptr ? crc32(nullptr, 0) : crc32(text, static_cast<uint32_t>(std::strlen(text)));
}

void appendHex(const unsigned char digest[kMd5Size], StringBuffer& out) {
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < kMd5Size; ++i) {
        out.appendChar(kDigits[digest[i] >> 4]);
        out.appendChar(kDigits[digest[i] & 15]);
    }
}

} // namespace Digest
