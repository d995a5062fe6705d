#pragma once
#include <string>
#include <vector>

#include "tarnwick.h"

class CTarnwick_CliFailure;

// The drive a subcommand works with, and the state of its flat calls (text, status, failure
// record). A drive is named as `tarnwick drives` prints it: its number, or its name (the device
// node, "virtual:FILE", the iSCSI URL). Without a name: the only drive holding a writable
// medium, else the first drive.
class CTarnwick_CliDrive {
public:
    struct Found {
        DEVICE_ADDRESS m__Address{};
        std::string m__string__Name;
    };

    CTarnwick_CliDrive() = default;
    ~CTarnwick_CliDrive();
    CTarnwick_CliDrive(const CTarnwick_CliDrive&) = delete;
    CTarnwick_CliDrive& operator=(const CTarnwick_CliDrive&) = delete;

    // Every CD/DVD/BD drive the toolkit finds, in order, with its name.
    static std::vector<Found> List();
    // Opens the drive p__string__Spec names (empty: chosen as above) for operation p__Operation,
    // its progress going to p__Callback with p__Context. False with *p__Failure filled when it
    // cannot be found or opened.
    bool Open(const std::string& p__string__Operation, const std::string& p__string__Spec, PROGRESS_CALLBACK p__Callback,
              PVOID p__PVOID__Context, CTarnwick_CliFailure* p__Failure);

    // Opens the drive found; false with the call's state kept for Failure.
    bool Create(const Found& p__Drive, PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context);
    // A medium that can be written now: blank or appendable, or an overwritable one.
    bool HasWritableMedium();

    PVOID Burner() const { return m__PVOID__Burner; }
    const std::string& Name() const { return m__string__Name; }
    ULONG DiscType() const;

    // The state every burner call of the family takes, cleared before each call.
    CHAR m__CHAR__Text[1024] = {};
    ULONG m__ULONG__Status = 0;
    CDB_FAILURE_INFORMATION m__Info = {};
    // Clears the state before a call.
    void Clear();
    // The failure of the last call that returned p__ULONG__Number (not 0). A call the drive
    // refused for want of a medium is EXCEPTION_NUMBER_DEVICE_NOT_READY (the toolkit reports the
    // check condition as a failed command), its command and sense kept.
    CTarnwick_CliFailure Failure(const std::string& p__string__Operation, ULONG p__ULONG__Number) const;
    // The sense of the last failed call is MEDIUM NOT PRESENT (2/3A/xx): 0 when it is not, else
    // 1 + the qualifier (1 no medium, 2 tray closed, 3 tray open).
    int MediumNotPresent() const;

private:
    PVOID m__PVOID__Burner = nullptr;
    ULONG m__ULONG__LastNumber = 0;
    std::string m__string__Name;
};
