#include "analysis/failure_cause.h"

#include "base/string_buffer.h"

namespace {

// Wordings of an offer to sell the domain.
const char* const kForSaleWords[] = {"for sale", "buy this domain"};
// Wordings of a parking service or a registrar's holding page.
const char* const kParkedWords[] = {"park", "place-holder", "holding page", "domain name renewal"};

bool mentions(const char* phrase, const char* word) {
    return StringBuffer(phrase).containsSubstringNoCase(word);
}

} // namespace

FetchFailure deadPageFailure(const char* phrase) {
    if (phrase == nullptr)
        return FetchFailure::DeadPage;
    for (const char* word : kForSaleWords) {
        if (mentions(phrase, word))
            return FetchFailure::ForSale;
    }
    for (const char* word : kParkedWords) {
        if (mentions(phrase, word))
            return FetchFailure::Parked;
    }
    return FetchFailure::DeadPage;
}
