// The hand-over between a lane and its closing thread, and between a decoder
// and its reader: order kept through a small queue, and each way out.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <thread>
#include <vector>

#include "engine/slot_queue.h"

namespace {

TEST(SlotQueue, ItemsArriveInOrderThroughTwoSlotsAndTheEndIsSeenAfterTheLast)
{
    using Queue = CSlotQueue<int, 2>;
    Queue queue;
    constexpr int ITEMS = 2000;
    std::thread filler([&] {
        for (int i = 0; i < ITEMS; ++i) {
            const size_t nSlot = queue.WaitForRoom();
            ASSERT_NE(Queue::NO_SLOT, nSlot);
            queue[nSlot] = i;
            queue.Publish();
        }
        queue.WaitUntilEmpty();   // returns only once the emptier released every item
        queue.End();
    });
    std::vector<int> seen;
    for (size_t nSlot; (nSlot = queue.WaitForItem()) != Queue::NO_SLOT;) {
        seen.push_back(queue[nSlot]);
        queue.Release();
    }
    filler.join();
    ASSERT_EQ(static_cast<size_t>(ITEMS), seen.size());
    for (int i = 0; i < ITEMS; ++i)
        ASSERT_EQ(i, seen[i]);
    queue.WaitForEnd();   // already ended: returns at once
}

// A filler waiting on a full queue: cancelling the emptier's side, or its
// own stop condition, lets it go without a slot.
TEST(SlotQueue, FillerWaitingForRoomLeavesOnCancelOrItsStopCondition)
{
    for (bool bCancel : {true, false}) {
        using Queue = CSlotQueue<int, 1>;
        Queue queue;
        queue[queue.WaitForRoom()] = 1;
        queue.Publish();
        std::atomic<bool> bStop{false};
        size_t nResult = 0;
        std::thread filler([&] { nResult = queue.WaitForRoom([&] { return bStop.load(); }, 10); });
        Sleep(50);
        if (bCancel)
            queue.Cancel();
        else
            bStop = true;
        filler.join();
        EXPECT_EQ(Queue::NO_SLOT, nResult) << (bCancel ? "cancelled" : "stopped");
        EXPECT_EQ(bCancel, queue.Cancelled());
        EXPECT_EQ(0u, queue.WaitForItem()) << "the item published before stays readable";
    }
}

}  // namespace
