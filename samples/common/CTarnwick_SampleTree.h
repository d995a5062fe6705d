#pragma once
// The Joliet file tree of the programs that master an image from a local directory (or file):
// the tree events of their callback (names added, removed and ignored, and the answer to a name
// collision, which gives the new node a name of its own so that every file given reaches the
// disc), and the steps that create the tree, add the source under the date name and build the
// image, printed with the program's name.
#include <string>

#include "CTarnwick_QuorvaneNames.h"
#include "CTarnwick_SampleBurn.h"
#include "tarnwick.h"

class CTarnwick_SampleTree {
public:
    explicit CTarnwick_SampleTree(const char* p__PCHAR__Program);
    CTarnwick_SampleTree(const CTarnwick_SampleTree&) = delete;
    CTarnwick_SampleTree& operator=(const CTarnwick_SampleTree&) = delete;

    // The console lines of ADD_NAME, REMOVE_NAME and IGNORE_NAME (with the node count), and the
    // answer to NAME_COLLISION. False for every other reason, which the caller then handles.
    bool HandleTreeEvent(ULONG p__ULONG__Reason, PVOID p__PVOID__Parameter1);
    // Renames the new node of a collision (the ISO9660 rule with the run's counter, or the
    // Joliet rule with the local time), prints the renaming line and answers "new name given".
    void AnswerNameCollision(PNAME_COLLISION_INFORMATION p__PNAME_COLLISION_INFORMATION__Record);

    // The "Creating Joliet file tree" line, the start of the toolkit, then the tree (see
    // Create) and the "Adding" line with the date name of now. False, with the failure printed.
    bool Begin(CTarnwick_SampleBurn& p__Burn, PROGRESS_CALLBACK p__Callback, const char* p__PCHAR__Source);
    // Creates the ISO9660/Joliet tree (errors ignored, files not kept open, long names) with
    // the callback and the node count as its context. False, with the failure printed.
    bool Create(CTarnwick_SampleBurn& p__Burn, PROGRESS_CALLBACK p__Callback);
    // The "Adding" line of the source, and the date name of now.
    void PrintAdding(const char* p__PCHAR__Source);
    // The GetRoot warning when the tree has no root yet, the source under the date name (below
    // the root, or below the root the tree has), the tree level and its warning above 8. False,
    // with the failure printed, when the Add fails.
    bool AddSource(CTarnwick_SampleBurn& p__Burn, PCHAR p__PCHAR__Source);
    // "<lead><program>:main(): Building ISO image... ", the image at the next writable address
    // of the burn's track information ("Volume N1", "<program>.exe" as publisher-and-preparer
    // and application), then its size in the "Burning" line. False, with the failure printed.
    bool BuildImage(CTarnwick_SampleBurn& p__Burn, const char* p__PCHAR__Lead, const char* p__PCHAR__Source);
    // Destroys the tree when it was created.
    void Destroy();
    // The clean-up: the tree first (the burner's source until the write has ended), then the
    // burner; the toolkit stopped, the final line printed; returns the exit code (the status).
    int Finish(CTarnwick_SampleBurn& p__Burn);

    PVOID m__PVOID__Tree = nullptr;
    // Nodes in the tree: the context of the tree's callback.
    LONG m__LONG__NodeCount = 0;
    ULONG m__ULONG__TreeLevel = 0;
    CHAR m__CHAR__DateName[260] = {};
    CTarnwick_QuorvaneNames m__CTarnwick_QuorvaneNames__Names;

private:
    const char* m__PCHAR__Program;
};
