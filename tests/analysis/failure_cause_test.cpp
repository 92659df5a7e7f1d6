#include "analysis/failure_cause.h"
#include "analysis/page_fetch.h"

#include <gtest/gtest.h>

namespace {

// Pages with a phrase of the dead-page table and the cause the phrase stands for.
struct PhraseCase {
    const char* page;
    FetchFailure cause;
};

TEST(FailureCause, DeadPagePhrasesAreToldApartByTheirWording) {
    const PhraseCase cases[] = {
        {"<p>This website is for sale</p>", FetchFailure::ForSale},
        {"<b>Buy This Domain!</b>", FetchFailure::ForSale},
        {"example.com is registered and is currently parked", FetchFailure::Parked},
        {"<a href='http://www.sedo.com/services/parking.php3'>", FetchFailure::Parked},
        {"Welcome to the holding page for example.com", FetchFailure::Parked},
        {"<div id=parked_banner_comingsoon>", FetchFailure::Parked},
        {"<h1>404 Not Found</h1>", FetchFailure::DeadPage},
        {"Web Page Under Construction", FetchFailure::DeadPage},
        {"THIS COMPANY IS NO LONGER IN BUSINESS", FetchFailure::DeadPage},
    };
    for (const PhraseCase& c : cases) {
        const char* phrase = findDeadPagePhrase(c.page);
        ASSERT_NE(phrase, nullptr) << c.page;
        EXPECT_STREQ(fetchFailureWord(deadPageFailure(phrase)), fetchFailureWord(c.cause)) << c.page;
    }
}

} // namespace
