#include "analysis/word_list.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string vectorOf(const WordList& list, unsigned maxWords) {
    StringBuffer out("stale");
    list.toVector(out, maxWords);
    return out.getString();
}

// The words of a vector "word,count,word,count".
std::vector<std::string> wordsOf(const std::string& vector) {
    std::vector<std::string> words;
    for (size_t pos = 0; pos < vector.size();) {
        size_t comma = vector.find(',', pos);
        words.push_back(vector.substr(pos, comma - pos));
        size_t next = vector.find(',', comma + 1);
        pos = next == std::string::npos ? vector.size() : next + 1;
    }
    return words;
}

TEST(WordListTest, CountsNormalisedWordsInKeyOrder) {
    WordList list;
    list.setMinWordLength(3);
    list.addWords("Cats cats CATS dog", nullptr, 1);
    ASSERT_EQ(list.getNumWords(), 2);
    EXPECT_EQ(vectorOf(list, 12), "dog,1,cats,3");
    int count = 0;
    EXPECT_STREQ(list.getWord(1, count), "cats");
    EXPECT_EQ(count, 3);
}

TEST(WordListTest, Tokenises) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/word_tokens.tsv", 5)) {
        WordList list;
        list.setMinWordLength(std::stoi(c[2]));
        list.setSkipDigitWords(c[3] == "1");
        list.addWords(c[1].c_str(), nullptr, 1);
        EXPECT_EQ(vectorOf(list, 50), c[4]) << c[0];
    }
}

TEST(WordListTest, StopListLeavesWordsOut) {
    WordList stop;
    stop.addWords("the and", nullptr, 1);
    WordList list;
    list.addWords("The cat AND the dog.", &stop, 1);
    EXPECT_TRUE(list.containsWord("CAT"));
    EXPECT_TRUE(list.containsWord("dog"));
    EXPECT_FALSE(list.containsWord("the"));
    EXPECT_EQ(list.getNumWords(), 2);
}

TEST(WordListTest, FirstOccurrenceCountsTheWeight) {
    WordList list;
    list.addWords("x x", nullptr, 5);
    list.addWords("x y", nullptr, 5);
    int count = 0;
    for (int i = 0; i < list.getNumWords(); ++i) {
        std::string word = list.getWord(i, count);
        EXPECT_EQ(count, word == "x" ? 7 : 5) << word;
    }
}

TEST(WordListTest, VectorTakesTheMostFrequentCountClasses) {
    WordList list;
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "twice" + std::to_string(i) + " twice" + std::to_string(i) + " ";
    for (int i = 0; i < 5; ++i)
        for (int k = 0; k < 5; ++k)
            text += "five" + std::to_string(i) + " ";
    for (int i = 0; i < 10; ++i)
        text += "once" + std::to_string(i) + " ";
    list.addWords(text.c_str(), nullptr, 1);
    std::string vector = vectorOf(list, 12);
    // t = 2: only five entries count more than 2, so the pass takes counts of 2 or more in key
    // order until 12 are written; no count-1 word appears.
    std::vector<std::string> words = wordsOf(vector);
    EXPECT_EQ(words.size(), 12u) << vector;
    EXPECT_EQ(vector.find("once"), std::string::npos);
    for (size_t i = 1; i < words.size(); ++i)
        EXPECT_GE(WordList::keyOf(words[i]), WordList::keyOf(words[i - 1])) << vector;
}

TEST(WordListTest, VectorFallsBackToTheNextCountClass) {
    WordList list;
    // Three words seen 4 times and many seen 3 times: t is 3 (fewer than 5 exceed 3); the
    // first pass writes counts of 3 or more until five are written.
    list.addWords("a a a a b b b b c c c c d d d e e e f f f g g g h", nullptr, 1);
    std::string vector = vectorOf(list, 5);
    EXPECT_EQ(vector.find("h,"), std::string::npos);
    int fours = 0;
    for (const char* w : {"a,4", "b,4", "c,4"})
        fours += vector.find(w) != std::string::npos;
    EXPECT_EQ(fours, 3);

    // Counts of 1 only: t is 2 and the second pass writes count-1 entries.
    WordList ones;
    ones.addWords("p q r s t u", nullptr, 1);
    EXPECT_EQ(wordsOf(vectorOf(ones, 3)).size(), 3u);
}

TEST(WordListTest, NoWordsWantedWritesNothing) {
    WordList list;
    list.addWords("a b c", nullptr, 1);
    EXPECT_EQ(vectorOf(list, 0), "");
    WordList empty;
    EXPECT_EQ(vectorOf(empty, 12), "");
}

TEST(WordListTest, ManyDistinctWordsAreEachCounted) {
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "w" + std::to_string(i) + " ";
    WordList list;
    list.addWords(text.c_str(), nullptr, 1);
    list.addWords(text.c_str(), nullptr, 1);
    EXPECT_EQ(list.getNumWords(), 200000);
    int count = 0;
    list.getWord(12345, count);
    EXPECT_EQ(count, 2);
}

} // namespace
