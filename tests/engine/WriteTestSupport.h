#pragma once
// What the tests of the writing methods share: a scripted track information reply, a latch,
// a burner with its cache test points hooked, and sources that stall, fail or cancel on cue.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_File.h"
#include "CommandLog.h"

// Track information of the invisible track: blank, NWA valid, free blocks, NWA.
inline std::vector<uint8_t> TrackInformation(bool p__Blank, bool p__NwaValid, uint32_t p__Free, uint32_t p__Nwa) {
    std::vector<uint8_t> l__Data(28, 0);
    l__Data[1] = 26;
    l__Data[2] = 1;
    l__Data[3] = 1;
    l__Data[6] = p__Blank ? 0x40 : 0x00;
    l__Data[7] = p__NwaValid ? 0x01 : 0x00;
    auto l__Put = [&](size_t at, uint32_t v) {
        l__Data[at] = static_cast<uint8_t>(v >> 24);
        l__Data[at + 1] = static_cast<uint8_t>(v >> 16);
        l__Data[at + 2] = static_cast<uint8_t>(v >> 8);
        l__Data[at + 3] = static_cast<uint8_t>(v);
    };
    l__Put(12, p__Nwa);
    l__Put(16, p__Free);
    return l__Data;
}

// The LBA and the block count of a WRITE(10) CDB.
inline int32_t Lba(const ScriptedCommand& c) {
    return static_cast<int32_t>((uint32_t(c.m__Cdb[2]) << 24) | (c.m__Cdb[3] << 16) | (c.m__Cdb[4] << 8) | c.m__Cdb[5]);
}
inline uint32_t Blocks(const ScriptedCommand& c) { return (c.m__Cdb[7] << 8) | c.m__Cdb[8]; }

// Disc information whose last session's lead-in starts at the address.
inline std::vector<uint8_t> DiscInformation(uint8_t p__Minute, uint8_t p__Second, uint8_t p__Frame) {
    std::vector<uint8_t> l__Data(34, 0);
    l__Data[1] = 32;
    l__Data[2] = 0x00;  // blank
    l__Data[17] = p__Minute;
    l__Data[18] = p__Second;
    l__Data[19] = p__Frame;
    return l__Data;
}

// Runs a write that may raise: the number it raised (12 for a NULL exception) with its text
// in *p__Text, or 0.
template <class Routine>
ULONG RaisedNumber(Routine&& p__Routine, std::string* p__Text) {
    try {
        p__Routine();
    } catch (CTarnwick_Exception* l__Exception) {
        const ULONG l__Number = l__Exception ? l__Exception->GetExceptionNumber() : 12;
        if (l__Exception) *p__Text = l__Exception->GetExceptionText();
        delete l__Exception;
        return l__Number;
    }
    return 0;
}

// The WRITE(10) commands among the commands a drive received, in order.
inline std::vector<ScriptedCommand> WriteCommands(const std::vector<ScriptedCommand>& p__Commands) {
    std::vector<ScriptedCommand> l__Writes;
    for (const ScriptedCommand& c : p__Commands)
        if (c.m__Cdb[0] == 0x2A) l__Writes.push_back(c);
    return l__Writes;
}

// A latch that one thread opens and others wait for (a bounded real-time wait, so that a
// test that goes wrong fails instead of hanging).
class Latch {
public:
    void Open() {
        std::lock_guard<std::mutex> l__Guard(m__Lock);
        m__Open = true;
        m__Condition.notify_all();
    }
    bool Wait() {
        std::unique_lock<std::mutex> l__Lock(m__Lock);
        return m__Condition.wait_for(l__Lock, std::chrono::seconds(30), [this] { return m__Open; });
    }
    bool IsOpen() {
        std::lock_guard<std::mutex> l__Guard(m__Lock);
        return m__Open;
    }

private:
    std::mutex m__Lock;
    std::condition_variable m__Condition;
    bool m__Open = false;
};

// A burner whose cache test points run what a test puts there.
class HookedBurner : public CTarnwick_CdvdBurnerGrabber {
public:
    using CTarnwick_CdvdBurnerGrabber::CTarnwick_CdvdBurnerGrabber;
    std::function<void(CACHE_TEST_POINT)> m__OnPoint;
    // Waits (real time, bounded) for the cache thread of the write in progress to end.
    bool WaitForCacheThreadDead() { return m__HANDLE__CacheThreadDeadEvent.Wait(30000); }

protected:
    void CacheTestPoint(CACHE_TEST_POINT p__Point) override {
        if (m__OnPoint) m__OnPoint(p__Point);
    }
};

// An exception that counts its living instances, to see that carried exceptions are freed.
class CountedException : public CTarnwick_Exception {
public:
    explicit CountedException(const char* p__Text) : CTarnwick_Exception(EXCEPTION_NUMBER_SYSTEM_ERROR, 5, "%s", p__Text) {
        ++s__Live;
    }
    ~CountedException() override { --s__Live; }
    static inline std::atomic<int> s__Live{0};
};

// A source whose read number p__AtRead waits until a test opens its latch, and then
// delivers its data, fails with a counted exception, or cancels the burner.
class LatchedFile : public CTarnwick_File {
public:
    enum Ending { DELIVER, FAIL, CANCEL };
    LatchedFile(uint64_t p__Size, int p__AtRead, Ending p__Ending, CTarnwick_CdvdBurnerGrabber* p__Burner = nullptr)
        : CTarnwick_File(p__Size), m__AtRead(p__AtRead), m__Ending(p__Ending), m__Burner(p__Burner) {}
    void RealRead(uint64_t p__Length, PVOID p__Buffer) override {
        std::memset(p__Buffer, 0x5A, p__Length);
        if (m__Reads++ != m__AtRead) return;
        m__Waiting.Open();
        m__Release.Wait();
        if (m__Ending == FAIL) throw static_cast<CTarnwick_Exception*>(new CountedException("LatchedFile: read failed!!!"));
        if (m__Ending == CANCEL) m__Burner->Cancel();
    }
    Latch m__Waiting;  // opened when the read has begun to wait
    Latch m__Release;  // opened by the test

private:
    int m__AtRead;
    Ending m__Ending;
    CTarnwick_CdvdBurnerGrabber* m__Burner;
    int m__Reads = 0;
};

