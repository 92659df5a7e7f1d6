// Something that takes strings one at a time (ClsStringArray is one), so a producer can feed a
// list without knowing what keeps it.
#pragma once

class StringConsumer {
public:
    virtual ~StringConsumer() = default;
    virtual void consumeString(const char* s) = 0;
};
