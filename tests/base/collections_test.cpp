#include "base/ext_int_array.h"
#include "base/ext_ptr_array.h"
#include "base/hash_map.h"
#include "base/queue.h"
#include "base/string_buffer.h"
#include "base/string_pair.h"
#include "base/zc_list.h"
#include "base/zelcora_int.h"
#include "base/zelcora_object.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Counts its own destructions, so a test can tell which container destroyed what.
class CountedObject : public ZelcoraObject {
public:
    explicit CountedObject(int id = 0) : m_id(id) {}
    ~CountedObject() override { ++s_destroyed; }
    int id() const { return m_id; }
    static int s_destroyed;

private:
    int m_id;
};
int CountedObject::s_destroyed = 0;

class CountedTest : public ::testing::Test {
protected:
    void SetUp() override { CountedObject::s_destroyed = 0; }
};

// ---- ExtPtrArray ----

// Zero, negative and over-large sizes must still give an array that grows and keeps its elements.
TEST(ExtArrayGrowth, EveryConstructionKeepsAllElements) {
    const int sizes[][2] = {{0, 0}, {-3, -7}, {4, 1}, {1, 250000}, {60000, 60000}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size[0]) + "/" + std::to_string(size[1]));
        ExtPtrArray ptrs(size[0], size[1]);
        ExtIntArray ints(size[0], size[1]);
        int slots[3];
        for (int i = 0; i < 130001; ++i) {
            ptrs.appendPtr(&slots[i % 3]);
            ints.append(i);
        }
        ASSERT_EQ(ptrs.getSize(), 130001);
        ASSERT_EQ(ints.getSize(), 130001);
        EXPECT_EQ(ptrs.elementAt(130000), &slots[130000 % 3]);
        EXPECT_EQ(ints.elementAt(0), 0);
        EXPECT_EQ(ints.lastElement(), 130000);
    }
    ExtIntArray byDefault;
    for (int i = 0; i < 281; ++i)
        byDefault.append(i);
    EXPECT_EQ(byDefault.elementAt(280), 280);
}

TEST(ExtPtrArrayTest, RemoveAtMovesLaterElementsDownAndOutOfRangeAnswersNull) {
    int v[4];
    ExtPtrArray arr;
    EXPECT_EQ(arr.pop(), nullptr);
    for (int& x : v)
        arr.appendPtr(&x);
    EXPECT_EQ(arr.elementAt(-1), nullptr);
    EXPECT_EQ(arr.removeAt(4), nullptr);
    EXPECT_EQ(arr.removeAt(1), &v[1]);
    ASSERT_EQ(arr.getSize(), 3);
    EXPECT_EQ(arr.elementAt(1), &v[2]);
    EXPECT_EQ(arr.elementAt(3), nullptr);
    EXPECT_EQ(arr.pop(), &v[3]);
    EXPECT_EQ(arr.lastElement(), &v[2]);
}

class ExtPtrArrayOwnership : public CountedTest {};

TEST_F(ExtPtrArrayOwnership, RemoveAllObjectsDestroysNonNullElements) {
    ExtPtrArray arr;
    arr.appendPtr(new CountedObject(1));
    arr.appendPtr(nullptr);
    arr.appendPtr(new CountedObject(2));
    arr.removeAllObjects();
    EXPECT_EQ(CountedObject::s_destroyed, 2);
    EXPECT_EQ(arr.getSize(), 0);
    EXPECT_EQ(arr.elementAt(0), nullptr);
}

// ---- ExtIntArray ----

TEST(ExtIntArrayTest, EmptyAndOutOfRangeAnswerZero) {
    ExtIntArray arr;
    EXPECT_EQ(arr.pop(), 0);
    for (int v : {5, -1, 3, 5, 8, 0})
        arr.append(v);
    EXPECT_EQ(arr.elementAt(-1), 0);
    EXPECT_EQ(arr.removeAt(6), 0);
    EXPECT_EQ(arr.getSize(), 6);
    // countGreaterThan is strict.
    EXPECT_EQ(arr.countGreaterThan(5), 1);
    EXPECT_EQ(arr.countGreaterThan(-1), 5);
}

TEST(ExtIntArrayTest, IncrementAtAppendsZerosUntilTheIndexExists) {
    // The slots added by growth are not zeroed; the ones incrementAt passes over must be.
    ExtIntArray arr(2, 1);
    arr.incrementAt(1000, 5);
    arr.incrementAt(1000, -4);
    ASSERT_EQ(arr.getSize(), 1001);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(arr.elementAt(i), 0) << i;
    EXPECT_EQ(arr.elementAt(1000), 1);
    arr.incrementAt(3, 4);
    EXPECT_EQ(arr.elementAt(3), 4);
    arr.incrementAt(-1, 9);
    EXPECT_EQ(arr.getSize(), 1001);
}

// ---- StringPair ----

TEST(StringPairTest, MissingBuffersAreCreatedOnDemand) {
    StringPair pair(nullptr, "");
    StringBuffer* key = pair.getKeySb();
    ASSERT_NE(key, nullptr);
    StringBuffer* value = pair.getValueSb();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(pair.getKeySb(), key);
    key->append("k");
    value->append("v");
    EXPECT_STREQ(pair.getKey(), "k");
    EXPECT_STREQ(pair.getValue(), "v");
}

// ---- ZC_List ----

class ZcListTest : public CountedTest {};

TEST_F(ZcListTest, AppendLinksItemsInOrder) {
    int v[3];
    ZC_List list;
    for (int& x : v)
        list.appendItem(&x);
    EXPECT_EQ(list.getCount(), 3);
    ZC_ListItem* item = list.getHead();
    ZC_ListItem* prev = nullptr;
    for (int i = 0; i < 3; ++i, prev = item, item = item->getNext()) {
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->getObject(), &v[i]);
        EXPECT_EQ(item->getPrev(), prev);
    }
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(prev, list.getTail());
}

TEST_F(ZcListTest, RemoveAllKeepsTheObjectsAndLeavesAnEmptyList) {
    CountedObject a(1);
    CountedObject b(2);
    ZC_List list;
    list.appendItem(&a);
    list.appendItem(&b);
    list.removeAll();
    EXPECT_EQ(list.getTail(), nullptr);
    EXPECT_EQ(CountedObject::s_destroyed, 0);
    list.appendItem(&b);
    EXPECT_EQ(list.getCount(), 1);
    EXPECT_EQ(list.getHead(), list.getTail());
    EXPECT_EQ(list.getHead()->getPrev(), nullptr);
}

TEST_F(ZcListTest, DestroyingAMillionItemsDoesNotRecurse) {
    int x = 0;
    auto* list = new ZC_List();
    for (int i = 0; i < 1000000; ++i)
        list->appendItem(&x);
    EXPECT_EQ(list->getCount(), 1000000);
    delete list;
}

// ---- Queue ----

TEST(QueueTest, InterleavedPushAndPopKeepFifoOrder) {
    int v[6];
    Queue q;
    q.push(&v[0]);
    q.push(&v[1]);
    EXPECT_EQ(q.pop(), &v[0]);
    q.push(&v[2]);
    EXPECT_EQ(q.pop(), &v[1]);
    EXPECT_EQ(q.pop(), &v[2]);
    // Drained: the tail must have been reset, or this push would be lost.
    q.push(&v[3]);
    q.push(&v[4]);
    EXPECT_EQ(q.pop(), &v[3]);
    q.push(&v[5]);
    EXPECT_EQ(q.pop(), &v[4]);
    EXPECT_EQ(q.pop(), &v[5]);
    EXPECT_FALSE(q.hasObjects());
}

TEST(QueueTest, DestroyingAMillionCellsDoesNotRecurse) {
    int x = 0;
    auto* q = new Queue();
    for (int i = 0; i < 1000000; ++i)
        q->push(&x);
    delete q;
}

// ---- HashMap ----

class HashMapTest : public CountedTest {};

TEST_F(HashMapTest, InsertLookupContains) {
    HashMap map(499);
    auto* one = new CountedObject(1);
    auto* two = new CountedObject(2);
    map.hashInsert("one", one);
    map.hashInsert("two", two);
    EXPECT_EQ(map.hashLookup("one"), one);
    EXPECT_EQ(map.hashLookup("two"), two);
    EXPECT_FALSE(map.hashContains("on"));
    EXPECT_FALSE(map.hashContains("ONE"));
    // A null key is the empty key.
    auto* empty = new CountedObject(3);
    map.hashInsert(nullptr, empty);
    EXPECT_EQ(map.hashLookup(""), empty);
    EXPECT_TRUE(map.hashContains(nullptr));
}

TEST_F(HashMapTest, InsertOfPresentKeyReplacesAndDestroysADifferentOldValue) {
    HashMap map(499);
    auto* first = new CountedObject(1);
    auto* second = new CountedObject(2);
    map.hashInsert("k", first);
    map.hashInsert("k", first);
    EXPECT_EQ(CountedObject::s_destroyed, 0);
    map.hashInsert("k", second);
    EXPECT_EQ(CountedObject::s_destroyed, 1);
    EXPECT_EQ(map.hashLookup("k"), second);
    EXPECT_EQ(map.getBucketLength(HashMap::bucketFor("k", 1, 499)), 1);
}

// Every key in one bucket: lookups tell them apart and destruction reaches each value.
TEST_F(HashMapTest, OneBucketKeepsKeysApartAndDestroysEveryValue) {
    {
        HashMap map(1);
        std::vector<CountedObject*> values;
        for (int i = 0; i < 50; ++i) {
            values.push_back(new CountedObject(i));
            map.hashInsert(("key" + std::to_string(i)).c_str(), values.back());
        }
        EXPECT_EQ(map.getBucketLength(0), 50);
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(map.hashLookup(("key" + std::to_string(i)).c_str()), values[i]) << i;
    }
    EXPECT_EQ(CountedObject::s_destroyed, 50);
}

TEST_F(HashMapTest, BucketCountBelowOneBecomesOne) {
    HashMap map(0);
    EXPECT_EQ(map.getBucketCount(), 1);
    map.hashInsertKey("x");
    EXPECT_TRUE(map.hashContains("x"));
    EXPECT_EQ(map.getBucketLength(1), 0);
}

TEST(HashMapBucket, IsCrc32OfMd5ModuloBucketCount) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/hash_buckets.txt", 2)) {
        const uint32_t crcOfMd5 = static_cast<uint32_t>(std::stoul(c[1]));
        for (int buckets : {1, 7, 499, 65536, 2147483647})
            EXPECT_EQ(HashMap::bucketFor(c[0].data(), static_cast<int>(c[0].size()), buckets),
                      static_cast<int>(crcOfMd5 % buckets))
                << '"' << c[0] << "\" buckets " << buckets;
    }
}

} // namespace
