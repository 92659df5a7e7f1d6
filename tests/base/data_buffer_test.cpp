#include "base/data_buffer.h"

#include "base/file_sys.h"
#include "tests/support/buffer_text.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <utility>

namespace {

using file_test::RecordingLog;
using file_test::writeBytes;

using test_support::bytesOf;

TEST(DataBufferTest, AppendKeepsContentAcrossGrowth) {
    const uint32_t cases[][2] = {{0, 20000},  {0, 20001},     {10, 19990},
                                 {10, 19991}, {20000, 30000}, {20000, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c[0]) + "+" + std::to_string(c[1]));
        DataBuffer db;
        std::string before(c[0], 'p');
        db.append(before.data(), c[0]);
        std::string added(c[1], 'q');
        EXPECT_TRUE(db.append(added.data(), c[1]));
        EXPECT_EQ(bytesOf(db), before + added);
    }

    DataBuffer none;
    EXPECT_TRUE(none.append(nullptr, 5));
    EXPECT_EQ(none.getSize(), 0u);
}

TEST(DataBufferTest, AppendingItselfSurvivesReallocation) {
    // The source is the block that the growth replaces.
    DataBuffer db;
    db.ensureCapacity(4);
    db.append("abcd", 4);
    EXPECT_TRUE(db.appendDb(db));
    EXPECT_EQ(bytesOf(db), "abcdabcd");
    EXPECT_TRUE(db.append(db.getData() + 1, 2));
    EXPECT_EQ(bytesOf(db), "abcdabcdbc");
}

TEST(DataBufferTest, ShortenSetSizeAndRemoveFromStartClamp) {
    struct Case {
        void (DataBuffer::*op)(uint32_t);
        uint32_t n;
        const char* left;
    };
    const Case cases[] = {
        {&DataBuffer::shorten, 2, "abcd"},       {&DataBuffer::shorten, UINT32_MAX, ""},
        {&DataBuffer::removeFromStart, 4, "ef"}, {&DataBuffer::removeFromStart, 100, ""},
        {&DataBuffer::setSize, 3, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        DataBuffer db;
        db.append("abcdef", 6);
        (db.*c.op)(c.n);
        EXPECT_EQ(bytesOf(db), c.left);
    }
    DataBuffer sized(64);
    sized.setSize(UINT32_MAX);
    EXPECT_EQ(sized.getSize(), 64u);
    sized.setSize(3);
    EXPECT_EQ(sized.dataAt(-1), nullptr);
    EXPECT_EQ(sized.dataAt(3), nullptr);
    EXPECT_EQ(*sized.dataAt(2), 0) << "the capacity constructor zero-fills";
    DataBuffer empty;
    empty.removeFromStart(3);
    empty.setSize(10);
    EXPECT_EQ(empty.getSize(), 0u);
}

TEST(DataBufferTest, EnsureCapacityNeverShrinksAndKeepsContent) {
    DataBuffer db;
    db.append("0123456789", 10);
    const unsigned char* block = db.getData();
    EXPECT_TRUE(db.ensureCapacity(5));
    EXPECT_EQ(db.getData(), block);
    EXPECT_TRUE(db.ensureCapacity(1000));
    EXPECT_GE(db.getCapacity(), 1000u);
    EXPECT_EQ(bytesOf(db), "0123456789");
}

TEST(DataBufferTest, TakeBlockAdoptsAndFreesIt) {
    DataBuffer db;
    db.append("old", 3);
    unsigned char* block = new unsigned char[4]{'w', 'x', 'y', 'z'};
    db.takeBlock(block, 4);
    EXPECT_EQ(db.getCapacity(), 4u);
    EXPECT_EQ(bytesOf(db), "wxyz");
    // Taking the block it already holds must not free it first.
    db.takeBlock(block, 2);
    EXPECT_EQ(bytesOf(db), "wx");
    // The destructor frees `block`; the leak checker reports it otherwise.
}

TEST(DataBufferTest, BorrowedBlockIsNeverFreed) {
    unsigned char storage[8] = {'s', 't', 'a', 'c', 'k', 0, 0, 0};
    {
        DataBuffer db;
        db.borrowBlock(storage, 5);
        EXPECT_TRUE(db.isBorrowed());
        EXPECT_EQ(bytesOf(db), "stack");
        // Growing moves the content into an owned block and leaves the borrowed one alone.
        db.append("!", 1);
        EXPECT_FALSE(db.isBorrowed());
        EXPECT_NE(db.getData(), storage);
        EXPECT_EQ(bytesOf(db), "stack!");
    }
    {
        DataBuffer db;
        db.borrowBlock(storage, 8);
        db.takeBlock(new unsigned char[2]{'o', 'k'}, 2);
        db.borrowBlock(storage, 3);
        DataBuffer other;
        other.takeFrom(db);
        EXPECT_TRUE(other.isBorrowed());
        other.ensureCapacity(100);
        EXPECT_FALSE(other.isBorrowed());
        EXPECT_EQ(bytesOf(other), "sta");
    }
    // Freeing stack memory would have stopped the test under the address sanitizer.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(storage), 5), "stack");
}

TEST(DataBufferTest, BorrowedBlockIsEditedInPlace) {
    unsigned char storage[6] = {'a', 'b', 'c', 'd', 0, 0};
    DataBuffer db;
    db.borrowBlock(storage, 4);
    db.removeFromStart(1);
    EXPECT_EQ(bytesOf(db), "bcd");
    EXPECT_EQ(db.getData(), storage);
    db.appendByte('e');
    EXPECT_EQ(db.getData(), storage);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(storage), 4), "bcde");
}

TEST(DataBufferTest, TakeFromMovesEverythingAndEmptiesTheOther) {
    DataBuffer source;
    source.append("payload", 7);
    const unsigned char* block = source.getData();
    uint32_t capacity = source.getCapacity();

    DataBuffer target;
    target.append("previous", 8);
    target.takeFrom(source);
    EXPECT_EQ(target.getData(), block);
    EXPECT_EQ(target.getCapacity(), capacity);
    EXPECT_EQ(bytesOf(target), "payload");
    EXPECT_EQ(source.getData(), nullptr);
    EXPECT_EQ(source.getCapacity(), 0u);
    source.append("again", 5);
    EXPECT_EQ(bytesOf(source), "again");

    target.takeFrom(target);
    EXPECT_EQ(bytesOf(target), "payload");
}

TEST(DataBufferTest, Is7bit) {
    const std::pair<std::string, bool> cases[] = {
        {"", true}, {std::string("nul\0\x7f", 5), true}, {"\x80", false}, {"end\xff", false}};
    for (const auto& [bytes, expected] : cases) {
        DataBuffer db;
        db.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
        EXPECT_EQ(db.is7bit(), expected) << bytes;
    }
}

TEST(DataBufferTest, SizeNeverWrapsPast32Bits) {
    // A borrowed block that claims the largest size: nothing may be written past it.
    unsigned char storage[4] = {};
    DataBuffer db;
    db.borrowBlock(storage, UINT32_MAX);
    EXPECT_FALSE(db.append("x", 1));
    EXPECT_FALSE(db.appendByte('x'));
    EXPECT_EQ(db.getSize(), UINT32_MAX);

    DataBuffer small;
    small.append("ab", 2);
    EXPECT_FALSE(small.appendDb(db));
    EXPECT_EQ(bytesOf(small), "ab");
}

class DataBufferFileTest : public file_test::TempDirTest {};

TEST_F(DataBufferFileTest, LoadFileReplacesContentOrFailsLeavingIt) {
    const std::string cases[] = {std::string("\0\x01\xfe\0", 4), std::string(), std::string(30000, 'z')};
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        writeBytes("in.bin", bytes);
        DataBuffer db;
        db.append("old content", 11);
        EXPECT_TRUE(db.loadFile("in.bin"));
        EXPECT_EQ(bytesOf(db), bytes);
    }
    // A file that cannot be read leaves the content as it was.
    DataBuffer db;
    db.append("kept", 4);
    RecordingLog log;
    EXPECT_FALSE(db.loadFile("missing.bin", &log));
    EXPECT_EQ(bytesOf(db), "kept");
    EXPECT_TRUE(log.hasError("Failed to open file (2)"));
}

// Calls on the dead object go through these helpers so that the undefined-behaviour
// sanitizer's type check on member calls stays out of the way of the buffer's own check.
__attribute__((no_sanitize("vptr"))) bool appendToDead(DataBuffer* db) {
    return db->append("x", 1);
}

TEST(DataBufferDeathTest, OperationOnDestroyedBufferStopsTheProcess) {
    // The storage outlives the object, so the check reads a cleared marker, not freed memory.
    alignas(DataBuffer) unsigned char storage[sizeof(DataBuffer)];
    DataBuffer* db = new (storage) DataBuffer();
    db->append("abc", 3);
    db->~DataBuffer();
    EXPECT_DEATH(appendToDead(db), "DataBuffer: operation on a destroyed or corrupt buffer");
}

// How often the block moves over `times` calls of `step`.
template <typename Step> int blockMoves(const DataBuffer& db, uint32_t times, Step step) {
    int moves = 0;
    for (uint32_t i = 0; i < times; ++i) {
        const unsigned char* before = db.getData();
        EXPECT_TRUE(step(i));
        moves += db.getData() != before;
    }
    return moves;
}

// 40 MB in 2-byte pieces: a fixed reserve would move the block about 2000 times (and copy 40 GB);
// doubling moves it a dozen times. The same holds byte by byte and for pieces reserved ahead.
TEST(DataBufferGrowth, SmallAppendsMoveTheBlockALogarithmicNumberOfTimes) {
    constexpr uint32_t kTotal = 40u << 20;
    DataBuffer db;
    EXPECT_LT(blockMoves(db, kTotal / 2,
                         [&](uint32_t i) {
                             const unsigned char piece[2] = {static_cast<unsigned char>(i),
                                                             static_cast<unsigned char>(i >> 8)};
                             return db.append(piece, 2);
                         }),
              20);
    ASSERT_EQ(db.getSize(), kTotal);
    EXPECT_LE(db.getCapacity(), 2 * kTotal);
    EXPECT_EQ(*db.dataAt(static_cast<int>(kTotal - 2)), static_cast<unsigned char>(kTotal / 2 - 1));
    EXPECT_EQ(*db.dataAt(static_cast<int>(kTotal - 1)), static_cast<unsigned char>((kTotal / 2 - 1) >> 8));

    DataBuffer bytes;
    EXPECT_LT(blockMoves(bytes, 4u << 20,
                         [&](uint32_t i) { return bytes.appendByte(static_cast<unsigned char>(i)); }),
              12);

    DataBuffer reserved;
    const unsigned char piece[1000] = {};
    EXPECT_LT(blockMoves(reserved, 10000,
                         [&](uint32_t) {
                             return reserved.reserveForGrowth(sizeof(piece)) &&
                                    reserved.append(piece, sizeof(piece));
                         }),
              30);
    EXPECT_EQ(reserved.getSize(), 10000000u);
}

TEST(DataBufferGrowth, ReserveForGrowthStopsAtTheLimit) {
    DataBuffer db;
    ASSERT_TRUE(db.reserveForGrowth(100));
    db.setSize(100);
    ASSERT_TRUE(db.reserveForGrowth(10));
    EXPECT_EQ(db.getCapacity(), 200u);
    // Doubling again would give 400.
    ASSERT_TRUE(db.reserveForGrowth(150, 300));
    EXPECT_EQ(db.getCapacity(), 300u);
}

} // namespace
