#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "ExternalTool.h"

// An iSCSI target for the tests: tgtd listening on 127.0.0.1 at a free port, with one MMC
// logical unit (LUN 1, device type cd) backed by a file. tgtd presents an empty backing file
// as a blank DVD+R and records what is written to it into the file. The daemon runs in the
// foreground as this process's child, is stopped by its process id, and dies with the
// process that started it (so a crashed test leaves none behind).
class TgtdTarget {
public:
    static constexpr const char* TGTD = "/usr/sbin/tgtd";
    static constexpr const char* TGTADM = "/usr/sbin/tgtadm";

    // Starts the daemon and configures the unit; the backing file is created empty when it
    // does not exist. Started() tells whether it worked, Failure() why not.
    explicit TgtdTarget(const std::string& p__string__BackingFile);
    ~TgtdTarget();
    TgtdTarget(const TgtdTarget&) = delete;
    TgtdTarget& operator=(const TgtdTarget&) = delete;

    bool Started() const { return m__bool__Started; }
    const std::string& Failure() const { return m__string__Failure; }
    // iscsi://127.0.0.1:PORT/IQN/1
    std::string Url() const;
    // The portal address, "127.0.0.1:PORT", and the target's name.
    std::string Portal() const;
    const std::string& Iqn() const { return m__string__Iqn; }
    int Port() const { return m__int__Port; }
    pid_t Pid() const { return m__pid_t__Pid; }

    // Turns the unit's write cache on (the WCE bit of its caching mode page): tgtd then leaves
    // its writes to the page cache instead of syncing the backing file after each WRITE, as a
    // drive with a write buffer would. False when tgtd refused the change.
    bool EnableWriteCache();

    // Ends the daemon at once (SIGKILL), as a crash or a pulled cable would, and reaps it.
    void Kill();
    // Closes every initiator's connection from the target's side (the daemon goes on) and
    // waits until the daemon has let their sessions go; returns how many it closed.
    int DropConnections();

private:
    bool Start();
    bool Admin(const std::string& p__string__Arguments);
    bool Reap(int p__int__Milliseconds);
    // The session numbers ("I_T nexus") the daemon shows now.
    std::vector<std::string> Sessions();
    int ControlPort() const { return m__int__Port & 0x7FFF; }

    std::string m__string__BackingFile;
    std::string m__string__LogFile;
    std::string m__string__Iqn;
    std::string m__string__Failure;
    int m__int__Port = 0;
    pid_t m__pid_t__Pid = -1;
    bool m__bool__Started = false;
};

// Ends the current test when tgtd is not installed: a failure under CI, skipped otherwise.
#define REQUIRE_TGTD() REQUIRE_TOOL(TgtdTarget::TGTD)
