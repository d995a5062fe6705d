#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CTarnwick_FifoQueue.h"
#include "DebugPrint.h"
#include "TraceCapture.h"

namespace {

// A queued object laid out like the cache blocks: two words, then the queue entry.
struct Item {
    explicit Item(int p__int__Value = 0) : m__int__Value(p__int__Value) {
        m__FIFO_QUEUE_ENTRY__Entry.m__PVOID__Owner = this;
    }
    void* m__PVOID__Reserved = nullptr;
    int m__int__Value;
    FIFO_QUEUE_ENTRY m__FIFO_QUEUE_ENTRY__Entry{};
};

Item* Take(CTarnwick_FifoQueue& p__Queue) { return static_cast<Item*>(p__Queue.RemoveHead()); }

}  // namespace

TEST(FifoQueue, TailAndHeadOrder) {
    Item l__Items[4] = {Item(0), Item(1), Item(2), Item(3)};
    CTarnwick_FifoQueue l__Queue;
    TraceCapture l__Trace;
    EXPECT_EQ(l__Queue.RemoveHead(), nullptr);
    EXPECT_TRUE(l__Queue.IsEmpty());

    l__Queue.AddTail(&l__Items[1].m__FIFO_QUEUE_ENTRY__Entry);
    l__Queue.AddTail(&l__Items[2].m__FIFO_QUEUE_ENTRY__Entry);
    l__Queue.AddHead(&l__Items[0].m__FIFO_QUEUE_ENTRY__Entry);
    l__Queue.AddTail(&l__Items[3].m__FIFO_QUEUE_ENTRY__Entry);
    EXPECT_FALSE(l__Queue.IsEmpty());
    for (int l__int__Expected = 0; l__int__Expected < 4; ++l__int__Expected) {
        Item* l__Item = Take(l__Queue);
        ASSERT_NE(l__Item, nullptr);
        EXPECT_EQ(l__Item->m__int__Value, l__int__Expected);
    }
    EXPECT_EQ(l__Queue.RemoveHead(), nullptr);
    EXPECT_TRUE(l__Queue.IsEmpty());

    // A removed object can be queued again, here at the head of a non-empty queue.
    l__Queue.AddTail(&l__Items[2].m__FIFO_QUEUE_ENTRY__Entry);
    l__Queue.AddHead(&l__Items[3].m__FIFO_QUEUE_ENTRY__Entry);
    EXPECT_EQ(Take(l__Queue), &l__Items[3]);
    EXPECT_EQ(Take(l__Queue), &l__Items[2]);
    EXPECT_EQ(l__Queue.RemoveHead(), nullptr);
    EXPECT_EQ(l__Trace.Text(), "");
}

TEST(FifoQueue, NullEntryIsTracedAndIgnored) {
    Item l__Item(7);
    CTarnwick_FifoQueue l__Queue;
    l__Queue.AddTail(&l__Item.m__FIFO_QUEUE_ENTRY__Entry);
    TraceCapture l__Trace;
    l__Queue.AddTail(nullptr);
    l__Queue.AddHead(nullptr);
    const std::string l__string__Traced = l__Trace.Text();
    EXPECT_EQ(Take(l__Queue), &l__Item);
    EXPECT_EQ(l__Queue.RemoveHead(), nullptr);
    REQUIRE_TRACING();
    EXPECT_EQ(l__string__Traced,
              "\nCTarnwick_FifoQueue::AddTail(): EXITing with failure, pointer is NULL!!!\n"
              "\nCTarnwick_FifoQueue::AddHead(): EXITing with failure, pointer is NULL!!!\n");
}

TEST(FifoQueue, RemoveAllEmptiesAndQueueStaysUsable) {
    Item l__Items[3] = {Item(0), Item(1), Item(2)};
    CTarnwick_FifoQueue l__Queue;
    for (Item& l__Item : l__Items) l__Queue.AddTail(&l__Item.m__FIFO_QUEUE_ENTRY__Entry);
    l__Queue.RemoveAll();
    EXPECT_TRUE(l__Queue.IsEmpty());
    EXPECT_EQ(l__Queue.RemoveHead(), nullptr);
    l__Queue.RemoveAll();
    l__Queue.AddTail(&l__Items[1].m__FIFO_QUEUE_ENTRY__Entry);
    EXPECT_EQ(Take(l__Queue), &l__Items[1]);
}

TEST(FifoQueue, DestroyingNonEmptyQueueWarnsOnceAndLeavesItems) {
    Item l__Items[2] = {Item(0), Item(1)};
    TraceCapture l__Trace;
    { CTarnwick_FifoQueue l__Empty; }
    EXPECT_EQ(l__Trace.Text(), "");

    auto l__Queue = std::make_unique<CTarnwick_FifoQueue>();
    l__Queue->AddTail(&l__Items[0].m__FIFO_QUEUE_ENTRY__Entry);
    l__Queue->AddTail(&l__Items[1].m__FIFO_QUEUE_ENTRY__Entry);
    FIFO_QUEUE_ENTRY l__Before[2] = {l__Items[0].m__FIFO_QUEUE_ENTRY__Entry, l__Items[1].m__FIFO_QUEUE_ENTRY__Entry};
    uintptr_t l__uintptr_t__Start = reinterpret_cast<uintptr_t>(l__Queue.get());
    l__Queue.reset();

    for (int l__int__Index = 0; l__int__Index < 2; ++l__int__Index) {
        const FIFO_QUEUE_ENTRY& l__Entry = l__Items[l__int__Index].m__FIFO_QUEUE_ENTRY__Entry;
        EXPECT_EQ(l__Entry.m__LIST_ENTRY__Link.Flink, l__Before[l__int__Index].m__LIST_ENTRY__Link.Flink);
        EXPECT_EQ(l__Entry.m__LIST_ENTRY__Link.Blink, l__Before[l__int__Index].m__LIST_ENTRY__Link.Blink);
        EXPECT_EQ(l__Entry.m__PVOID__Owner, &l__Items[l__int__Index]);
        EXPECT_EQ(l__Items[l__int__Index].m__int__Value, l__int__Index);
    }
    REQUIRE_TRACING();
    const std::string l__string__Prefix = "\nCTarnwick_FifoQueue::~CTarnwick_FifoQueue(): WARNING! Queue 0x";
    const std::string l__string__Suffix = " is not empty!!!\n";
    std::string l__string__Text = l__Trace.Text();
    ASSERT_EQ(l__string__Text.compare(0, l__string__Prefix.size(), l__string__Prefix), 0) << l__string__Text;
    ASSERT_GT(l__string__Text.size(), l__string__Prefix.size() + l__string__Suffix.size());
    EXPECT_EQ(l__string__Text.substr(l__string__Text.size() - l__string__Suffix.size()), l__string__Suffix);
    std::string l__string__Hex = l__string__Text.substr(
        l__string__Prefix.size(), l__string__Text.size() - l__string__Prefix.size() - l__string__Suffix.size());
    EXPECT_GE(l__string__Hex.size(), 8u);
    EXPECT_EQ(l__string__Hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << l__string__Hex;
    // The address is the list head's, inside the queue object.
    uintptr_t l__uintptr_t__Head = std::strtoull(l__string__Hex.c_str(), nullptr, 16);
    EXPECT_GE(l__uintptr_t__Head, l__uintptr_t__Start);
    EXPECT_LT(l__uintptr_t__Head, l__uintptr_t__Start + sizeof(CTarnwick_FifoQueue));
}

TEST(FifoQueue, TwoProducersOneConsumer) {
    constexpr int g__int__PerProducer = 20000;
    std::vector<Item> l__Items(2 * g__int__PerProducer);
    for (size_t l__size_t__Index = 0; l__size_t__Index < l__Items.size(); ++l__size_t__Index) {
        l__Items[l__size_t__Index].m__int__Value = static_cast<int>(l__size_t__Index);
        l__Items[l__size_t__Index].m__FIFO_QUEUE_ENTRY__Entry.m__PVOID__Owner = &l__Items[l__size_t__Index];
    }
    CTarnwick_FifoQueue l__Queue;
    std::atomic<int> l__atomic__ProducersDone{0};
    auto l__Produce = [&](int p__int__First) {
        for (int l__int__Index = 0; l__int__Index < g__int__PerProducer; ++l__int__Index) {
            l__Queue.AddTail(&l__Items[p__int__First + l__int__Index].m__FIFO_QUEUE_ENTRY__Entry);
        }
        ++l__atomic__ProducersDone;
    };
    std::thread l__thread__First(l__Produce, 0);
    std::thread l__thread__Second(l__Produce, g__int__PerProducer);

    // Each producer's items come out in the order it queued them, each exactly once.
    int l__int__Next[2] = {0, g__int__PerProducer};
    int l__int__Received = 0;
    bool l__bool__InOrder = true;
    while (l__bool__InOrder) {
        bool l__bool__Finished = l__atomic__ProducersDone.load() == 2;
        Item* l__Item = Take(l__Queue);
        if (l__Item == nullptr) {
            if (l__bool__Finished) break;
            std::this_thread::yield();
            continue;
        }
        int l__int__Producer = l__Item->m__int__Value < g__int__PerProducer ? 0 : 1;
        l__bool__InOrder = l__Item->m__int__Value == l__int__Next[l__int__Producer];
        ++l__int__Next[l__int__Producer];
        ++l__int__Received;
    }
    l__thread__First.join();
    l__thread__Second.join();
    EXPECT_TRUE(l__bool__InOrder);
    EXPECT_EQ(l__int__Received, 2 * g__int__PerProducer);
    EXPECT_EQ(l__int__Next[0], g__int__PerProducer);
    EXPECT_EQ(l__int__Next[1], 2 * g__int__PerProducer);
}
