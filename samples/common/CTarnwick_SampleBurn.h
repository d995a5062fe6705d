#pragma once
// The frame the console programs share: the state of one burn through the flat functions
// (burner, text buffer, status, failure record, drive and disc answers) and the console
// lines of the steps that are the same in every program, printed with the program's name.
#include "tarnwick.h"

class CTarnwick_SampleBurn {
public:
    explicit CTarnwick_SampleBurn(const char* p__PCHAR__Program);
    CTarnwick_SampleBurn(const CTarnwick_SampleBurn&) = delete;
    CTarnwick_SampleBurn& operator=(const CTarnwick_SampleBurn&) = delete;

    static const char* YesNo(BOOLEAN p__BOOLEAN__Flag);
    // The console lines of the write events of a burner's progress callback; other reasons
    // print nothing. The progress line prints a percentage only when it changed.
    static void PrintWriteEvent(const char* p__PCHAR__Program, ULONG p__ULONG__Reason, PVOID p__PVOID__Parameter1,
                                PVOID p__PVOID__Parameter2);
    // Forgets the last printed percentage, before a write.
    static void ResetLastPercentage();

    // "<lead><program>:main(): <function>() failed, exception %ld, status %ld, text '%s'\n"
    // with the last exception number, the status and the text.
    void PrintFailure(const char* p__PCHAR__Function, const char* p__PCHAR__Lead = "\n\n") const;
    // Prints the failure and returns false when the last flat call failed.
    bool Succeeded(const char* p__PCHAR__Function, const char* p__PCHAR__Lead = "\n\n") const;

    // The SCSI address from the first four arguments (decimal, low 8 bits each).
    void SetAddress(char** p__PPCHAR__Arguments);
    // The cache line and the probing line of the address.
    void PrintProbing() const;
    // Starts the toolkit; false, with the message, when it fails.
    bool UpStart();
    // Creates the burner at the address (context NULL, the toolkit's default cache), prints
    // the device and the write modes. False (the failure printed) when a call fails.
    bool CreateBurner(PROGRESS_CALLBACK p__Callback);
    // False, with the message, when the drive has no Track-At-Once (no Session-At-Once).
    bool HasTrackAtOnce() const;
    bool HasSessionAtOnce() const;
    // Test unit ready, buffer-underrun protection, speeds, track 255 and disc information,
    // disc type. False (the failure printed) when a call that matters fails.
    bool QueryDrive();
    // The power calibration, or its skipping in test mode, and the line that opens the write.
    void Calibrate(BOOLEAN p__BOOLEAN__IsTestWrite);
    // Closes the session; a failure is printed and remembered, and the run goes on.
    void CloseSession();
    // "<lead><program>:main(): Ejecting the disc... " and the eject; on success the status
    // becomes the failure of the session close (0 when there was none), so that a disc left
    // open is not reported as a success.
    bool Eject(const char* p__PCHAR__Lead = "OK!\n");
    void DestroyBurner();

    // The "EXITing with failure/success" line of the status.
    void PrintExit() const;

    const char* m__PCHAR__Program;
    ULONG m__ULONG__Status = 31;
    ULONG m__ULONG__Exception = 0;
    CHAR m__CHAR__ExceptionText[1024] = {};
    CDB_FAILURE_INFORMATION m__CDB_FAILURE_INFORMATION__Info = {};
    PVOID m__PVOID__Burner = nullptr;
    BOOLEAN m__BOOLEAN__TAO = 0, m__BOOLEAN__SAO = 0, m__BOOLEAN__DAOPQ = 0, m__BOOLEAN__DAORawPW = 0;
    TRACK_INFORMATION m__TRACK_INFORMATION__Track = {};
    DISC_INFORMATION m__DISC_INFORMATION__Disc = {};
    ULONG m__ULONG__DiscType = 0;

private:
    bool Supports(BOOLEAN p__BOOLEAN__Mode, const char* p__PCHAR__Mode) const;

    UCHAR m__UCHAR__Port = 0, m__UCHAR__Bus = 0, m__UCHAR__Target = 0, m__UCHAR__LUN = 0;
    ULONG m__ULONG__CloseFailure = 0;
};
