// libFuzzer target for reading a response: status line, header fields, interim answers and the
// body by length, in chunks or until close. The input starts with a settings byte and four piece
// sizes; the rest is what the server sends. It is read once in whole receives and once in the
// scripted pieces: both reads stay within the header and body bounds and agree byte for byte.
#include "response_reading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    HttpControl& control = fuzz::controlFromChoice(in.take());
    std::vector<uint32_t> pieces = fuzz::piecesFrom(in, 4);

    fuzz::ResponseRead whole;
    fuzz::readResponse(in.rest(), in.restSize(), {}, control, whole);
    fuzz::ResponseRead split;
    fuzz::readResponse(in.rest(), in.restSize(), pieces, control, split);
    fuzz::checkResponse(whole, whole, control);
    fuzz::checkResponse(split, whole, control);
    return 0;
}
