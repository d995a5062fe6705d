#pragma once
#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileChain.h"

// A tree with no hierarchy of its own: it carries a byte source as its image, so that a
// file given by name is written as a track like the image of a mastered tree. It owns
// nothing; the source outlives it.
class CTarnwick_CarrierTree : public CTarnwick_EmptyBase, public CTarnwick_FileChain {
public:
    explicit CTarnwick_CarrierTree(CTarnwick_File* p__PCTarnwick_File__Source) {
        AddChainTail(p__PCTarnwick_File__Source);
        SeekToBegin();
    }
};
