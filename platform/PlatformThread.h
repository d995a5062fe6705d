#pragma once
#include <functional>
#include <thread>

// Starts a thread running a routine; the owner joins it (or lets it end on its own when detached).
class PlatformThread {
public:
    PlatformThread() = default;
    explicit PlatformThread(std::function<void()> p__Routine) : m__Thread(std::move(p__Routine)) {}
    PlatformThread(PlatformThread&&) = default;
    PlatformThread& operator=(PlatformThread&&) = default;
    ~PlatformThread() {
        if (m__Thread.joinable()) m__Thread.join();
    }
    bool IsRunning() const { return m__Thread.joinable(); }
    void Join() {
        if (m__Thread.joinable()) m__Thread.join();
    }
    void Detach() {
        if (m__Thread.joinable()) m__Thread.detach();
    }

private:
    std::thread m__Thread;
};
